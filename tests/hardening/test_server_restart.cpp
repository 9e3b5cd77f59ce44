// The database server restarted in the middle of work. The server of this
// program is stopped and started again between two statements of the IN
// store, the OUT store, the finalisation, the delivery-note number and the
// archiving run. Each time the operation shows its message, leaves nothing
// half-written and uses up no number, and the next operation reconnects and
// goes through. The test restarts at a few statements of each operation (the
// first, one in the middle, the last); bench_server_restart, built from the
// same source, restarts before every statement of each. After a restart the
// scale is never blamed for the database: the next weighing window reads the
// site row's port again.
#include "privateserver.h"
#include "testapp.h"
#include "weighingfixture.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "periodclose/archiving.h"
#include "scale/portsetting.h"
#include "scale/pseudoterminal.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "weighing/vehiclesonsite.h"
#include "weighing/finalisation.h"
#include "weighing/ticketprint.h"
#include "weighing/weighingstore.h"
#include "weighing/weighingstate.h"
#include "weighing/weighingwindows.h"

#include <QLineEdit>
#include <QToolButton>

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <functional>
#include <memory>

using namespace WeighingFixture;

namespace {

#ifdef VELLO_RESTART_FULL_WALK
constexpr bool FullWalk = true;
#else
constexpr bool FullWalk = false;
#endif

const QDateTime At(QDate(2024, 3, 5), QTime(7, 10, 0));
const QDate Today(2024, 3, 5);

WeighingFields inFields()
{
    return WeighingFixture::loadedFields();
}

// The exit weighing as the window shows the pending weighing of inFields():
// its purity and moisture, the weight typed.
WeighingFields outFields(int weight)
{
    WeighingFields f;
    f.weight1 = QString::number(weight);
    f.scale1 = QString::number(weight);
    f.purity = WeighingFixture::loadedFields().purity;
    f.moisture = WeighingFixture::loadedFields().moisture;
    return f;
}

// One writing operation as the walk runs it.
struct Operation {
    std::function<void()> prepare;   // before every attempt (no restart meanwhile)
    std::function<bool()> attempt;   // true: it went through
};

}   // namespace

class TestServerRestart : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void inStore_data();
    void inStore();
    void outStore();
    void finalisation();
    void deliveryNote();
    void archiving();
    void restartBeforeRollback_data();
    void restartBeforeRollback();
    void serverDownForAWhile();
    void lostRollbackEndsTheTransaction();
    void scalePortAfterRestart();
    void openListAfterRestart();
    void cleanup();
    void cleanupTestCase();

private:
    Operation inStoreOp(bool single);
    Operation finalisationOp();
    Operation deliveryNoteOp();
    Operation archivingOp();
    void walk(const Operation& op);
    void restartServer(PrivateServer::Down how);
    void reopenAdmin();
    QString invariantsBroken();
    QStringList snapshot();
    QStringList rows(const QString& sql);
    qint64 number(const QString& sql);
    void makeWeighedOut();
    void makeTicket();

    PrivateServer m_server;
    std::unique_ptr<TestApp> m_app;
    int m_restarts = 0;
    qint64 m_restartMs = 0;
    int m_outWeight = 8000;
    qint64 m_lastNote = 0;
    FinalisedTicket m_ticket;
    qint64 m_finalising = 0;   // IDm of the weighing the finalisation works on
};

void TestServerRestart::initTestCase()
{
    QVERIFY2(m_server.start(true), qPrintable(m_server.lastOutput()));
    // TestDb and the data module connect to this server, not the shared one.
    qputenv("VELLO_TEST_SOCKET", m_server.socket().toLocal8Bit());
    m_app = std::make_unique<TestApp>();
    seedRegisters(m_app->db);
    m_app->prompt.setLenient(true);
}

void TestServerRestart::cleanupTestCase()
{
    m_app.reset();
    m_server.stop(true);
    if (m_restarts > 0)
        qInfo("server restarts: %d, %.1f s in all, %.2f s each", m_restarts, m_restartMs / 1000.0,
                m_restartMs / 1000.0 / m_restarts);
}

// A failed case leaves no hook behind for the next.
void TestServerRestart::cleanup()
{
    m_app->data.clearStatementFailure();
    m_app->data.clearStatementAction();
}

void TestServerRestart::restartServer(PrivateServer::Down how)
{
    QElapsedTimer clock;
    clock.start();
    const bool ok = m_server.restart(how);
    m_restartMs += clock.elapsed();
    ++m_restarts;
    QVERIFY2(ok, qPrintable(m_server.lastOutput()));
    reopenAdmin();
}

// The fixture's own connection goes with the server as well.
void TestServerRestart::reopenAdmin()
{
    QSqlDatabase admin = m_app->db.admin();
    admin.close();
    QVERIFY2(admin.open(), qPrintable(admin.lastError().text()));
    QSqlQuery use(admin);
    QVERIFY(use.exec(QStringLiteral("USE `%1`").arg(m_app->db.name())));
}

QStringList TestServerRestart::rows(const QString& sql)
{
    QSqlQuery q(m_app->db.admin());
    if (!q.exec(sql))
        return {QStringLiteral("failed: ") + q.lastError().text()};
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

qint64 TestServerRestart::number(const QString& sql)
{
    return m_app->db.scalar(sql).toLongLong();
}

// Everything a writing operation may change.
QStringList TestServerRestart::snapshot()
{
    QStringList all;
    for (const char* table : {"meres", "vello", "archiv", "munka", "sorszam"})
        all << QString::fromLatin1(table) + QStringLiteral(":")
            << rows(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(QLatin1String(table)));
    return all;
}

// What must hold after every operation, whether it went through or not.
// Returns the first that does not (empty: all hold).
QString TestServerRestart::invariantsBroken()
{
    const auto counter = [this](const char* kind) {
        return number(QStringLiteral("SELECT CAST(sBszam AS UNSIGNED) FROM sorszam WHERE sKod = '%1'")
                              .arg(QLatin1String(kind)));
    };
    const qint64 highestWeighing
            = number(QStringLiteral("SELECT COALESCE(MAX(n), 0) FROM (SELECT CAST(mBszam AS UNSIGNED) AS n FROM meres "
                                    "UNION ALL SELECT CAST(jMbszam AS UNSIGNED) FROM vello WHERE jMbszam <> '' "
                                    "UNION ALL SELECT CAST(jMbszam AS UNSIGNED) FROM archiv WHERE jMbszam <> '') x"));
    if (counter("M") < highestWeighing)
        return QStringLiteral("counter M %1 behind weighing number %2").arg(counter("M")).arg(highestWeighing);
    const qint64 highestTicket = number(QStringLiteral(
            "SELECT COALESCE(MAX(n), 0) FROM (SELECT CAST(jBszam AS UNSIGNED) AS n FROM vello WHERE jMbszam <> '' "
            "UNION ALL SELECT CAST(jBszam AS UNSIGNED) FROM archiv WHERE jMbszam <> '') x"));
    if (counter("J") < highestTicket)
        return QStringLiteral("counter J %1 behind ticket number %2").arg(counter("J")).arg(highestTicket);
    const qint64 highestSummary = number(QStringLiteral(
            "SELECT COALESCE(MAX(CAST(jBszam AS UNSIGNED)), 0) FROM vello WHERE COALESCE(jMbszam, '') = '' "
            "AND COALESCE(jBszam, '') <> ''"));
    if (counter("K") < highestSummary)
        return QStringLiteral("counter K %1 behind summary number %2").arg(counter("K")).arg(highestSummary);
    if (counter("S") != m_lastNote)
        return QStringLiteral("counter S %1, last delivery note %2").arg(counter("S")).arg(m_lastNote);
    if (number(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT mBszam) FROM meres")) != 0)
        return QStringLiteral("a weighing number on two pending weighings");
    if (number(QStringLiteral("SELECT COUNT(*) FROM meres JOIN vello ON vello.jMbszam = meres.mBszam")) != 0
            || number(QStringLiteral("SELECT COUNT(*) FROM meres JOIN archiv ON archiv.jMbszam = meres.mBszam")) != 0)
        return QStringLiteral("a weighing both pending and a ticket");
    if (number(QStringLiteral("SELECT COUNT(*) FROM (SELECT jMbszam FROM vello WHERE jMbszam <> '' GROUP BY jMbszam "
                              "HAVING COUNT(*) <> 2 OR COUNT(DISTINCT COALESCE(jBszam, '')) <> 1 "
                              "OR MIN(COALESCE(jBszam, '')) = '') x"))
            != 0)
        return QStringLiteral("a ticket without its two numbered rows");
    if (number(QStringLiteral("SELECT COUNT(*) FROM (SELECT jBszam FROM vello WHERE jMbszam <> '' GROUP BY jBszam "
                              "HAVING COUNT(DISTINCT jMbszam) > 1) x"))
            != 0)
        return QStringLiteral("a ticket number on two weighings");
    if (number(QStringLiteral("SELECT COUNT(*) FROM vello WHERE COALESCE(jTorolt, '') <> ''")) != 0)
        return QStringLiteral("summary rows left marked");
    if (m_app->data.inTransaction())
        return QStringLiteral("a transaction left open");
    return QString();
}

// A clean run first tells how many statements the operation sends; then the
// server is restarted before statement n for each n of the walk. After each
// restart the attempt must have failed with a message, changed nothing, and
// the next attempt must go through on a new connection.
void TestServerRestart::walk(const Operation& op)
{
    TestApp& a = *m_app;
    op.prepare();
    const qint64 start = a.data.statementCount();
    QVERIFY(op.attempt());
    const int statements = int(a.data.statementCount() - start);
    QVERIFY(statements > 0);
    QCOMPARE(invariantsBroken(), QString());

    QList<int> positions;
    if (FullWalk) {
        for (int n = 1; n <= statements; ++n)
            positions << n;
    } else {
        for (int n : {1, (statements + 1) / 2, statements})
            if (!positions.contains(n))
                positions << n;
    }
    // In the test the first and the last statement see a shutdown, the one in
    // the middle a killed server; the full walk has both before every statement.
    QList<QPair<int, PrivateServer::Down>> restarts;
    for (int n : positions) {
        if (FullWalk || n == 1 || n == statements)
            restarts << qMakePair(n, PrivateServer::ShutDown);
        if (FullWalk || (n != 1 && n != statements))
            restarts << qMakePair(n, PrivateServer::Killed);
    }
    qInfo("%d statements, %lld restarts", statements, qint64(restarts.size()));
    for (const auto& [n, how] : restarts) {
        const QString where = QStringLiteral("server %1 before statement %2 of %3")
                                      .arg(how == PrivateServer::Killed ? QStringLiteral("killed and started")
                                                                        : QStringLiteral("restarted"))
                                      .arg(n)
                                      .arg(statements);
        op.prepare();
        const QStringList before = snapshot();
        const int generation = a.data.generation();
        a.prompt.clear();
        a.data.beforeStatementRuns(n, [this, how = how] { restartServer(how); });
        const bool done = op.attempt();
        QVERIFY2(!a.data.statementActionPending(), qPrintable(where));
        a.data.clearStatementAction();
        if (done) {
            // A read before the transaction: sent once more on a new
            // connection (the read rule), and the operation went through
            // without a failure to tell.
            QVERIFY2(a.data.generation() > generation, qPrintable(where + QStringLiteral(": done, not reconnected")));
            for (const QString& s : a.prompt.shownTexts())
                QVERIFY2(!s.startsWith(QLatin1String("Hiba")), qPrintable(where + QStringLiteral(": ") + s));
            QVERIFY2(!a.data.inTransaction(), qPrintable(where));
            QVERIFY2(invariantsBroken().isEmpty(), qPrintable(where + QStringLiteral(": ") + invariantsBroken()));
            continue;
        }
        QVERIFY2(!a.prompt.shown().isEmpty(), qPrintable(where + QStringLiteral(": no message")));
        for (const auto& s : a.prompt.shown())
            QVERIFY2(!s.text.trimmed().isEmpty(), qPrintable(where + QStringLiteral(": an empty message")));
        QVERIFY2(!a.data.inTransaction(), qPrintable(where));
        const QStringList after = snapshot();
        QVERIFY2(after == before,
                qPrintable(where + QStringLiteral(": changed\n  ") + before.join(QLatin1String("\n  "))
                        + QStringLiteral("\n  ->\n  ") + after.join(QLatin1String("\n  "))));
        QVERIFY2(invariantsBroken().isEmpty(), qPrintable(where + QStringLiteral(": ") + invariantsBroken()));

        // The next operation reconnects and goes through.
        op.prepare();
        a.prompt.clear();
        QVERIFY2(op.attempt(),
                qPrintable(where + QStringLiteral(": the next attempt failed: ")
                        + a.prompt.shownTexts().join(QLatin1String("; "))));
        QVERIFY2(a.data.generation() > generation, qPrintable(where + QStringLiteral(": not reconnected")));
        QVERIFY2(invariantsBroken().isEmpty(), qPrintable(where + QStringLiteral(": ") + invariantsBroken()));
    }
}

void TestServerRestart::inStore_data()
{
    QTest::addColumn<bool>("single");
    // The single weighing sends every statement of the plain store and the
    // tare completion besides; the plain store only in the full walk.
    if (FullWalk)
        QTest::newRow("loaded vehicle") << false;
    QTest::newRow("single weighing, tare from the register") << true;
}

Operation TestServerRestart::inStoreOp(bool single)
{
    Operation op;
    op.prepare = [] {};
    op.attempt = [this, single] {
        AppContext& ctx = m_app->ctx;
        const WeighingOutcome o = WeighingStore(ctx, requestIn(QStringLiteral("B"), false, single)).ok(inFields(), At);
        if (o.result != WeighingOutcome::Done)
            return false;
        // The number shown is the counter's and its weighing is stored.
        return o.weighingNumber == counter(m_app->db, QStringLiteral("M"))
                && m_app->db.count(QStringLiteral("meres"), QStringLiteral("mBszam = '%1'").arg(o.weighingNumber)) == 1;
    };
    return op;
}

void TestServerRestart::inStore()
{
    QFETCH(bool, single);
    walk(inStoreOp(single));
}

// A pending weighing with its exit weighed, stored by the operations.
void TestServerRestart::makeWeighedOut()
{
    AppContext& ctx = m_app->ctx;
    QCOMPARE(WeighingStore(ctx, requestIn(QStringLiteral("B"))).ok(inFields(), At).result, WeighingOutcome::Done);
    const WeighingRequest out = requestOut(number(QStringLiteral("SELECT MAX(IDm) FROM meres")), QStringLiteral("B"));
    QCOMPARE(WeighingStore(ctx, out).ok(outFields(8000), At).result, WeighingOutcome::Done);
    m_app->db.exec(QStringLiteral("UPDATE meres SET mOkod = '1' WHERE mOkod IS NULL"));   // "Termelö kiválasztása"
}

void TestServerRestart::outStore()
{
    AppContext& ctx = m_app->ctx;
    QCOMPARE(WeighingStore(ctx, requestIn(QStringLiteral("B"))).ok(inFields(), At).result, WeighingOutcome::Done);
    const qint64 idm = number(QStringLiteral("SELECT MAX(IDm) FROM meres"));
    Operation op;
    // Every attempt weighs a little more, so an exit stored against the
    // report would show.
    op.prepare = [] {};
    op.attempt = [&] {
        const int weight = ++m_outWeight;
        if (WeighingStore(ctx, requestOut(idm, QStringLiteral("B"))).ok(outFields(weight), At).result
                != WeighingOutcome::Done)
            return false;
        return number(QStringLiteral("SELECT mKimeres1 FROM meres WHERE IDm = %1").arg(idm)) == weight;
    };
    walk(op);
}

Operation TestServerRestart::finalisationOp()
{
    Operation op;
    // The weighing that failed stays pending and is finalised next.
    op.prepare = [this] {
        const QString waiting = QStringLiteral("SELECT COALESCE(MIN(IDm), 0) FROM meres WHERE mKimeres1 <> 0");
        if (number(waiting) == 0)
            makeWeighedOut();
        m_app->db.exec(QStringLiteral("UPDATE meres SET mOkod = '1' WHERE mOkod IS NULL"));   // "Termelö kiválasztása"
        m_finalising = number(waiting);
    };
    op.attempt = [this] {
        Finalisation f(m_app->ctx);
        Finalisation::Input in;
        in.weighingId = m_finalising;
        in.netText = QStringLiteral("12000");
        in.today = Today;
        if (f.store(in).result != FinalisationOutcome::Done)
            return false;
        m_ticket = f.stored();
        return m_app->db.count(QStringLiteral("meres"), QStringLiteral("IDm = %1").arg(m_finalising)) == 0
                && m_ticket.ticketNumber == counter(m_app->db, QStringLiteral("J"));
    };
    return op;
}

void TestServerRestart::finalisation()
{
    walk(finalisationOp());
}

Operation TestServerRestart::deliveryNoteOp()
{
    Operation op;
    op.prepare = [] {};
    op.attempt = [this] {
        const TicketPrint::Note note = TicketPrint(m_app->ctx).deliveryNote(m_ticket, QString());
        if (note.number.isEmpty())
            return false;
        // Numbers follow each other: none skipped by a failed attempt, none twice.
        if (note.number.toLongLong() != m_lastNote + 1)
            return false;
        m_lastNote = note.number.toLongLong();
        return true;
    };
    return op;
}

void TestServerRestart::deliveryNote()
{
    QVERIFY(!m_ticket.ticketNumber.isEmpty());
    walk(deliveryNoteOp());
}

// A finalised ticket of the period, made by the operations.
void TestServerRestart::makeTicket()
{
    makeWeighedOut();
    Finalisation::Input in;
    in.weighingId = number(QStringLiteral("SELECT MAX(IDm) FROM meres"));
    in.netText = QStringLiteral("12000");
    in.today = Today;
    QCOMPARE(Finalisation(m_app->ctx).store(in).result, FinalisationOutcome::Done);
}

Operation TestServerRestart::archivingOp()
{
    Operation op;
    // A failed run leaves its tickets for the next.
    op.prepare = [this] {
        if (m_app->db.count(QStringLiteral("vello"), QStringLiteral("jMbszam <> ''")) == 0)
            makeTicket();
    };
    op.attempt = [this] {
        QStringList log;
        Archiving run(m_app->ctx);
        run.setLog([&](const QString& line) { log << line; });
        const qint64 archived = m_app->db.count(QStringLiteral("archiv"));
        if (!run.run(Today)) {
            QTest::qVerify(!log.isEmpty() && log.last() == Archiving::nothingChangedLine(),
                    "the log ends with \"nothing changed\"", "", __FILE__, __LINE__);
            return false;
        }
        return run.archived() > 0 && m_app->db.count(QStringLiteral("archiv")) == archived + run.archived()
                && m_app->db.count(QStringLiteral("vello"), QStringLiteral("jMbszam <> ''")) == 0;
    };
    return op;
}

void TestServerRestart::archiving()
{
    walk(archivingOp());
}

// A statement inside the transaction is refused, and the server goes down
// before the ROLLBACK that follows: the ROLLBACK fails as well, but the
// transaction went with the server, and the next operation must reconnect
// as after any other lost connection. `inside` is a statement of the
// operation inside its transaction (the IN store and the finalisation first
// look up the registers their checks need).
void TestServerRestart::restartBeforeRollback_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("inside");
    QTest::newRow("IN store") << 0 << 5;
    QTest::newRow("finalisation") << 1 << 4;
    QTest::newRow("delivery-note number") << 2 << 3;
    QTest::newRow("archiving") << 3 << 3;
}

void TestServerRestart::restartBeforeRollback()
{
    QFETCH(int, operation);
    QFETCH(int, inside);
    const Operation op = operation == 0 ? inStoreOp(true)
            : operation == 1            ? finalisationOp()
            : operation == 2            ? deliveryNoteOp()
                                        : archivingOp();
    TestApp& a = *m_app;
    op.prepare();
    const QStringList before = snapshot();
    a.prompt.clear();
    const qint64 start = a.data.statementCount();
    a.data.failStatement(inside, 1205);
    a.data.beforeStatementRuns(inside + 1, [this] { restartServer(PrivateServer::Killed); });
    QVERIFY(!op.attempt());
    QVERIFY(!a.data.statementFailurePending());
    QVERIFY2(!a.data.statementActionPending(), "the operation did not go on to its ROLLBACK");
    a.data.clearStatementAction();
    QCOMPARE(a.data.statementCount() - start, qint64(inside + 1));
    QVERIFY(!a.prompt.shown().isEmpty());
    QVERIFY(!a.data.inTransaction());
    QVERIFY(snapshot() == before);
    QCOMPARE(invariantsBroken(), QString());

    op.prepare();
    a.prompt.clear();
    QVERIFY2(op.attempt(),
            qPrintable(QStringLiteral("the next attempt failed: ") + a.prompt.shownTexts().join(QLatin1String("; "))));
    QCOMPARE(invariantsBroken(), QString());
}

// The server goes down in the middle of the IN store and stays down for a
// while: that store and the next fail with their messages (the reconnect
// is refused), nothing is stored; once the server is back the next store
// goes through.
void TestServerRestart::serverDownForAWhile()
{
    TestApp& a = *m_app;
    const Operation op = inStoreOp(false);
    op.prepare();
    const QStringList before = snapshot();
    a.prompt.clear();
    // The fifth statement is the INSERT (after the crop and warehouse look-ups,
    // the START TRANSACTION and the counter read).
    a.data.beforeStatementRuns(5, [this] { QVERIFY2(m_server.shutDown(), qPrintable(m_server.lastOutput())); });
    QVERIFY(!op.attempt());
    QVERIFY(!a.data.statementActionPending());
    QVERIFY(!a.data.inTransaction());
    QCOMPARE(a.prompt.shownTexts(),
            QStringList {DbError::said(QStringLiteral("Hiba: Újban, INSERT-append a meres-ben "), 2006)});

    op.prepare();
    a.prompt.clear();
    QVERIFY(!op.attempt());
    // The server is down: the weighing window says so, in Hungarian.
    QCOMPARE(a.prompt.shownTexts(),
            QStringList {DbError::said(QStringLiteral("Hiba az append vagy edit közben az meres-ban!"), 2002)});
    QVERIFY(!a.data.isConnected());
    QVERIFY(!a.data.inTransaction());

    QElapsedTimer clock;
    clock.start();
    QVERIFY2(m_server.start(), qPrintable(m_server.lastOutput()));
    m_restartMs += clock.elapsed();
    ++m_restarts;
    reopenAdmin();
    QVERIFY(snapshot() == before);
    QCOMPARE(invariantsBroken(), QString());

    op.prepare();
    a.prompt.clear();
    QVERIFY2(op.attempt(), qPrintable(a.prompt.shownTexts().join(QLatin1String("; "))));
    QCOMPARE(invariantsBroken(), QString());
}

// The server restarted under an open vehicles-on-site window: moving to the
// next row reconnects, reads the list again and shows that row; nothing is
// shown, the window stays open. With the server down the move says the lost
// connection in Hungarian and the window still stays open.
void TestServerRestart::openListAfterRestart()
{
    TestApp& a = *m_app;
    a.db.exec(QStringLiteral("DELETE FROM meres"));
    Pending first;
    first.number = QStringLiteral("31");
    first.plate = QStringLiteral("1");
    addPending(a.db, first);
    Pending second = first;
    second.number = QStringLiteral("32");
    second.plate = QStringLiteral("2");
    addPending(a.db, second);
    weighingState(a.ctx).weighingNumber.clear();
    QStringList numbers, told;
    bool openAfterRestart = false, openWhileDown = false;
    a.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        const auto number = [&] { return w.findChild<QLineEdit*>(QStringLiteral("Edit25"))->text(); };
        const auto move = [&](const char* button) {
            w.findChild<QToolButton*>(QString::fromLatin1(button))->click();
            QCoreApplication::processEvents();
        };
        numbers << number();
        a.prompt.clear();
        restartServer(PrivateServer::ShutDown);
        move("Next");
        numbers << number();
        openAfterRestart = w.isVisible();
        told << a.prompt.shownTexts();
        QVERIFY2(m_server.shutDown(), qPrintable(m_server.lastOutput()));
        a.prompt.clear();
        move("Prior");
        openWhileDown = w.isVisible();
        told << a.prompt.shownTexts();
        QVERIFY2(m_server.start(), qPrintable(m_server.lastOutput()));
        reopenAdmin();
        w.reject();
    });
    openVehiclesOnSite(a.ctx);
    QCOMPARE(numbers, QStringList({"31", "32"}));
    QVERIFY(openAfterRestart);
    QVERIFY(openWhileDown);
    QVERIFY2(!told.isEmpty() && told.last().endsWith(DbError::lostConnectionText()), qPrintable(told.join('|')));
    QCOMPARE(told.size(), 1);   // nothing after the restart, one message while down
}

// The same without a restart: the connection is lost at the ROLLBACK itself.
void TestServerRestart::lostRollbackEndsTheTransaction()
{
    DataModule& data = m_app->data;
    data.begin();
    QVERIFY(data.inTransaction());
    data.failStatement(1, 2013);
    QVERIFY(!data.rollback());
    QVERIFY(!data.inTransaction());
    QVERIFY(!data.isConnected());
    data.ZQ70.openSql(QStringLiteral("SELECT 1"));   // reconnects; throws if it cannot
    QCOMPARE(data.ZQ70.value(0).toInt(), 1);
    QVERIFY(data.isConnected());
}

// The server restarted while an exit weighing was being stored: that store
// fails with its message (right), the vehicles list is read again (the
// connection is reopened), and the next weighing window must open the port
// the site row names and read the scale, the port window must show that
// port. While the server stays down the read names the lost database, never
// the port; once it is back the next "Mérés" reads the port and the weight.
void TestServerRestart::scalePortAfterRestart()
{
    TestApp& a = *m_app;
    AppContext& ctx = a.ctx;
    PseudoTerminal pty;
    QVERIFY(pty.open());
    PortSetting::save(ctx, pty.slavePath());
    QCOMPARE(ScaleRead::portName(ctx), pty.slavePath());

    QCOMPARE(WeighingStore(ctx, requestIn(QStringLiteral("B"))).ok(inFields(), At).result, WeighingOutcome::Done);
    const WeighingRequest out = requestOut(number(QStringLiteral("SELECT MAX(IDm) FROM meres")), QStringLiteral("B"));
    a.prompt.clear();
    a.data.beforeStatementRuns(3, [this] { restartServer(PrivateServer::ShutDown); });   // the UPDATE
    QVERIFY(WeighingStore(ctx, out).ok(outFields(9000), At).result != WeighingOutcome::Done);
    QVERIFY(!a.data.statementActionPending());
    QVERIFY(!a.prompt.shown().isEmpty());
    QVERIFY(VehiclesOnSite(ctx).refresh());

    // The next weighing window.
    a.prompt.clear();
    std::unique_ptr<TSerialLink> link(ScaleRead::openLink(ctx, nullptr));
    QCOMPARE(link->commPort(), pty.slavePath());
    QVERIFY(link->active());
    QVERIFY(pty.write("ST,GS,+  012340kg\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(link->queuedClusters(), 1, 10000);
    ScaleRead::read(*link, ctx.prompt, ctx.scaleText);
    QCOMPARE(ctx.scaleText.trimmed(), QStringLiteral("012340"));
    QCOMPARE(PortSetting::stored(ctx), pty.slavePath());   // the port window
    QCOMPARE(a.prompt.shownTexts(), QStringList());

    // The server goes down and stays down for a while.
    QVERIFY2(m_server.shutDown(), qPrintable(m_server.lastOutput()));
    link.reset(ScaleRead::openLink(ctx, nullptr));
    QVERIFY(!link->active());
    QVERIFY(ScaleRead::displayText(link.get()).contains(QStringLiteral("adatbázis")));
    a.prompt.expectMessage(PortSetting::LostConnectionText);
    QCOMPARE(ScaleRead::read(ctx, *link), ScaleRead::ReadResult::DatabaseLost);
    QCOMPARE(ctx.scaleText.trimmed(), QStringLiteral("012340"));
    try {
        PortSetting::stored(ctx);
        QFAIL("the port window read a port without its database");
    } catch (const DbError& e) {
        QCOMPARE(e.text(), PortSetting::LostConnectionText);
    }

    // Back again: the next "Mérés" reconnects, reads the port and the weight.
    QElapsedTimer clock;
    clock.start();
    QVERIFY2(m_server.start(), qPrintable(m_server.lastOutput()));
    m_restartMs += clock.elapsed();
    ++m_restarts;
    reopenAdmin();
    QCOMPARE(ScaleRead::read(ctx, *link), ScaleRead::ReadResult::NoWeight);   // opened now: nothing sent yet
    QCOMPARE(link->commPort(), pty.slavePath());
    QVERIFY(link->active());
    QVERIFY(pty.write("ST,GS,+  008000kg\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(link->queuedClusters(), 1, 10000);
    QCOMPARE(ScaleRead::read(ctx, *link), ScaleRead::ReadResult::Weight);
    QCOMPARE(ctx.scaleText.trimmed(), QStringLiteral("008000"));
    QVERIFY(!a.prompt.shownTexts().contains(ScaleRead::PortClosedText));
    QVERIFY2(a.prompt.allAnswered(), qPrintable(a.prompt.pending().join(QLatin1String("; "))));
    QCOMPARE(PortSetting::stored(ctx), pty.slavePath());
    QCOMPARE(invariantsBroken(), QString());
}

QTEST_MAIN(TestServerRestart)
#include "test_server_restart.moc"
