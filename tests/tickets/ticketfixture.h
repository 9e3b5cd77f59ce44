#pragma once
// Registers and tickets of the ticket browser and stock tests.
#include "testapp.h"
#include "widgets.h"

#include <QString>

namespace TicketFixture {

inline void registers(const TestDb& db)
{
    db.exec(QStringLiteral(
            "INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) VALUES "
            "('1', 'ABC-123', 8000, 'Kovács István', '06-30-123-4567', 'Kovács és Társa Kft.', 'Kiskunhalas, Fő u. 12.', "
            "'Kovács Péter', '1'), ('2', 'XYZ-987', 9000, 'Nagy Béla', '', 'Nagy Kft.', 'Kecskemét', '', '2')"));
    db.exec(QStringLiteral(
            "INSERT INTO termelo (oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, oBankszla) VALUES "
            "('1', 'Kovács István', '6400', 'Kiskunhalas', 'Fő u. 12.', '12345678211', '11700000-12345678'),"
            "('2', 'Alföldi Mag Zrt.', '6000', 'Kecskemét', 'Rákóczi út 3.', '23456789203', '10400000-23456789')"));
    db.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev, tSztiszt, tSzviztart) VALUES "
                           "('1', 'Búza', 100, 14), ('2', 'Kukorica', 98, 15)"));
    db.exec(QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Síkraktár 1'), ('2', 'Siló 2')"));
}

// One ticket: two rows. crop2 empty: no trailer (zero weights, empty codes).
struct Ticket {
    QString number;
    QString movement = QStringLiteral("B");
    QString date = QStringLiteral("2024-03-04");
    double in1 = 20000, out1 = 8000, netIn1 = 11500, netOut1 = 0;
    QString crop1 = QStringLiteral("1"), store1 = QStringLiteral("1");
    double in2 = 0, out2 = 0, netIn2 = 0, netOut2 = 0;
    QString crop2, store2;
    QString plate = QStringLiteral("1"), producer = QStringLiteral("1");
};

inline void add(const TestDb& db, const Ticket& t)
{
    const QString pot = t.crop2.isEmpty() ? QString() : QStringLiteral("I");
    auto row = [&](double in, double out, double nin, double nout, const QString& crop, const QString& store,
                       double scaleIn, double scaleOut) {
        db.exec(QStringLiteral(
                "INSERT INTO vello (jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, "
                "jRogDatum, jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, jRkod, jKkod, "
                "jOkod, jMegj, jTiszt, jViztart) VALUES ('%1', '%1', '%2', '%3', '', '%4', '08:00:00', '08:30:00', "
                "'%4', '%4', %5, %6, %7, %8, %9, %10, '%11', '%12', '%13', '%14', 'megjegyzés', 98, 15)")
                        .arg(t.number, t.movement, pot, t.date)
                        .arg(in)
                        .arg(out)
                        .arg(nin)
                        .arg(nout)
                        .arg(scaleIn)
                        .arg(scaleOut)
                        .arg(crop, t.plate, store, t.producer));
    };
    row(t.in1, t.out1, t.netIn1, t.netOut1, t.crop1, t.store1, t.in1 + 10, t.out1 + 10);
    row(t.in2, t.out2, t.netIn2, t.netOut2, t.crop2, t.store2, t.in2, t.out2);
}

// A summary row of archiving: crop, warehouse, nets and the cut-off date;
// no movement, plate, producer or weighing number.
inline void summary(const TestDb& db, const QString& number, const QString& crop, const QString& store, double in,
        double out, const QString& date)
{
    db.exec(QStringLiteral(
            "INSERT INTO vello (jTkod, jKkod, jNettoBe, jNettoKi, jDatum, jModDatum, jRogDatum, jTorolt) "
            "VALUES ('%1', '%2', %3, %4, '%5', '%5', '%5', 'A')")
                    .arg(crop, store)
                    .arg(in)
                    .arg(out)
                    .arg(date));
    db.exec(QStringLiteral("UPDATE vello SET jBszam = '%1' WHERE jTorolt = 'A'").arg(number));
    db.exec(QStringLiteral("UPDATE vello SET jTorolt = '' WHERE jTorolt = 'A'"));
}

}   // namespace TicketFixture
