#pragma once
// A small period for the archiving tests: intake, dispatch and trailer
// tickets of two crops in two warehouses, before, on and after the cut-off,
// an earlier summary row, and a ticket whose plate is missing from its
// register. Counter "K" starts at "0", so the new summary numbers equal the
// numbers of collected tickets.
#include "testdb.h"

#include <QDate>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace ArchiveFixture {

inline QDate cutOff()
{
    return QDate(2026, 3, 31);
}

inline void fill(const TestDb& db)
{
    db.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev, tMegjegy, tSztiszt, tSzviztart) VALUES "
                           "('1', 'Búza', 'őszi', 98, 14), ('2', 'Kukorica', '', 97, 15)"));
    db.exec(QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Raktár 1'), ('2', 'Raktár 2')"));
    db.exec(QStringLiteral("INSERT INTO termelo (oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam) VALUES "
                           "('1', 'Kiss Gazda', '6000', 'Kecskemét', 'Fő utca 1.', '12345678111')"));
    db.exec(QStringLiteral("INSERT INTO rendszam (rKod, rRendszam, rTara) VALUES ('1', 'ABC-123', 8000), "
                           "('2', 'XYZ-987', 9000)"));
    const QString cols = QStringLiteral(
            "INSERT INTO vello (jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, jRogDatum, "
            "jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, jRkod, jKkod, jOkod, jAkod, jMegj, "
            "jTiszt, jViztart) VALUES ");
    // number, date, movement, trailer, measurement 1 (crop, warehouse, in, out, net in, net out), measurement 2, plate
    struct T {
        const char* no;
        const char* date;
        const char* mozgas;
        const char* pot;
        const char* t1;
        const char* k1;
        double be1, ki1, nb1, nk1;
        const char* t2;
        const char* k2;
        double be2, ki2, nb2, nk2;
        const char* plate;
    };
    const T tickets[] = {
            {"1", "2026-03-01", "B", "", "1", "1", 18000, 8000, 10000, 0, "", "", 0, 0, 0, 0, "1"},
            {"2", "2026-03-10", "B", "I", "1", "1", 16000, 8000, 8000, 0, "2", "1", 15000, 8000, 7000, 0, "2"},
            {"3", "2026-03-31", "K", "", "1", "2", 8000, 13000, 0, 5000, "", "", 0, 0, 0, 0, "1"},
            {"4", "2026-04-01", "B", "", "2", "2", 17000, 8000, 9000, 0, "", "", 0, 0, 0, 0, "2"},
            {"5", "2026-03-15", "B", "", "2", "2", 11000, 8000, 3000, 0, "", "", 0, 0, 0, 0, "99"},
    };
    for (const T& t : tickets) {
        const QString row
                = QStringLiteral("('%1', 'M%1', '%2', '%3', '', '%4', '08:00:00', '08:30:15', '%4', '%4', "
                                 "%5, %6, %7, %8, %5, %6, '%9', '%10', '%11', '1', '', 'megj %1', 97.5, 14.5)");
        db.exec(cols
                + row.arg(QLatin1String(t.no), QLatin1String(t.mozgas), QLatin1String(t.pot), QLatin1String(t.date))
                          .arg(t.be1)
                          .arg(t.ki1)
                          .arg(t.nb1)
                          .arg(t.nk1)
                          .arg(QLatin1String(t.t1), QLatin1String(t.plate), QLatin1String(t.k1)));
        db.exec(cols
                + row.arg(QLatin1String(t.no), QLatin1String(t.mozgas), QLatin1String(t.pot), QLatin1String(t.date))
                          .arg(t.be2)
                          .arg(t.ki2)
                          .arg(t.nb2)
                          .arg(t.nk2)
                          .arg(QLatin1String(t.t2), QLatin1String(t.plate), QLatin1String(t.k2)));
    }
    // A summary row of an earlier period.
    db.exec(QStringLiteral(
            "INSERT INTO vello (jBszam, jTkod, jKkod, jNettoBe, jNettoKI, jDatum, jModDatum, jRogDatum, "
            "jTorolt) VALUES ('77', '1', '1', 50000, 1000, '2025-12-31', '2025-12-31', '2025-12-31', '')"));
    db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '0' WHERE sKod = 'K'"));
}

// The whole content of a table in IDj order, one text per row.
inline QStringList rows(const TestDb& db, const QString& table, const QString& where = QString())
{
    QSqlQuery q(db.admin());
    q.exec(QStringLiteral("SELECT * FROM %1 %2 ORDER BY IDj").arg(table, where));
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

}   // namespace ArchiveFixture
