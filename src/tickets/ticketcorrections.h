#pragma once
#include <QString>
#include <functional>

// What the ticket browser's "Sztornó" and "Javítás" buttons run, handed to
// the browser by its opener: the weighing subsystem, which holds the checks
// and the net computation a reissue needs. Each gets the ticket number of the
// list's current line and returns the ticket number the list is to stand on
// afterwards (the voided ticket, or the one issued in its place); empty when
// nothing changed. Without them the two buttons are disabled.
struct TicketCorrections {
    std::function<QString(const QString& ticket)> voidTicket;
    std::function<QString(const QString& ticket)> reissue;
};
