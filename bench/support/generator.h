#pragma once

class TestDb;

// Fills a test database with the data of a busy site: registers, and years
// of weighing tickets (two rows each) and archive rows, generated in the
// server from its sequence tables, so a decade takes seconds.
namespace Generator {

struct Size {
    int years = 10;
    int ticketsPerDay = 80;
    int plates = 300;
    int producers = 800;
    int crops = 6;
    int warehouses = 5;
};

void registers(TestDb& db, const Size& s);
// Tickets from 2016-01-01 on, numbered from 1; the "J" counter follows.
void tickets(TestDb& db, const Size& s);
void archive(TestDb& db, const Size& s);
inline void decade(TestDb& db, const Size& s = Size())
{
    registers(db, s);
    tickets(db, s);
    archive(db, s);
}

}   // namespace Generator
