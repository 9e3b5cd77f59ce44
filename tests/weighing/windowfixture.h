#pragma once
// Registers and pending weighings for the weighing window tests, and small
// helpers to drive the windows through the scripted host.
#include "testapp.h"
#include "widgets.h"

#include "data/datamodule.h"
#include "data/query.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"

#include <QDialog>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace WindowFixture {

using TestUi::child;
using TestUi::click;
using TestUi::setText;
using TestUi::text;

// Plates in list order ABC-123 (code 1, tare 8000), KLM-555 (3, tare 7950.5),
// XYZ-987 (2, tare 6000); two producers, two crops, two warehouses. The site
// row names a port that does not exist, so no weighing window meets a
// device of the machine.
inline void seedRegisters(TestApp& app)
{
    app.db.exec(QStringLiteral("INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rOkod) VALUES "
                               "('1', 'ABC-123', 8000, 'Kovács István', '1'), ('2', 'XYZ-987', 6000, 'Nagy Béla', '2'),"
                               "('3', 'KLM-555', 7950.5, 'Tóth Anna', '1')"));
    app.db.exec(QStringLiteral(
            "INSERT INTO termelo (oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, oBankszla) VALUES "
            "('1', 'Kovács István', '6400', 'Kiskunhalas', 'Fő u. 12.', '12345678211', '11700000-12345678'),"
            "('2', 'Alföldi Mag Zrt.', '6000', 'Kecskemét', 'Rákóczi út 3.', '23456789203', '10400000-23456789')"));
    app.db.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev, tSztiszt, tSzviztart) VALUES "
                               "('1', 'Búza', 100, 14), ('2', 'Kukorica', 98, 14)"));
    app.db.exec(QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Síkraktár 1'), ('2', 'Siló 2')"));
    app.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Alföldi Gabona Kft.', aIrszam = '6400', "
                               "aHelyseg = 'Kiskunhalas', aUtca = 'Majsai út 8.', aAdoszam = '11223344-2-03', "
                               "aSzeria = '/nonexistent/vello-scale' WHERE IDa = 1"));
    app.data.ZTable8.refresh();
}

// A pending weighing; returns its IDm.
struct Pending {
    QString number, movement, trailer, plate;
    double in1 = 0, in2 = 0, out1 = 0, out2 = 0;
    QString crop1, crop2, store1, store2, producer;
};

inline qint64 addPending(TestApp& app, const Pending& p)
{
    QSqlQuery q(app.db.admin());
    q.prepare(QStringLiteral(
            "INSERT INTO meres (mBszam, mMozgas, mPot, mEgymeres, mDatum, mBeido, mRkod, mBemeres1, mBemeres2, "
            "mKimeres1, mKimeres2, mBemerleg1, mTkod1, mTkod2, mKkod1, mKkod2, mOkod, mTiszt, mViztart, mMegj) VALUES "
            "(?, ?, ?, '', '2026-03-05', '07:10:00', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 98, 16, 'megjegyzés')"));
    for (const QVariant& v : {QVariant(p.number), QVariant(p.movement), QVariant(p.trailer), QVariant(p.plate),
                 QVariant(p.in1), QVariant(p.in2), QVariant(p.out1), QVariant(p.out2), QVariant(p.in1),
                 QVariant(p.crop1), QVariant(p.crop2), QVariant(p.store1), QVariant(p.store2), QVariant(p.producer)})
        q.addBindValue(v);
    if (!q.exec())
        QTest::qFail(qPrintable(q.lastError().text()), __FILE__, __LINE__);
    return q.lastInsertId().toLongLong();
}

// Moves a register list window (or TForm4) to the row whose `column` is `value`.
inline void moveTo(QDialog& w, Query& list, const QString& column, const QString& value)
{
    auto* first = child<QToolButton>(w, QStringLiteral("First"));
    if (first)
        first->click();
    for (int i = 0; i < list.rowCount() && list.text(column) != value; ++i)
        child<QToolButton>(w, QStringLiteral("Next"))->click();
    if (list.text(column) != value)
        QTest::qFail(qPrintable(QStringLiteral("no row with %1 = %2").arg(column, value)), __FILE__, __LINE__);
}

// A register list window script that picks the row with `column` = `value`.
inline ScriptedHost::Script pick(TestApp& app, const QString& listQuery, const QString& column, const QString& value)
{
    return [&app, listQuery, column, value](QDialog& w) {
        moveTo(w, *app.data.find(listQuery), column, value);
        click(w, QStringLiteral("Button1"));
    };
}

inline bool shown(QWidget& w, const QString& name)
{
    QWidget* c = child<QWidget>(w, name);
    return c && !c->isHidden();
}

}   // namespace WindowFixture
