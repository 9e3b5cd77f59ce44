// The alibi log window's list of a day's entries on a day of 100,000
// entries, beside the same on a day of 100, both measured in this run: the
// time from "Keresés" (by day) to the list painted, the first entry shown.
// The log is read by the same SELECT in both; what grows is the list.
//
//   bench_alibi_window [ENTRIES]      (100000 by default)
//
// Needs the test database server (VELLO_TEST_SOCKET), as scripts/bench
// provides.
#include "alibi/alibilog.h"
#include "alibi/alibiwindow.h"
#include "benchclock.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "testdb.h"
#include "ui/scriptedprompt.h"

#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextStream>

namespace {

// `n` entries on 2026-03-02 (the list does not look at their chain).
void generate(TestDb& db, qint64 n)
{
    const QString naplo = QStringLiteral("`%1`.naplo").arg(AlibiLog::databaseFor(db.name()));
    db.exec(QStringLiteral("DELETE FROM %1").arg(naplo));
    db.exec(QStringLiteral("INSERT INTO %1 (nr, ido, gep, forras, suly, szamjegy, allapot, port, nyers, lanc) "
                           "SELECT seq, TIMESTAMP'2026-03-02 00:00:00' + INTERVAL seq * 80000 / %2 SECOND, "
                           "IF(seq % 2 = 0, 'mérlegház-1', 'mérlegház-2'), 'mérleg', (seq * 37) % 60000, "
                           "LPAD((seq * 37) % 60000, 6, '0'), 'ST', '/dev/ttyS0', 'ST,GS,+', REPEAT('0', 64) "
                           "FROM seq_1_to_%2")
                    .arg(naplo)
                    .arg(n));
}

// "Keresés" by day until the list is painted, in milliseconds.
double listDay(AppContext& ctx)
{
    return medianMs(3, [&] {
        AlibiWindow w(ctx);
        w.show();
        QApplication::processEvents();
        w.findChild<QDateEdit*>(QStringLiteral("DateEditDay"))->setDate(QDate(2026, 3, 2));
        w.findChild<QPushButton*>(QStringLiteral("ButtonFindDay"))->click();
        w.findChild<QTableView*>(QStringLiteral("GridEntries"))->viewport()->repaint();
        QApplication::processEvents();
    });
}

}   // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const qint64 n = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100000;
    TestDb db;
    DataModule data(db.settings());
    data.open();
    ScriptedPrompt prompt;
    AppContext ctx(data, prompt);
    generate(db, 100);
    const double small = listDay(ctx);
    generate(db, n);
    const double large = listDay(ctx);
    report(QStringLiteral("alibi window, a day of %1 entries").arg(n), large, QStringLiteral("100 entries"), small);
    return 0;
}
