#pragma once
// Data that the callers of the report output prepare, for the report tests
// and the report benchmark.
#include "testapp.h"

#include "reports/reportoutput.h"

#include <QString>

namespace ReportFixture {

inline const QString PendingWeighingSql = QStringLiteral(
        "SELECT * FROM meres JOIN rendszam ON rendszam.rKod = meres.mRkod JOIN termelo ON termelo.oKod = meres.mOkod "
        "JOIN termeny ON termeny.tKod = meres.mTkod1 WHERE IDm = :p1");
inline const QString DeliveryNoteSql = QStringLiteral(
        "SELECT * FROM meres JOIN rendszam ON rendszam.rKod = meres.mRkod JOIN termelo ON termelo.oKod = :p2 "
        "JOIN termeny ON termeny.tKod = meres.mTkod1 WHERE IDm = :p1");
inline const QString TicketRowsSql = QStringLiteral(
        "SELECT * FROM vello JOIN rendszam ON rendszam.rKod = vello.jRkod JOIN termelo ON termelo.oKod = vello.jOkod "
        "JOIN termeny ON termeny.tKod = vello.jTkod JOIN raktar ON raktar.kKod = vello.jKkod WHERE jBszam = :p1 ORDER BY IDj");

// Registers, the site row, one intake weighing waiting for finalisation
// (entry 20000, exit 8000, no trailer) and ticket 41 with its two rows.
// Returns the pending weighing's IDm.
inline qint64 seed(TestDb& db)
{
    db.exec(QStringLiteral(
            "INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) VALUES "
            "('1', 'ABC-123', 8000, 'Kovács István', '06-30-123-4567', 'Kovács és Társa Kft.', 'Kiskunhalas, Fő u. 12.', 'Kovács Péter', '1')"));
    db.exec(QStringLiteral(
            "INSERT INTO termelo (oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, oBankszla) VALUES "
            "('1', 'Kovács István', '6400', 'Kiskunhalas', 'Fő u. 12.', '12345678211', '11700000-12345678'),"
            "('2', 'Alföldi Mag Zrt.', '6000', 'Kecskemét', 'Rákóczi út 3.', '23456789203', '10400000-23456789')"));
    db.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev, tMegjegy, tSztiszt, tSzviztart) VALUES "
                           "('1', 'Búza', 'étkezési', 100, 14)"));
    db.exec(QStringLiteral("INSERT INTO raktar (kKod, kNev, kMegj) VALUES ('1', 'Síkraktár 1', 'keleti csarnok')"));
    db.exec(QStringLiteral(
            "UPDATE atvevo SET aNeve = 'Alföldi Gabona Kft.', aIrszam = '6400', aHelyseg = 'Kiskunhalas', "
            "aUtca = 'Majsai út 8.', aAdoszam = '11223344-2-03' WHERE IDa = 1"));
    db.exec(QStringLiteral(
            "INSERT INTO meres (mBszam, mMozgas, mPot, mEgymeres, mDatum, mBeido, mKiido, mRkod, mBemerleg1, mBemeres1, "
            "mKimerleg1, mKimeres1, mTkod1, mTkod2, mKkod1, mKkod2, mOkod, mTiszt, mViztart) VALUES "
            "('7', 'B', '', '', '2024-03-05', '07:10:00', '07:40:00', '1', 20000, 20000, 8000, 8000, '1', '', '1', '', '1', 98, 16)"));
    db.exec(QStringLiteral(
            "INSERT INTO vello (jBszam, jMbszam, jMozgas, jPot, jDatum, jBeido, jKiido, jBemeres, jKimeres, jNettoBe, jNettoKI, "
            "jTkod, jRkod, jKkod, jOkod, jTiszt, jViztart) VALUES "
            "('41', '6', 'B', '', '2024-03-04', '08:00:00', '08:30:00', 20000, 8000, 11520, 0, '1', '1', '1', '1', 98, 16),"
            "('41', '6', 'B', '', '2024-03-04', '08:00:00', '08:30:00', 0, 0, 0, 0, '', '1', '', '1', 0, 0)"));
    return db.scalar(QStringLiteral("SELECT IDm FROM meres WHERE mBszam = '7'")).toLongLong();
}

// The ticket print of the finalisation: ZQ13 and the three variables.
inline void prepareTicket(TestApp& app, qint64 idm)
{
    app.data.ZQ13.openSql(PendingWeighingSql, {{QStringLiteral("p1"), idm}});
}

// The ticket's variables as the finalisation sets them for ticket 42 of the
// seeded weighing.
inline void setTicketVariables(ReportOutput& report)
{
    report.setVariable(QStringLiteral("v_bszam"), QStringLiteral("42"));
    report.setVariable(QStringLiteral("v_m1"), 12000.0);
    report.setVariable(QStringLiteral("v_mozgas"), QStringLiteral("BE"));
}

inline void openQuery(Query& q, const QString& sql, const QVariantMap& binds = {})
{
    Query::Binds b;
    for (auto it = binds.begin(); it != binds.end(); ++it)
        b.append({it.key(), it.value()});
    q.openSql(sql, b);
}

}   // namespace ReportFixture
