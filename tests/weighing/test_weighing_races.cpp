// Two workstations on one database: the exit weighing, the finalisation and
// the delete of one pending weighing meeting each other, lock conflicts tried
// again without a second number, and the truth told after a lost COMMIT
// reply. Every race runs on two real connections, the second workstation
// started at a chosen statement of the first through the statement hook.
#include "testapp.h"
#include "weighingfixture.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"
#include "weighing/finalisation.h"
#include "weighing/vehiclesonsite.h"
#include "weighing/weighingstore.h"

#include <QSet>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

using namespace WeighingFixture;

namespace {

const QDate Today(2024, 3, 6);
const QDateTime At(QDate(2024, 3, 5), QTime(7, 10));

const QString GoneMessage = QStringLiteral("A mérést egy másik munkaállomás már véglegesítette vagy törölte.");
const QString DeleteGoneMessage
        = QStringLiteral("A mérés nem található: egy másik munkaállomás már véglegesítette vagy törölte.");
const QString DeletedMessage = QStringLiteral("A mérés törlölve!");
const QString DeletedElsewhereMessage = QStringLiteral("A mérést egy másik munkaállomás már törölte.");
QString finalisedElsewhere(const QString& ticket)
{
    return QStringLiteral("A mérést egy másik munkaállomás már véglegesítette, a mérlegjegy száma %1. "
                          "Itt nem készült új mérlegjegy.")
            .arg(ticket);
}

// The second workstation: its own data module on the same database, its own
// prompt, on a thread of its own, so that it can wait for a lock the first
// workstation holds while the first one goes on.
class Other {
public:
    using Operation = std::function<void(AppContext&, ScriptedPrompt&)>;
    explicit Other(const TestDb& db) : m_settings(db.settings()), m_db(db) { }
    ~Other() { join(); }

    // Starts `op` and returns when it is through or waits for a lock that
    // the first workstation holds (no timing: the server's own view).
    void runUntilThroughOrWaiting(Operation op)
    {
        start(std::move(op));
        untilThroughWaitingOr([] { return false; });
    }
    // Starts `op` on the other thread and returns at once.
    void start(Operation op)
    {
        m_thread = QThread::create([this, op] {
            DataModule data(m_settings);
            data.open();
            {
                QSqlQuery q(data.database());
                if (q.exec(QStringLiteral("SELECT CONNECTION_ID()")) && q.next())
                    m_connection = q.value(0).toLongLong();
            }
            ScriptedPrompt prompt;
            prompt.setLenient(true, true);
            AppContext ctx(data, prompt);
            op(ctx, prompt);
            m_messages = prompt.shownTexts();
            m_done = true;
        });
        m_thread->start();
    }
    // Until the operation is through, waits for a lock, or `stop()` holds.
    void untilThroughWaitingOr(const std::function<bool()>& stop)
    {
        for (qint64 i = 0; !m_done && !stop(); ++i) {
            QVERIFY2(i < 100000000, "the second workstation neither finished nor waited for a lock");
            const qint64 id = m_connection;
            if (id > 0 && waitingForLock(id)) {
                m_waited = true;
                return;
            }
            QThread::yieldCurrentThread();
        }
    }
    // The server's live view of the transactions (the information_schema
    // lock tables are a copy refreshed only when not read for a while):
    // connection `id` has a transaction in LOCK WAIT.
    bool waitingForLock(qint64 id) const
    {
        QSqlQuery q(m_db.admin());
        if (!q.exec(QStringLiteral("SHOW ENGINE INNODB STATUS")) || !q.next())
            return false;
        const QString status = q.value(2).toString();
        const QString thread = QStringLiteral(" thread id %1,").arg(id);   // "MariaDB thread id N, ..."
        for (const QString& trx : status.split(QStringLiteral("---TRANSACTION")))
            if (trx.contains(thread) && trx.contains(QLatin1String("LOCK WAIT")))
                return true;
        return false;
    }
    void join()
    {
        if (m_thread) {
            m_thread->wait();
            delete m_thread;
            m_thread = nullptr;
        }
    }
    bool waited() const { return m_waited; }
    bool done() const { return m_done; }
    QStringList messages() const { return m_messages; }

private:
    ConnectionSettings m_settings;
    const TestDb& m_db;
    QThread* m_thread = nullptr;
    std::atomic<qint64> m_connection {0};
    std::atomic<bool> m_done {false};
    bool m_waited = false;
    QStringList m_messages;
};

// A test application with the main report on a recording preview.
struct RaceApp : TestApp {
    RecordingPreview preview;
    ReportOutput report {ctx, &preview};
    RaceApp()
    {
        ctx.report = &report;
        seedRegisters(db);
    }
    Finalisation::Input input(qint64 idm, const QString& number = QStringLiteral("7"))
    {
        Finalisation::Input in;
        in.weighingId = idm;
        in.weighingNumber = number;
        in.netText = QStringLiteral("12000");
        in.today = Today;
        return in;
    }
    // Everything the weighing writes, in a stable text; row ids left out
    // (a rolled-back insert uses one up, and nothing counts on them).
    QString snapshot() const
    {
        QStringList out;
        QSqlQuery q(db.admin());
        for (const QString& sql :
                {QStringLiteral(
                         "SELECT CONCAT_WS('|', mBszam, mMozgas, mBemeres1, mKimeres1, mKimerleg1, mNetto1, "
                         "mNetto2, mTkod1, mKkod1, COALESCE(mKiido, '-'), COALESCE(mEgymeres, '-')) FROM meres ORDER BY mBszam"),
                        QStringLiteral(
                                "SELECT CONCAT_WS('|', COALESCE(jBszam, '-'), jMbszam, jBemeres, jKimeres, jNettoBe, jNettoKI) "
                                "FROM vello ORDER BY jBszam, jMbszam, jBemeres"),
                        QStringLiteral("SELECT CONCAT_WS('|', sKod, sBszam) FROM sorszam ORDER BY sKod")}) {
            q.exec(sql);
            while (q.next())
                out << q.value(0).toString();
            out << QStringLiteral("--");
        }
        return out.join(QLatin1Char('\n'));
    }
    // No ticket without both rows and a number, no number on two weighings.
    QString ticketsBroken() const
    {
        if (db.scalar("SELECT COUNT(*) FROM (SELECT jBszam FROM vello GROUP BY jBszam "
                      "HAVING COUNT(*) <> 2 OR COUNT(DISTINCT jMbszam) <> 1) x")
                        .toInt()
                != 0)
            return QStringLiteral("a ticket number on other than two rows of one weighing");
        if (db.count("vello", "jBszam IS NULL") != 0)
            return QStringLiteral("a ticket row without a number");
        if (db.scalar("SELECT COALESCE(MAX(CAST(jBszam AS UNSIGNED)), 0) FROM vello").toLongLong()
                != counter(db, "J").toLongLong())
            return QStringLiteral("the J counter is not on the highest ticket number");
        if (db.scalar("SELECT COUNT(*) FROM meres JOIN vello ON vello.jMbszam = meres.mBszam").toInt() != 0)
            return QStringLiteral("a weighing both pending and finalised");
        return QString();
    }
};

// The exit weighing of pending weighing `idm` (arrived loaded, "B").
WeighingFields exitFields(const QString& weight = QStringLiteral("8500"))
{
    WeighingFields f;
    f.weight1 = weight;
    f.scale1 = weight;
    // Purity and moisture as the window shows them from the row (Pending()).
    f.purity = QStringLiteral("98");
    f.moisture = QStringLiteral("16");
    return f;
}

WeighingOutcome weighOut(AppContext& ctx, qint64 idm, const QString& weight = QStringLiteral("8500"))
{
    return WeighingStore(ctx, requestOut(idm, "B")).ok(exitFields(weight), At);
}

// A pending weighing without its exit weighing yet.
qint64 addEntered(TestDb& db, const QString& number = QStringLiteral("7"), const QString& plate = QStringLiteral("1"))
{
    Pending p;
    p.number = number;
    p.plate = plate;
    p.out1 = 0;
    return addPending(db, p);
}

Finalisation::Input otherInput(qint64 idm, const QString& number = QStringLiteral("7"))
{
    Finalisation::Input in;
    in.weighingId = idm;
    in.weighingNumber = number;
    in.netText = QStringLiteral("12000");
    in.today = Today;
    return in;
}

// The operations the walks below run, by number: 0 IN store, 1 OUT store,
// 2 finalisation of an intake, 3 of a dispatch, 4 IN store of a single
// weighing. prepareOperation makes what the operation needs (the pending
// weighing's IDm, 0 for an IN store); runOperation runs it.
qint64 prepareOperation(RaceApp& a, int operation)
{
    if (operation == 0 || operation == 4)
        return 0;
    if (operation == 1)
        return addEntered(a.db);
    Pending p;
    if (operation == 3) {
        p.movement = "K";
        std::swap(p.in1, p.out1);
    }
    return addPending(a.db, p);
}

Outcome runOperation(RaceApp& a, int operation, qint64 idm)
{
    switch (operation) {
    case 0:
    case 4:
        return WeighingStore(a.ctx, requestIn("B", false, operation == 4)).ok(loadedFields(), At);
    case 1:
        return weighOut(a.ctx, idm);
    default:
        return Finalisation(a.ctx).store(a.input(idm));
    }
}

// The lock-conflict budget on a clock of the test's own: only the pauses
// move it, and a pause returns at once.
struct BudgetClock {
    long long now = 0;
    QList<int> pauses;
    explicit BudgetClock(DataModule& data) : m_data(data)
    {
        data.lockRetry().now = [this] { return now; };
        data.lockRetry().pause = [this](int ms) {
            now += ms;
            pauses << ms;
        };
    }
    ~BudgetClock()
    {
        m_data.lockRetry().now = nullptr;
        m_data.lockRetry().pause = nullptr;
    }
    // Every attempt but the last was followed by a pause within the limits,
    // and the attempts stopped exactly when the pauses had used the budget up.
    void checkSpent(int attempts) const
    {
        const LockRetry& r = m_data.lockRetry();
        QCOMPARE(attempts, int(pauses.size()) + 1);
        QVERIFY(attempts >= 2);
        long long sum = 0;
        for (int i = 0; i < pauses.size(); ++i) {
            QVERIFY2(pauses[i] >= 0 && pauses[i] <= r.maxPauseMs, qPrintable(QString::number(pauses[i])));
            if (i + 1 < pauses.size())
                QVERIFY(pauses[i] >= r.minPauseMs);
            sum += pauses[i];
        }
        QCOMPARE(sum, (long long)r.budgetMs);
    }

private:
    DataModule& m_data;
};

// Statements of a clean run of `op` on a fresh application.
template <class Prepare, class Op> qint64 statementsOf(Prepare prepare, Op op)
{
    RaceApp app;
    app.prompt.setLenient(true, false);
    prepare(app);
    const qint64 before = app.data.statementCount();
    op(app);
    return app.data.statementCount() - before;
}

}   // namespace

class TestWeighingRaces : public QObject {
    Q_OBJECT
private slots:
    // The exit weighing meets a finalisation or a delete of the same
    // weighing at the other workstation, started before each of its
    // statements. Either the exit weighing is stored and the other
    // workstation then works on the weighed-out row, or nothing is written
    // and the operator is told plainly; never "stored" without the row.
    void exitWeighingMeetsFinalisationOrDelete_data()
    {
        QTest::addColumn<bool>("finalise");   // false: delete
        for (int n = 1; n <= 4; ++n) {
            QTest::addRow("finalised elsewhere before statement %d", n) << true;
            QTest::addRow("deleted elsewhere before statement %d", n) << false;
        }
    }
    void exitWeighingMeetsFinalisationOrDelete()
    {
        QFETCH(bool, finalise);
        const int n = QByteArray(QTest::currentDataTag()).right(1).toInt();
        RaceApp app;
        app.prompt.setLenient(true);
        const qint64 idm = addPending(app.db, Pending());   // weighed out once already (exit 8000)
        addEntered(app.db, QStringLiteral("8"), QStringLiteral("2"));   // another one, so that a delete is allowed
        Other other(app.db);
        // The checks' register look-ups come before the store's own statements.
        const qint64 before = app.data.statementCount();
        QCOMPARE(WeighingStore(app.ctx, requestOut(idm, "B")).check(exitFields()).result, WeighingOutcome::Done);
        const int lookups = int(app.data.statementCount() - before);
        app.data.beforeStatementRuns(lookups + n, [&] {
            other.runUntilThroughOrWaiting([&](AppContext& ctx, ScriptedPrompt&) {
                if (finalise)
                    Finalisation(ctx).store(otherInput(idm));
                else
                    VehiclesOnSite(ctx).deleteWeighing(idm, QStringLiteral("ABC-123"));
            });
        });
        const WeighingOutcome o = weighOut(app.ctx, idm, QStringLiteral("8500"));
        other.join();
        QVERIFY(!app.data.statementActionPending());
        QVERIFY(!app.data.inTransaction());
        // Started before the lock was taken, the other workstation is through
        // first; started after it, it waits for the exit weighing's COMMIT.
        QCOMPARE(other.waited(), n > 2);
        if (n <= 2) {
            QCOMPARE(o.result, WeighingOutcome::Failed);
            QCOMPARE(o.messages, QStringList {GoneMessage});
            QVERIFY(!o.messages.contains("Hiba: KI-ben, REPLACE-edit a meres-ban "));
            QCOMPARE(app.db.count("meres", QStringLiteral("IDm = %1").arg(idm)), 0);
            // The exit weight was not written anywhere.
            QCOMPARE(app.db.count("vello", "jKimeres = 8500"), 0);
            if (finalise)
                QCOMPARE(app.db.count("vello", "jKimeres = 8000 AND jBszam = '1'"), 1);
        } else {
            QCOMPARE(o.result, WeighingOutcome::Done);
            QVERIFY(o.messages.isEmpty());
            QCOMPARE(o.weighingNumber, QStringLiteral("7"));
            QCOMPARE(app.db.count("meres", QStringLiteral("IDm = %1").arg(idm)), 0);
            // The other workstation worked on the row as weighed out here.
            if (finalise) {
                QCOMPARE(app.db.count("vello", "jKimeres = 8500 AND jBszam = '1'"), 1);
                QCOMPARE(app.db.count("vello", "jKimeres = 8000"), 0);
            } else {
                QVERIFY(other.messages().contains(DeletedMessage));
            }
        }
        QCOMPARE(app.ticketsBroken(), QString());
        QCOMPARE(app.db.count("vello"), finalise ? 2 : 0);
        QCOMPARE(counter(app.db, "J"), finalise ? QStringLiteral("1") : QStringLiteral("0"));
        // The weighing window reads the list again after a store that ended
        // Failed; here the list the operator would see.
        VehiclesOnSite list(app.ctx);
        QVERIFY(list.refresh());
        QCOMPARE(list.list().rowCount(), 1);
    }

    // Two workstations finalise the same weighing, the second started
    // before each statement of the first: one ticket, one number; the
    // other is told the weighing was finalised there, with its number, and
    // never sees "Hiba: mérés vello-be áttétel DELETE törlésekor".
    void secondFinalisationOfOneWeighing_data()
    {
        QTest::addColumn<int>("statement");
        const qint64 total = statementsOf([](RaceApp& a) { addPending(a.db, Pending()); },
                [](RaceApp& a) {
                    Finalisation(a.ctx).store(a.input(a.db.scalar("SELECT MAX(IDm) FROM meres").toLongLong()));
                });
        QVERIFY(total == 15);
        for (int n = 1; n <= total; ++n)
            QTest::addRow("other started before statement %d", n) << n;
    }
    void secondFinalisationOfOneWeighing()
    {
        QFETCH(int, statement);
        RaceApp app;
        app.prompt.setLenient(true, false);
        const qint64 idm = addPending(app.db, Pending());
        app.db.exec("UPDATE sorszam SET sBszam = '41' WHERE sKod = 'J'");
        Other other(app.db);
        FinalisationOutcome otherOutcome;
        app.data.beforeStatementRuns(statement, [&] {
            other.runUntilThroughOrWaiting(
                    [&](AppContext& ctx, ScriptedPrompt&) { otherOutcome = Finalisation(ctx).store(otherInput(idm)); });
        });
        const FinalisationOutcome o = Finalisation(app.ctx).store(app.input(idm));
        other.join();
        QVERIFY(!app.data.inTransaction());
        QCOMPARE(other.waited(), statement > 2);
        const FinalisationOutcome& winner = statement <= 2 ? otherOutcome : o;
        const FinalisationOutcome& loser = statement <= 2 ? o : otherOutcome;
        QCOMPARE(winner.result, FinalisationOutcome::Done);
        QCOMPARE(winner.ticketNumber, QStringLiteral("42"));
        QVERIFY(winner.messages.isEmpty());
        QCOMPARE(loser.result, FinalisationOutcome::Refused);
        QCOMPARE(loser.messages, QStringList {finalisedElsewhere("42")});
        QVERIFY(loser.ticketNumber.isEmpty());
        QCOMPARE(app.db.count("vello"), 2);
        QCOMPARE(app.db.count("vello", "jBszam = '42'"), 2);
        QCOMPARE(counter(app.db, "J"), QStringLiteral("42"));   // no number drawn by the loser
        QCOMPARE(app.db.count("meres"), 0);
        QCOMPARE(app.ticketsBroken(), QString());
    }

    // A finalisation meets a delete of the same weighing: one of them wins
    // and the other is told; the delete that deletes no row says so.
    void deleteMeetsFinalisation_data()
    {
        QTest::addColumn<bool>("deleteFirst");   // which workstation started its action first
        QTest::addColumn<int>("statement");   // of the first one, before which the other starts
        // The finalisation: START, the locked read, the first row insert.
        QTest::newRow("delete before the finalisation's START") << false << 1;
        QTest::newRow("delete before the finalisation's locked read") << false << 2;
        QTest::newRow("delete after the finalisation's lock") << false << 3;
        QTest::newRow("delete before the finalisation's COMMIT") << false << 15;
        // The delete: the pending count, the DELETE.
        QTest::newRow("finalisation between the count and the DELETE") << true << 2;
    }
    void deleteMeetsFinalisation()
    {
        QFETCH(bool, deleteFirst);
        QFETCH(int, statement);
        RaceApp app;
        app.prompt.setLenient(true, true);
        const qint64 idm = addPending(app.db, Pending());
        addEntered(app.db, QStringLiteral("8"), QStringLiteral("2"));
        VehiclesOnSite ops(app.ctx);
        QVERIFY(ops.refresh());
        QCOMPARE(ops.list().rowCount(), 2);
        Other other(app.db);
        FinalisationOutcome finalised;
        VehiclesOnSite::DeleteResult deleted = VehiclesOnSite::DeleteResult::Failed;
        QStringList deleteMessages, finaliseMessages;
        if (deleteFirst) {
            app.data.beforeStatementRuns(statement, [&] {
                other.runUntilThroughOrWaiting([&](AppContext& ctx, ScriptedPrompt&) {
                    finalised = Finalisation(ctx).store(otherInput(idm));
                });
            });
            deleted = ops.deleteWeighing(idm, QStringLiteral("ABC-123"));
            other.join();
            deleteMessages = app.prompt.shownTexts();
            deleteMessages.removeAll(QStringLiteral("Biztosan törli: ABC-123?"));
            finaliseMessages = finalised.messages;
        } else {
            app.data.beforeStatementRuns(statement, [&] {
                other.runUntilThroughOrWaiting([&](AppContext& ctx, ScriptedPrompt&) {
                    deleted = VehiclesOnSite(ctx).deleteWeighing(idm, QStringLiteral("ABC-123"));
                });
            });
            finalised = Finalisation(app.ctx).store(app.input(idm));
            other.join();
            deleteMessages = other.messages();
            deleteMessages.removeAll(QStringLiteral("Biztosan törli: ABC-123?"));
            finaliseMessages = finalised.messages;
        }
        QVERIFY(!app.data.inTransaction());
        const bool deleteWon = !deleteFirst && statement <= 2;
        if (deleteWon) {
            QCOMPARE(int(deleted), int(VehiclesOnSite::DeleteResult::Deleted));
            QCOMPARE(deleteMessages, QStringList {DeletedMessage});
            QCOMPARE(finalised.result, FinalisationOutcome::Refused);
            QCOMPARE(finaliseMessages, QStringList {DeletedElsewhereMessage});
            QCOMPARE(app.db.count("vello"), 0);
            QCOMPARE(counter(app.db, "J"), QStringLiteral("0"));
        } else {
            QCOMPARE(finalised.result, FinalisationOutcome::Done);
            QVERIFY(finaliseMessages.isEmpty());
            QCOMPARE(int(deleted), int(VehiclesOnSite::DeleteResult::Gone));
            QCOMPARE(deleteMessages, QStringList {DeleteGoneMessage});
            QCOMPARE(app.db.count("vello", "jBszam = '1'"), 2);
        }
        QCOMPARE(app.db.count("meres"), 1);
        QCOMPARE(app.ticketsBroken(), QString());
        if (deleteFirst) {
            // The list this workstation shows was read again: the weighing
            // is gone from it.
            QCOMPARE(ops.list().rowCount(), 1);
            QCOMPARE(ops.list().text(QStringLiteral("mBszam")), QStringLiteral("8"));
        }
    }

    // Two workstations delete the last two pending weighings at once, the
    // second started at a chosen statement of the first: one is deleted,
    // the other refused as the last row, whichever order the server takes.
    void lastTwoDeletedAtOnce_data()
    {
        QTest::addColumn<int>("statement");
        // The first's delete: the pending count, START, DELETE, the locked
        // count of what is left, COMMIT.
        QTest::newRow("after the first's unlocked count") << 2;
        QTest::newRow("after the first's DELETE") << 4;
        QTest::newRow("before the first's COMMIT") << 5;
    }
    void lastTwoDeletedAtOnce()
    {
        QFETCH(int, statement);
        RaceApp app;
        app.prompt.setLenient(true, true);
        const qint64 first = addPending(app.db, Pending());
        addEntered(app.db, QStringLiteral("8"), QStringLiteral("2"));
        const qint64 second
                = app.db.scalar(QStringLiteral("SELECT IDm FROM meres WHERE IDm <> %1").arg(first)).toLongLong();
        Other other(app.db);
        VehiclesOnSite::DeleteResult mine = VehiclesOnSite::DeleteResult::Failed;
        VehiclesOnSite::DeleteResult theirs = VehiclesOnSite::DeleteResult::Failed;
        app.data.beforeStatementRuns(statement, [&] {
            other.runUntilThroughOrWaiting([&](AppContext& ctx, ScriptedPrompt&) {
                theirs = VehiclesOnSite(ctx).deleteWeighing(second, QStringLiteral("XYZ-987"));
            });
        });
        mine = VehiclesOnSite(app.ctx).deleteWeighing(first, QStringLiteral("ABC-123"));
        other.join();
        QCOMPARE(app.db.count("meres"), 1);
        const QSet<int> results {int(mine), int(theirs)};
        QCOMPARE(results,
                (QSet<int> {int(VehiclesOnSite::DeleteResult::Deleted), int(VehiclesOnSite::DeleteResult::LastRow)}));
        const QStringList told = app.prompt.shownTexts() + other.messages();
        QVERIFY(told.contains(QStringLiteral("Egy sornak maradni kell, nem törölhető ki.")));
        QVERIFY(!app.data.inTransaction());
    }

    // A list row read as id 0 (after a reconnect) deletes nothing and says
    // so, never "A mérés törlölve!".
    void deleteOfNothingSaysNotFound()
    {
        RaceApp app;
        addPending(app.db, Pending());
        addEntered(app.db, QStringLiteral("8"), QStringLiteral("2"));
        app.prompt.expectConfirm(QStringLiteral("Biztosan törli: ABC-123?"), true);
        app.prompt.expectMessage(DeleteGoneMessage);
        QCOMPARE(int(VehiclesOnSite(app.ctx).deleteWeighing(0, QStringLiteral("ABC-123"))),
                int(VehiclesOnSite::DeleteResult::Gone));
        QCOMPARE(app.db.count("meres"), 2);
        QCOMPARE(app.data.ZQ10.rowCount(), 2);   // the list read again
        app.verifyScriptsDone();
    }

    // A lock conflict at any statement of the IN store, the OUT store or
    // the finalisation: the statement's attempt stops there (nothing more of
    // it is sent but its ROLLBACK), the whole transaction runs again from
    // "START TRANSACTION", nothing is shown, and one number is used.
    void lockConflictAtEveryStatementTriedAgain_data()
    {
        QTest::addColumn<int>("operation");   // 0 IN store, 1 OUT store, 2 finalisation intake, 3 finalisation dispatch
        QTest::addColumn<int>("code");
        const char* names[] = {"IN store", "OUT store", "finalisation, intake", "finalisation, dispatch"};
        for (int op = 0; op < 4; ++op) {
            QTest::addRow("%s, deadlock", names[op]) << op << 1213;
            QTest::addRow("%s, lock wait", names[op]) << op << 1205;
        }
    }
    void lockConflictAtEveryStatementTriedAgain()
    {
        QFETCH(int, operation);
        QFETCH(int, code);
        auto prepare = [operation](RaceApp& a) { return prepareOperation(a, operation); };
        auto run = [operation](RaceApp& a, qint64 idm) { return runOperation(a, operation, idm); };
        RaceApp clean;
        clean.prompt.setLenient(true, false);
        const qint64 cleanId = prepare(clean);
        // The stores' register look-ups are plain reads before their
        // transaction (no lock to conflict on); the walk starts after them.
        const qint64 checkStart = clean.data.statementCount();
        if (operation == 0)
            WeighingStore(clean.ctx, requestIn("B")).check(loadedFields());
        else if (operation == 1)
            WeighingStore(clean.ctx, requestOut(cleanId, "B")).check(exitFields());
        const int lookups = int(clean.data.statementCount() - checkStart);
        const qint64 start = clean.data.statementCount();
        QVERIFY(run(clean, cleanId).done());
        const int total = int(clean.data.statementCount() - start);
        const QString after = clean.snapshot();
        QVERIFY(total >= 4);

        for (int n = lookups + 1; n <= total; ++n) {
            const QString where = QStringLiteral("conflict at statement %1 of %2").arg(n).arg(total);
            RaceApp app;
            app.prompt.setLenient(true, false);
            const qint64 idm = prepare(app);
            const qint64 before = app.data.statementCount();
            app.data.failStatement(n, code);
            const Outcome o = run(app, idm);
            QVERIFY2(!app.data.statementFailurePending(), qPrintable(where));
            QVERIFY2(o.done(), qPrintable(where + QStringLiteral(": ") + o.messages.join("; ")));
            QVERIFY2(app.prompt.shown().isEmpty(), qPrintable(where));
            QVERIFY2(!app.data.inTransaction(), qPrintable(where));
            // The failed attempt: n statements and its ROLLBACK (none when
            // its START failed); then the whole clean run but its look-ups.
            QCOMPARE(app.data.statementCount() - before, qint64(n + (n > lookups + 1 ? 1 : 0) + total - lookups));
            QCOMPARE(app.snapshot(), after);   // one number, all of it written once
            QCOMPARE(app.ticketsBroken(), QString());
        }
    }

    // The server ends the transaction under the operation between two of
    // its statements and goes on answering (as a cluster node does when
    // another node's write wins): here a ROLLBACK sent on the same
    // connection behind the data module's back. The next statement must not
    // run on its own: the attempt stops there as a lock conflict, its COMMIT
    // is never sent, and the whole transaction runs again. Once: it goes
    // through, written once, one number. On every attempt: the operation's
    // message when the budget is spent, nothing written, no number used.
    void transactionEndedUnderTheOperation_data()
    {
        QTest::addColumn<int>("operation");   // as lockConflictAtEveryStatementTriedAgain
        QTest::addColumn<bool>("everyAttempt");
        const char* names[] = {"IN store", "OUT store", "finalisation, intake", "finalisation, dispatch"};
        for (int op = 0; op < 4; ++op) {
            QTest::addRow("%s, once", names[op]) << op << false;
            QTest::addRow("%s, every attempt", names[op]) << op << true;
        }
    }
    void transactionEndedUnderTheOperation()
    {
        QFETCH(int, operation);
        QFETCH(bool, everyAttempt);
        RaceApp clean;
        clean.prompt.setLenient(true, false);
        const qint64 cleanId = prepareOperation(clean, operation);
        const qint64 checkStart = clean.data.statementCount();
        if (operation == 0)
            WeighingStore(clean.ctx, requestIn("B")).check(loadedFields());
        else if (operation == 1)
            WeighingStore(clean.ctx, requestOut(cleanId, "B")).check(exitFields());
        const int lookups = int(clean.data.statementCount() - checkStart);
        const qint64 start = clean.data.statementCount();
        QVERIFY(runOperation(clean, operation, cleanId).done());
        const int total = int(clean.data.statementCount() - start);
        const QString after = clean.snapshot();

        // From the statement after "START TRANSACTION" to the COMMIT.
        for (int n = lookups + 2; n <= total; ++n) {
            const QString where = QStringLiteral("transaction ended before statement %1 of %2").arg(n).arg(total);
            RaceApp app;
            app.prompt.setLenient(true, false);
            const qint64 idm = prepareOperation(app, operation);
            const QString before = app.snapshot();
            BudgetClock budget(app.data);
            int ended = 0;
            std::function<void()> end = [&] {
                ++ended;
                QSqlQuery q(app.data.database());
                QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
                QVERIFY(!app.data.serverInTransaction());
                if (everyAttempt)   // again in the next attempt: its ROLLBACK, then up to this statement
                    app.data.beforeStatementRuns(n - lookups + 1, end);
            };
            app.data.beforeStatementRuns(n, end);
            const qint64 gone = app.data.transactionsFoundGone();
            const Outcome o = runOperation(app, operation, idm);
            app.data.clearStatementAction();
            QVERIFY2(!app.data.inTransaction(), qPrintable(where));
            QCOMPARE(app.data.transactionsFoundGone() - gone, qint64(ended));
            if (everyAttempt) {
                QVERIFY2(!o.done(), qPrintable(where));
                QVERIFY2(!o.messages.isEmpty(), qPrintable(where));
                budget.checkSpent(ended);
                QCOMPARE(app.snapshot(), before);
            } else {
                QCOMPARE(ended, 1);
                QVERIFY2(o.done(), qPrintable(where + QStringLiteral(": ") + o.messages.join("; ")));
                QVERIFY2(app.prompt.shown().isEmpty(), qPrintable(where));
                QCOMPARE(budget.pauses.size(), 1);
                QCOMPARE(app.snapshot(), after);
            }
            QCOMPARE(app.ticketsBroken(), QString());
        }
    }

    // A lock conflict on every attempt: the operation tries again, each time
    // after a pause within the limits of the data module's budget, and shows
    // its own message only once the budget is spent; nothing written, no
    // number used. The budget's clock is the test's: only the pauses move it.
    void lockConflictOnEveryAttemptEndsWithItsMessage_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("statement");   // the statement of each attempt that meets the conflict
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("outside");   // statements before the transaction (run once, not again)
        // The IN store's two register look-ups come before its transaction;
        // the OUT store's look-ups too. The COMMIT is the last statement.
        const int inLookups = int(statementsOf(
                [](RaceApp&) {}, [](RaceApp& a) { WeighingStore(a.ctx, requestIn("B")).check(loadedFields()); }));
        const qint64 inTotal = statementsOf(
                [](RaceApp&) {}, [](RaceApp& a) { WeighingStore(a.ctx, requestIn("B")).ok(loadedFields(), At); });
        const qint64 outLookups = statementsOf([](RaceApp& a) { addEntered(a.db); },
                [](RaceApp& a) {
                    WeighingStore(a.ctx, requestOut(a.db.scalar("SELECT MAX(IDm) FROM meres").toLongLong(), "B"))
                            .check(exitFields());
                });
        QTest::newRow("IN store, counter read")
                << 0 << inLookups + 2 << QStringList {"Hiba az append vagy edit közben az meres-ban!"} << inLookups;
        QTest::newRow("IN store, INSERT")
                << 0 << inLookups + 3 << QStringList {"Hiba: Újban, INSERT-append a meres-ben "} << inLookups;
        QTest::newRow("IN store, counter store")
                << 0 << inLookups + 4
                << QStringList {"Hiba: Az UPDATE Sorszam -ba ", "Hiba: Újban, INSERT-append a meres-ben "} << inLookups;
        QTest::newRow("IN store, COMMIT")
                << 0 << int(inTotal) << QStringList {"Hiba: Újban, INSERT-append a meres-ben "} << inLookups;
        QTest::newRow("OUT store, locked read")
                << 1 << int(outLookups) + 2 << QStringList {"Hiba: KI-ben, REPLACE-edit a meres-ban "}
                << int(outLookups);
        QTest::newRow("OUT store, UPDATE")
                << 1 << int(outLookups) + 3 << QStringList {"Hiba: KI-ben, REPLACE-edit a meres-ban "}
                << int(outLookups);
        QTest::newRow("finalisation, locked read")
                << 2 << 2 << QStringList {"Hiba az insert \"BE\" közben az vello -ben!"} << 0;
        QTest::newRow("finalisation, counter read")
                << 2 << 11 << QStringList {"Hiba: a \"J\" sorszám nem olvasható!"} << 0;
        QTest::newRow("finalisation, counter store")
                << 2 << 12 << QStringList {"Hiba: Az UPDATE \"J\" Sorszam -ban "} << 0;
        QTest::newRow("finalisation, DELETE")
                << 2 << 10 << QStringList {"Hiba: mérés vello-be áttétel DELETE törlésekor"} << 0;
        QTest::newRow("finalisation, COMMIT") << 2 << 15 << QStringList {"Hiba: Az INSERT-append a vello -ben "} << 0;
    }
    void lockConflictOnEveryAttemptEndsWithItsMessage()
    {
        QFETCH(int, operation);
        QFETCH(int, statement);
        QFETCH(QStringList, messages);
        QFETCH(int, outside);
        RaceApp app;
        app.prompt.setLenient(true, false);
        qint64 idm = 0;
        if (operation == 1)
            idm = addEntered(app.db);
        else if (operation == 2)
            idm = addPending(app.db, Pending());
        const QString before = app.snapshot();
        // Statement `statement` of every attempt fails: armed before it, and
        // again for the next attempt (its ROLLBACK, then the attempt's
        // statements up to that one; the look-ups before the transaction
        // are not run again).
        int attempts = 0;
        std::function<void()> conflict = [&] {
            ++attempts;
            app.data.failStatement(1, 1213);
            app.data.beforeStatementRuns(statement - outside + 1, conflict);
        };
        app.data.beforeStatementRuns(statement, conflict);
        BudgetClock budget(app.data);
        Outcome o;
        if (operation == 0)
            o = WeighingStore(app.ctx, requestIn("B")).ok(loadedFields(), At);
        else if (operation == 1)
            o = weighOut(app.ctx, idm);
        else
            o = Finalisation(app.ctx).store(app.input(idm));
        app.data.clearStatementAction();
        budget.checkSpent(attempts);
        QVERIFY(!o.done());
        QCOMPARE(o.messages, messages);
        QCOMPARE(app.prompt.shownTexts(), messages);
        QVERIFY(!app.data.inTransaction());
        QCOMPARE(app.snapshot(), before);
    }

    // A real lock conflict between two finalisations of two weighings: the
    // other workstation holds the "J" counter (its finalisation stands at
    // its COMMIT); this one, set not to wait, meets 1205 at its counter
    // read, rolls back, and tries again once the other has committed. Two
    // tickets, two numbers, and the number printed here is the one its
    // COMMIT stored. Up to its counter read this one holds nothing the
    // other needs (its rows, nets and DELETE lock only its own rows), so
    // the other never waits: the counter row is the one place where two
    // finalisations meet.
    void finalisationTriedAgainAfterTheOtherCommits_data()
    {
        QTest::addColumn<QString>("movement");
        QTest::addColumn<int>("counterRead");   // its statement number
        QTest::addColumn<int>("commit");
        // An intake's nets are four statements (crop and net of each row),
        // a dispatch's one.
        QTest::newRow("intake") << QStringLiteral("B") << 11 << 15;
        QTest::newRow("dispatch") << QStringLiteral("K") << 8 << 12;
    }
    void finalisationTriedAgainAfterTheOtherCommits()
    {
        QFETCH(QString, movement);
        QFETCH(int, counterRead);
        QFETCH(int, commit);
        RaceApp app;
        app.prompt.setLenient(false);
        Pending mineP;
        mineP.movement = movement;
        if (movement == QLatin1String("K"))
            std::swap(mineP.in1, mineP.out1);   // empty in, loaded out
        const qint64 mine = addPending(app.db, mineP);
        Pending p = mineP;
        p.number = "8";
        p.plate = "2";
        const qint64 theirs = addPending(app.db, p);
        {
            QSqlQuery q(app.data.database());
            QVERIFY(q.exec(QStringLiteral("SET SESSION innodb_lock_wait_timeout = 0")));
        }
        std::atomic<bool> holding {false}, go {false};
        Other other(app.db);
        FinalisationOutcome otherOutcome;
        // This workstation: START, the locked read, the look-up, two rows,
        // their nets, the DELETE, then the counter read.
        app.data.beforeStatementRuns(counterRead, [&] {
            other.start([&](AppContext& ctx, ScriptedPrompt&) {
                ctx.data.beforeStatementRuns(commit, [&] {   // the other's COMMIT
                    holding = true;
                    while (!go)
                        QThread::yieldCurrentThread();
                });
                otherOutcome = Finalisation(ctx).store(otherInput(theirs, "8"));
            });
            other.untilThroughWaitingOr([&] { return bool(holding); });
            QVERIFY(!other.waited());
            // The counter read fails at once; before the ROLLBACK that
            // follows, the other workstation commits.
            app.data.beforeStatementRuns(1, [&] {
                go = true;
                other.join();
            });
        });
        app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
        if (movement == QLatin1String("K"))
            app.prompt.expectConfirm(QStringLiteral("Szállítólevél nyomtatása ?"), false);
        const qint64 start = app.data.statementCount();
        const FinalisationOutcome o = Finalisation(app.ctx).run(app.input(mine));
        QVERIFY(holding);
        QCOMPARE(otherOutcome.result, FinalisationOutcome::Done);
        QCOMPARE(otherOutcome.ticketNumber, QStringLiteral("1"));
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QCOMPARE(o.ticketNumber, QStringLiteral("2"));
        QVERIFY(app.data.statementCount() - start
                > commit + counterRead);   // the first attempt went up to its counter read
        QCOMPARE(app.db.count("vello", "jBszam = '1' AND jMbszam = '8'"), 2);
        QCOMPARE(app.db.count("vello", "jBszam = '2' AND jMbszam = '7'"), 2);
        QCOMPARE(counter(app.db, "J"), QStringLiteral("2"));
        QCOMPARE(app.ticketsBroken(), QString());
        QCOMPARE(app.preview.shown().size(), 1);
        QVERIFY(app.preview.last().pages[0].texts().contains("Bizonylatszám: J 2"));
        app.verifyScriptsDone();
    }

    // A cluster node may end a transaction under the operation (another
    // node's conflicting commit) and go on answering. Here the transaction
    // is ended by hand between the net updates: the next statement finds it
    // gone (the server's status flag), so nothing runs on its own; the
    // finalisation runs again as a whole and stands once, with one number.
    // (The guarded delete of the pending weighing stays as a second line.)
    void transactionEndedUnderTheFinalisation()
    {
        RaceApp app;
        app.prompt.setLenient(true, false);
        const qint64 idm = addPending(app.db, Pending());
        app.data.beforeStatementRuns(12, [&app] {   // the first row's net is stored
            QSqlQuery end(app.data.database());
            QVERIFY(end.exec(QStringLiteral("ROLLBACK")));
        });
        const qint64 gone = app.data.transactionsFoundGone();
        const FinalisationOutcome o = Finalisation(app.ctx).store(app.input(idm));
        QVERIFY(!app.data.statementActionPending());
        QCOMPARE(app.data.transactionsFoundGone() - gone, qint64(1));
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QCOMPARE(o.ticketNumber, QStringLiteral("1"));
        QVERIFY(app.prompt.shown().isEmpty());
        QCOMPARE(app.db.count("meres", QStringLiteral("IDm = %1").arg(idm)), 0);
        QCOMPARE(app.db.count("vello"), 2);
        QCOMPARE(counter(app.db, "J"), QStringLiteral("1"));
        QCOMPARE(app.ticketsBroken(), QString());
    }

    // Two IN stores at the same moment: the second meets the first's lock
    // on the "M" counter, waits, and gets the next number; never one number
    // twice.
    void twoEntryWeighingsGetTwoNumbers_data()
    {
        QTest::addColumn<int>("statement");
        for (int n = 1; n <= 7; ++n)
            QTest::addRow("other started before statement %d", n) << n;
    }
    void twoEntryWeighingsGetTwoNumbers()
    {
        QFETCH(int, statement);
        RaceApp app;
        Other other(app.db);
        WeighingOutcome otherOutcome;
        app.data.beforeStatementRuns(statement, [&] {
            other.runUntilThroughOrWaiting([&](AppContext& ctx, ScriptedPrompt&) {
                WeighingFields f = loadedFields();
                f.plateCode = "2";
                otherOutcome = WeighingStore(ctx, requestIn("B", false, false, "2")).ok(f, At);
            });
        });
        const WeighingOutcome o = WeighingStore(app.ctx, requestIn("B")).ok(loadedFields(), At);
        other.join();
        // The two register look-ups, START, then the locked counter read.
        QCOMPARE(other.waited(), statement > 4);
        QVERIFY(o.done());
        QVERIFY(otherOutcome.done());
        QCOMPARE(QSet<QString>({o.weighingNumber, otherOutcome.weighingNumber}), QSet<QString>({"1", "2"}));
        QCOMPARE(app.db.count("meres"), 2);
        QCOMPARE(app.db.count("meres", QStringLiteral("mBszam = '%1' AND mRkod = '1'").arg(o.weighingNumber)), 1);
        QCOMPARE(counter(app.db, "M"), QStringLiteral("2"));
        app.verifyScriptsDone();
    }

    // The connection drops after the server applied each statement of the
    // IN store, the OUT store and the finalisation in turn. A read before the
    // transaction: it is sent once more on a new connection and the
    // operation goes through as in a clean run, saying nothing. Inside the
    // transaction, before the COMMIT: the server rolled the transaction back;
    // the operation says it failed and nothing is written. At the COMMIT: it
    // looks after reconnecting, finds it committed, says so, and goes on as
    // stored.
    void lostReplyAtEveryStatementToldTruly_data()
    {
        QTest::addColumn<int>(
                "operation");   // 0 IN store, 1 OUT store, 2 finalisation intake, 3 dispatch, 4 IN single weighing
        QTest::newRow("IN store") << 0;
        QTest::newRow("IN store, single weighing") << 4;
        QTest::newRow("OUT store") << 1;
        QTest::newRow("finalisation, intake") << 2;
        QTest::newRow("finalisation, dispatch") << 3;
    }
    void lostReplyAtEveryStatementToldTruly()
    {
        QFETCH(int, operation);
        auto prepare = [operation](RaceApp& a) { return prepareOperation(a, operation); };
        auto run = [operation](RaceApp& a, qint64 idm) { return runOperation(a, operation, idm); };
        const QStringList committed = {
                QStringLiteral("A mérés tárolva, a sorszáma 1. A lezárás (COMMIT) után megszakadt a kapcsolat az "
                               "adatbázissal, de az újracsatlakozás utáni ellenőrzés szerint a mérés tárolódott."),
                QStringLiteral(
                        "A kimenő mérés tárolva. A lezárás (COMMIT) után megszakadt a kapcsolat az adatbázissal, de "
                        "az újracsatlakozás utáni ellenőrzés szerint a kimenő mérés tárolódott."),
                QStringLiteral(
                        "A mérlegjegy elkészült, a száma 1. A lezárás (COMMIT) után megszakadt a kapcsolat az "
                        "adatbázissal, de az újracsatlakozás utáni ellenőrzés szerint a véglegesítés megtörtént.")};
        const QString committedMessage = committed[operation == 4 ? 0 : qMin(operation, 2)];

        RaceApp clean;
        clean.prompt.setLenient(true, false);
        const qint64 cleanId = prepare(clean);
        const QString untouched = clean.snapshot();
        const qint64 start = clean.data.statementCount();
        QVERIFY(run(clean, cleanId).done());
        const int total = int(clean.data.statementCount() - start);
        const QString after = clean.snapshot();

        auto fresh = std::make_unique<RaceApp>();
        fresh->prompt.setLenient(true, false);
        qint64 idm = prepare(*fresh);
        int readsRetried = 0;
        for (int n = 1; n <= total; ++n) {
            RaceApp& app = *fresh;
            const QString where = QStringLiteral("reply lost after statement %1 of %2").arg(n).arg(total);
            app.prompt.clear();
            app.data.dropAfterStatement(n);
            const Outcome o = run(app, idm);
            QVERIFY2(!app.data.statementDropPending(), qPrintable(where));
            QVERIFY2(!app.data.inTransaction(), qPrintable(where));
            const QStringList shown = app.prompt.shownTexts();
            if (n < total && o.done()) {
                // A read outside the transaction, sent again: as a clean run.
                QVERIFY2(shown.isEmpty(), qPrintable(where + ": " + shown.join("; ")));
                QVERIFY2(app.snapshot() == after, qPrintable(where));
                ++readsRetried;
                fresh = std::make_unique<RaceApp>();
                fresh->prompt.setLenient(true, false);
                idm = prepare(*fresh);
                continue;
            }
            if (n < total) {
                QVERIFY2(!o.done(), qPrintable(where));
                QVERIFY2(!shown.isEmpty(), qPrintable(where));
                for (const QString& m : shown)   // the counter store's message may come before the store's
                    QVERIFY2(m.startsWith(QLatin1String("Hiba")), qPrintable(where + ": " + m));
                QVERIFY2(app.snapshot() == untouched, qPrintable(where));
                continue;
            }
            // The last statement is the COMMIT.
            QVERIFY2(o.done(), qPrintable(where + ": " + shown.join("; ")));
            QCOMPARE(shown, QStringList {committedMessage});
            QCOMPARE(app.snapshot(), after);
        }
        QCOMPARE(fresh->ticketsBroken(), QString());
        QVERIFY(readsRetried < total);
    }

    // The COMMIT's reply lost: committed, not committed (the connection
    // went before the COMMIT reached the server), or the look itself
    // impossible; each operation tells exactly what it found.
    void lostCommitReply_data()
    {
        QTest::addColumn<int>("operation");   // 0 IN store, 1 OUT store, 2 finalisation
        QTest::addColumn<int>("how");   // 0 applied, 1 killed before the COMMIT, 2 applied and cannot look
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("done");
        QTest::newRow("IN, not committed")
                << 0 << 1
                << "Hiba: Megszakadt a kapcsolat az adatbázissal a mérés tárolásakor (COMMIT). Az újracsatlakozás utáni "
                   "ellenőrzés szerint a mérés nem tárolódott, sorszám nem fogyott el; a mérés újra rögzíthető."
                << false;
        QTest::newRow("IN, cannot look")
                << 0 << 2
                << "Hiba: Megszakadt a kapcsolat az adatbázissal a mérés tárolásakor (COMMIT), és nem állapítható meg, hogy a "
                   "mérés tárolódott-e. Nézze meg a bent lévő járművek listáját, mielőtt újra rögzíti."
                << false;
        QTest::newRow("OUT, not committed")
                << 1 << 1
                << "Hiba: Megszakadt a kapcsolat az adatbázissal a kimenő mérés tárolásakor (COMMIT). Az újracsatlakozás "
                   "utáni ellenőrzés szerint a kimenő mérés nem tárolódott; a kimenő mérés újra rögzíthető."
                << false;
        QTest::newRow("OUT, cannot look")
                << 1 << 2
                << "Hiba: Megszakadt a kapcsolat az adatbázissal a kimenő mérés tárolásakor (COMMIT), és nem állapítható meg, "
                   "hogy a kimenő mérés tárolódott-e. Nézze meg a bent lévő járművek listáját, mielőtt újra rögzíti."
                << false;
        QTest::newRow("finalisation, not committed")
                << 2 << 1
                << "Hiba: Megszakadt a kapcsolat az adatbázissal a véglegesítés lezárásakor (COMMIT). Az újracsatlakozás "
                   "utáni ellenőrzés szerint a véglegesítés nem történt meg: mérlegjegy nem készült, a mérés a bent lévők "
                   "között maradt, újra véglegesíthető."
                << false;
        QTest::newRow("finalisation, cannot look")
                << 2 << 2
                << "Hiba: Megszakadt a kapcsolat az adatbázissal a véglegesítés lezárásakor (COMMIT), és nem állapítható meg, "
                   "hogy a véglegesítés megtörtént-e. Nézze meg a mérlegjegyek között és a bent lévők listáján, mielőtt újra "
                   "véglegesíti."
                << false;
    }
    void lostCommitReply()
    {
        QFETCH(int, operation);
        QFETCH(int, how);
        QFETCH(QString, message);
        QFETCH(bool, done);
        RaceApp app;
        qint64 idm = 0;
        if (operation == 1)
            idm = addEntered(app.db);
        else if (operation == 2)
            idm = addPending(app.db, Pending());
        const QString before = app.snapshot();
        // The COMMIT is the last statement of a clean run.
        const int commit = int(statementsOf([operation](RaceApp& a) { prepareOperation(a, operation); },
                [operation](RaceApp& a) {
                    const qint64 id = a.db.scalar("SELECT COALESCE(MAX(IDm), 0) FROM meres").toLongLong();
                    runOperation(a, operation, id);
                }));
        if (how == 1) {
            QSqlQuery id(app.data.database());
            QVERIFY(id.exec(QStringLiteral("SELECT CONNECTION_ID()")) && id.next());
            const qint64 own = id.value(0).toLongLong();
            app.data.beforeStatementRuns(
                    commit, [&app, own] { app.db.exec(QStringLiteral("KILL CONNECTION %1").arg(own)); });
        } else {
            app.data.dropAfterStatement(commit);
        }
        if (how == 2) {
            // After the ROLLBACK: the look, and the read rule's second try
            // of it, both find the server gone.
            app.data.failStatement(commit + 2, 2013);
            app.data.beforeStatementRuns(commit + 3, [&app] { app.data.failStatement(1, 2013); });
        }
        app.prompt.expectMessage(message);
        Outcome o;
        if (operation == 0)
            o = WeighingStore(app.ctx, requestIn("B")).ok(loadedFields(), At);
        else if (operation == 1)
            o = weighOut(app.ctx, idm);
        else
            o = Finalisation(app.ctx).store(app.input(idm));
        QCOMPARE(o.done(), done);
        QCOMPARE(o.messages, QStringList {message});
        QVERIFY(!app.data.statementDropPending());
        QVERIFY(!app.data.statementFailurePending());
        QVERIFY(!app.data.statementActionPending());
        QVERIFY(!app.data.inTransaction());
        if (how == 1)
            QCOMPARE(app.snapshot(), before);
        else
            QVERIFY(app.snapshot() != before);   // it did commit; the operator was told it is not known
        app.verifyScriptsDone();
    }

    // The finalisation whose COMMIT reply was lost but which committed goes
    // on to print the ticket with the number it stored.
    void lostCommitReplyStillPrintsTheTicket()
    {
        RaceApp app;
        const qint64 idm = addPending(app.db, Pending());
        app.db.exec("UPDATE sorszam SET sBszam = '41' WHERE sKod = 'J'");
        app.data.dropAfterStatement(15);   // the COMMIT
        app.prompt.expectMessage(QStringLiteral(
                "A mérlegjegy elkészült, a száma 42. A lezárás (COMMIT) után megszakadt a kapcsolat az adatbázissal, de az "
                "újracsatlakozás utáni ellenőrzés szerint a véglegesítés megtörtént."));
        app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
        const FinalisationOutcome o = Finalisation(app.ctx).run(app.input(idm));
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QCOMPARE(o.ticketNumber, QStringLiteral("42"));
        QVERIFY(o.ticketPrinted);
        QVERIFY(app.preview.last().pages[0].texts().contains("Bizonylatszám: J 42"));
        QCOMPARE(app.db.count("vello", "jBszam = '42'"), 2);
        QCOMPARE(app.db.count("meres"), 0);
        app.verifyScriptsDone();
    }
};

QTEST_GUILESS_MAIN(TestWeighingRaces)
#include "test_weighing_races.moc"
