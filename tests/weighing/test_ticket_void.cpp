// Voiding a ticket and issuing it again corrected: the void through the core
// (its refusals, the record it writes, nothing else touched), the reissue
// (the new number, the changed fields, the same weights, the nets as the
// finalisation computes them, the same alibi log entries, the weighing
// window's checks), every statement of both failing in turn without a half
// write, two workstations voiding one ticket at once, and the database
// upgrade that adds the table.
#include "ticketvoidfixture.h"

#include "data/counters.h"
#include "data/datamodule.h"
#include "alibi/alibischema.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "tickets/ticketvoid.h"
#include "weighing/weighingtexts.h"

#include <QProcess>
#include <QSqlQuery>
#include <QTest>

using namespace VoidFixture;

namespace {

QString voidedMessageStart(const QString& ticket)
{
    return QStringLiteral("A(z) %1. mérlegjegyet már sztornózták (").arg(ticket);
}

}   // namespace

class TestTicketVoid : public QObject {
    Q_OBJECT
private slots:
    // The void writes one record (who, when, why) and nothing else: both
    // rows stay as they were, no number is drawn.
    void voidWritesTheRecordOnly()
    {
        TestApp app;
        seedRegisters(app.db);
        const QString ticket = weighTicket(app, QStringLiteral("B"), true);
        QCOMPARE(ticket, QStringLiteral("1"));
        const QString before = snapshot(app);
        const Outcome o = TicketVoid(app.ctx).run(ticket, QStringLiteral("  rossz termény  "));
        QCOMPARE(o.result, Outcome::Done);
        QVERIFY(o.messages.isEmpty());
        const QString after = snapshot(app);
        QCOMPARE(after,
                QString(before).replace(QStringLiteral("--\n--\nJ|"), QStringLiteral("--\n1|rossz termény|-\n--\nJ|")));
        const std::optional<VoidRecord> r = TicketVoid(app.ctx).record(ticket);
        QVERIFY(r);
        QCOMPARE(r->reason, QStringLiteral("rossz termény"));
        QVERIFY(r->user.startsWith(QStringLiteral("root@")));
        QVERIFY(!r->workstation.isEmpty());
        QVERIFY(r->time.isValid());
        QVERIFY(r->replacement.isEmpty());
        QCOMPARE(app.db.count("vello", "jBszam = '1'"), 2);
    }

    // Each refusal: its message, nothing written.
    void voidRefusals_data()
    {
        QTest::addColumn<QString>("ticket");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("message");   // the start of the message
        QTest::addColumn<QString>("focus");
        QTest::newRow("no reason") << "1"
                                   << "   "
                                   << "Adja meg a sztornózás okát!"
                                   << "reason";
        QTest::newRow("reason too long") << "1" << QString(201, QLatin1Char('x'))
                                         << "A sztornózás oka legfeljebb 200 karakter lehet (most 201)."
                                         << "reason";
        QTest::newRow("summary row") << "90000001"
                                     << "hiba"
                                     << "A(z) 90000001. szám az archiválás összesítő sora, nem mérlegjegy: nem "
                                        "sztornózható."
                                     << "";
        QTest::newRow("archived") << "7"
                                  << "hiba"
                                  << "A(z) 7. mérlegjegy már archiválva van, nem sztornózható."
                                  << "";
        QTest::newRow("no such ticket") << "99"
                                        << "hiba"
                                        << "Nincs 99. számú mérlegjegy."
                                        << "";
        QTest::newRow("already voided") << "2"
                                        << "hiba" << voidedMessageStart("2") << "";
    }
    void voidRefusals()
    {
        QFETCH(QString, ticket);
        QFETCH(QString, reason);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestApp app;
        app.prompt.setLenient(true, true);
        seedRegisters(app.db);
        QCOMPARE(weighTicket(app, QStringLiteral("B"), false), QStringLiteral("1"));
        QCOMPARE(weighTicket(app, QStringLiteral("K"), false), QStringLiteral("2"));
        QVERIFY(TicketVoid(app.ctx).run(QStringLiteral("2"), QStringLiteral("első")).done());
        app.db.exec("INSERT INTO vello (jBszam, jTkod, jKkod, jNettoBe, jDatum) VALUES ('90000001', '1', '1', 5, "
                    "'2024-01-01')");
        app.db.exec("INSERT INTO archiv (jBszam, jMozgas, jTkod) VALUES ('7', 'B', '1')");
        const QString before = snapshot(app);
        const Outcome o = TicketVoid(app.ctx).run(ticket, reason);
        QCOMPARE(o.result, Outcome::Refused);
        QCOMPARE(o.messages.size(), 1);
        QVERIFY2(o.messages.first().startsWith(message), qPrintable(o.messages.first()));
        QCOMPARE(o.focus, focus);
        QCOMPARE(snapshot(app), before);
    }

    // The reissue of an intake with trailer: the old ticket voided with the
    // new number, the new one with the changed producer, crop, warehouse,
    // purity, moisture and remark, the same weights, times and weighing
    // number, the nets as the finalisation computes them, the same alibi
    // log entries; the "J" counter moved by one.
    void reissueDelivery()
    {
        TestApp app;
        seedRegisters(app.db);
        const QString old = weighTicket(app, QStringLiteral("B"), true);
        QCOMPARE(old, QStringLiteral("1"));
        QCOMPARE(app.db.scalar("SELECT GROUP_CONCAT(jNettoBe ORDER BY IDj) FROM vello").toString(),
                QStringLiteral("11520,8820"));
        const QString oldLinks = links(app, old);
        QCOMPARE(oldLinks.count(QLatin1Char(':')), 4);
        TicketReissue op(app.ctx);
        const std::optional<ReissueSource> s = op.read(old);
        QVERIFY(s);
        QVERIFY(s->trailer);
        QCOMPARE(s->rows, 2);
        QCOMPARE(s->fields.crop[1], QStringLiteral("2"));
        ReissueFields f = unchanged(*s);
        f.producer = QStringLiteral("2");
        f.crop[0] = QStringLiteral("2");
        f.warehouse[0] = QStringLiteral("2");
        f.purity = QStringLiteral("97");
        f.moisture = QStringLiteral("15");
        f.remark = QStringLiteral("javítva");
        const ReissueOutcome o = op.store(*s, f, Today);
        QCOMPARE(o.result, Outcome::Done);
        QCOMPARE(o.ticketNumber, QStringLiteral("2"));
        QCOMPARE(counter(app.db, "J"), QStringLiteral("2"));
        // 12000 - 12000 * (98 - 97) / 100 - 12000 * (15 - 14) / 100; 9000 - 90 - 90.
        QCOMPARE(app.db.scalar("SELECT GROUP_CONCAT(CONCAT_WS('|', jMbszam, jMozgas, jPot, jDatum, jBeido, jKiido, "
                               "jModDatum, jBemeres, jKimeres, jBemerleg, jKimerleg, jTkod, jKkod, jRkod, jOkod, "
                               "jMegj, jTiszt, jViztart, jNettoBe, jNettoKI) ORDER BY IDj SEPARATOR ' / ') FROM vello "
                               "WHERE jBszam = '2'")
                         .toString(),
                QStringLiteral("1|B|I|2024-03-05|07:10:00|07:40:00|2024-03-06|20000|8000|20000|8000|2|2|1|2|javítva|97|"
                               "15|11760|0 / 1|B|I|2024-03-05|07:10:00|07:40:00|2024-03-06|15000|6000|15000|6000|2|2|"
                               "1|2|javítva|97|15|8820|0"));
        // The old rows as they were; the record names the new ticket.
        QCOMPARE(app.db.scalar("SELECT GROUP_CONCAT(CONCAT_WS('|', jTkod, jOkod, jNettoBe) ORDER BY IDj) FROM vello "
                               "WHERE jBszam = '1'")
                         .toString(),
                QStringLiteral("1|1|11520,2|1|8820"));
        const std::optional<VoidRecord> r = TicketVoid(app.ctx).record(old);
        QVERIFY(r);
        QCOMPARE(r->replacement, QStringLiteral("2"));
        QCOMPARE(r->reason, QStringLiteral("rossz termelő"));
        QCOMPARE(links(app, QStringLiteral("2")), oldLinks);
        QCOMPARE(TicketVoid(app.ctx).replaced(QStringLiteral("2"))->ticket, old);
        // The new ticket may itself be corrected again.
        const std::optional<ReissueSource> again = op.read(QStringLiteral("2"));
        QVERIFY(again);
        QCOMPARE(op.store(*again, unchanged(*again, QStringLiteral("még egyszer")), Today).ticketNumber,
                QStringLiteral("3"));
        QCOMPARE(links(app, QStringLiteral("3")), oldLinks);
        // Each issued ticket has its own ticket entry, the chain and every
        // ticket against its entry hold, and an entry's links name the
        // voided tickets and the ones issued in their place.
        AlibiLog log(app.data);
        for (const char* t : {"1", "2", "3"})
            QVERIFY2(log.ticketEntry(QLatin1String(t)), t);
        const AlibiLog::Verification v = log.verify();
        QVERIFY2(v.ok(), qPrintable(v.message()));
        QStringList shown;
        for (const AlibiLog::Link& l : log.links(log.linksOfTicket(old).first().number))
            if (!l.ticket.isEmpty())
                shown << QStringLiteral("%1|%2|%3|%4").arg(l.ticket).arg(l.voided).arg(l.replacement, l.replaces);
        QCOMPARE(shown.join(QLatin1Char(' ')), QStringLiteral("1|1|2| 2|1|3|1 3|0||2"));
    }

    // A dispatch: the net is exit minus entry whatever the percentages; the
    // unweighed measurement 2 keeps its empty codes and zero net.
    void reissueDispatch()
    {
        TestApp app;
        seedRegisters(app.db);
        const QString old = weighTicket(app, QStringLiteral("K"), false);
        TicketReissue op(app.ctx);
        const std::optional<ReissueSource> s = op.read(old);
        QVERIFY(s);
        ReissueFields f = unchanged(*s);
        f.crop[0] = QStringLiteral("2");
        f.crop[1] = QStringLiteral("1");   // no trailer: not taken
        f.purity = QStringLiteral("50");
        const ReissueOutcome o = op.store(*s, f, Today);
        QCOMPARE(o.result, Outcome::Done);
        QCOMPARE(app.db.scalar("SELECT GROUP_CONCAT(CONCAT_WS('|', jTkod, jBemeres, jKimeres, jNettoBe, jNettoKI) "
                               "ORDER BY IDj SEPARATOR ' / ') FROM vello WHERE jBszam = '2'")
                         .toString(),
                QStringLiteral("2|8000|21000|0|13000 / |0|0|0|0"));
        QCOMPARE(links(app, QStringLiteral("2")), links(app, old));
    }

    // The weighing window's checks and the reissue's own: the message, the
    // field to focus, nothing written.
    void reissueRefusals_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no reason") << "reason"
                                   << ""
                                   << "Adja meg a sztornózás okát!"
                                   << "reason";
        QTest::newRow("no producer") << "producer"
                                     << " "
                                     << "Nincs kiválasztva a termelő!"
                                     << "producer";
        QTest::newRow("unknown producer") << "producer"
                                          << "9"
                                          << "Nincs ilyen termelő: 9"
                                          << "producer";
        QTest::newRow("no crop") << "crop1"
                                 << ""
                                 << "Nincs kiválasztva a termény!"
                                 << "Edit5";
        QTest::newRow("unknown crop") << "crop1"
                                      << "9" << WeighingTexts::unknownCrop().arg("9") << "Edit5";
        QTest::newRow("unknown trailer warehouse") << "warehouse2"
                                                   << "8" << WeighingTexts::unknownWarehouse().arg("8") << "Edit12";
        QTest::newRow("purity no number") << "purity"
                                          << "x" << WeighingTexts::purityRange() << "Edit32";
        QTest::newRow("purity above standard") << "purity"
                                               << "100,5" << WeighingTexts::purityRange() << "Edit32";
        QTest::newRow("moisture below standard") << "moisture"
                                                 << "13"
                                                 << "Nem lehet kisebb a szabványnak megadott viztartalomnál!"
                                                 << "Edit33";
        // Crop 2's standard purity is 98: above it for measurement 1.
        QTest::newRow("purity above crop's") << "crop1purity"
                                             << "2"
                                             << "Nagyobb mint a szabványnak megadott tisztaság!"
                                             << "Edit32";
    }
    void reissueRefusals()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestApp app;
        seedRegisters(app.db);
        const QString old = weighTicket(app, QStringLiteral("B"), true);
        TicketReissue op(app.ctx);
        const std::optional<ReissueSource> s = op.read(old);
        QVERIFY(s);
        ReissueFields f = unchanged(*s);
        if (field == QLatin1String("reason"))
            f.reason = value;
        else if (field == QLatin1String("producer"))
            f.producer = value;
        else if (field == QLatin1String("crop1"))
            f.crop[0] = value;
        else if (field == QLatin1String("warehouse2"))
            f.warehouse[1] = value;
        else if (field == QLatin1String("purity"))
            f.purity = value;
        else if (field == QLatin1String("moisture"))
            f.moisture = value;
        else if (field == QLatin1String("crop1purity")) {
            f.crop[0] = value;
            f.purity = QStringLiteral("99");
        }
        const QString before = snapshot(app);
        app.prompt.expectMessage(message);
        const ReissueOutcome o = op.store(*s, f, Today);
        QCOMPARE(o.result, Outcome::Refused);
        QCOMPARE(o.messages, QStringList {message});
        QCOMPARE(o.focus, focus);
        QCOMPARE(snapshot(app), before);
        app.verifyScriptsDone();
    }

    // A voided ticket cannot be reissued, nor a reissued one's old ticket
    // again: the reissue reads it and says why.
    void reissueOfVoided()
    {
        TestApp app;
        seedRegisters(app.db);
        const QString old = weighTicket(app, QStringLiteral("B"), false);
        TicketReissue op(app.ctx);
        const std::optional<ReissueSource> s = op.read(old);
        QVERIFY(TicketVoid(app.ctx).run(old, QStringLiteral("elírás")).done());
        const QString before = snapshot(app);
        app.prompt.setLenient(true, true);
        // Read before the void (the dialog was open meanwhile): refused in the transaction.
        const ReissueOutcome o = op.store(*s, unchanged(*s), Today);
        QCOMPARE(o.result, Outcome::Refused);
        QVERIFY(o.messages.value(0).startsWith(voidedMessageStart(old)));
        QVERIFY(o.focus.isEmpty());
        QCOMPARE(snapshot(app), before);
        QVERIFY(!op.read(old));
        QVERIFY(app.prompt.shownTexts().last().startsWith(voidedMessageStart(old)));
    }

    // Every statement of the void and of the reissue failing in turn: the
    // operation fails with its message and nothing is half-written.
    void failureWalk_data()
    {
        QTest::addColumn<bool>("reissue");
        QTest::newRow("void") << false;
        QTest::newRow("reissue") << true;
    }
    void failureWalk()
    {
        QFETCH(bool, reissue);
        auto run = [reissue](TestApp& app, const std::optional<ReissueSource>& s) -> Outcome {
            if (reissue)
                return TicketReissue(app.ctx).store(*s, unchanged(*s), Today);
            return TicketVoid(app.ctx).run(QStringLiteral("1"), QStringLiteral("hiba"));
        };
        qint64 statements = 0;
        {
            TestApp app;
            seedRegisters(app.db);
            weighTicket(app, QStringLiteral("B"), true);
            const std::optional<ReissueSource> s = TicketReissue(app.ctx).read(QStringLiteral("1"));
            const qint64 start = app.data.statementCount();
            QVERIFY(run(app, s).done());
            statements = app.data.statementCount() - start;
        }
        QVERIFY(statements > (reissue ? 12 : 3));
        for (int n = 1; n <= statements; ++n) {
            TestApp app;
            seedRegisters(app.db);
            weighTicket(app, QStringLiteral("B"), true);
            const std::optional<ReissueSource> s = TicketReissue(app.ctx).read(QStringLiteral("1"));
            const QString before = snapshot(app);
            app.prompt.setLenient(true, true);
            app.data.failStatement(n, 1146, QStringLiteral("injected"));
            const Outcome o = run(app, s);
            app.data.clearStatementFailure();
            QVERIFY(!app.data.inTransaction());
            QVERIFY2(!o.done(), qPrintable(QStringLiteral("statement %1 of %2").arg(n).arg(statements)));
            QVERIFY2(!o.messages.isEmpty(), qPrintable(QStringLiteral("statement %1: nothing said").arg(n)));
            QCOMPARE(snapshot(app), before);
        }
    }

    // Two workstations void the same ticket at once, the second one started
    // at each statement of the first: one wins, the other is told who did
    // it; one record, written once.
    void twoWorkstationsVoidOneTicket_data()
    {
        QTest::addColumn<int>("statement");
        for (int n = 1; n <= 5; ++n)
            QTest::addRow("other starts before statement %d", n) << n;
    }
    void twoWorkstationsVoidOneTicket()
    {
        QFETCH(int, statement);
        TestApp app;
        seedRegisters(app.db);
        const QString ticket = weighTicket(app, QStringLiteral("B"), false);
        app.prompt.setLenient(true, true);
        Other other(app.db);
        Outcome theirs;
        app.data.beforeStatementRuns(statement, [&] {
            other.runUntilThroughOrWaiting(
                    [&](AppContext& ctx) { theirs = TicketVoid(ctx).run(ticket, QStringLiteral("másik gép")); });
        });
        const Outcome mine = TicketVoid(app.ctx).run(ticket, QStringLiteral("ez a gép"));
        other.join();
        QVERIFY(!app.data.statementActionPending());
        QVERIFY(!app.data.inTransaction());
        // Started before this one locked the ticket's rows, the other is
        // through first; started after, it waits for this one's COMMIT.
        const bool otherFirst = !other.waited();
        const Outcome& winner = otherFirst ? theirs : mine;
        const Outcome& loser = otherFirst ? mine : theirs;
        QCOMPARE(winner.result, Outcome::Done);
        QCOMPARE(loser.result, Outcome::Refused);
        QVERIFY2(loser.messages.value(0).startsWith(voidedMessageStart(ticket)), qPrintable(loser.messages.value(0)));
        QCOMPARE(app.db.count("sztorno"), 1);
        QCOMPARE(app.db.scalar("SELECT zOk FROM sztorno").toString(),
                otherFirst ? QStringLiteral("másik gép") : QStringLiteral("ez a gép"));
        QCOMPARE(otherFirst, statement <= 2);   // START TRANSACTION, then the locking read
    }

    // Two workstations reissue the same ticket at once, the second one
    // started before each statement of the first: one new ticket, one "J"
    // number, the other told; nothing written twice.
    void twoWorkstationsReissueOneTicket()
    {
        qint64 statements = 0;
        {
            TestApp app;
            seedRegisters(app.db);
            const QString ticket = weighTicket(app, QStringLiteral("B"), false);
            const std::optional<ReissueSource> s = TicketReissue(app.ctx).read(ticket);
            const qint64 start = app.data.statementCount();
            QVERIFY(TicketReissue(app.ctx).store(*s, unchanged(*s), Today).done());
            statements = app.data.statementCount() - start;
        }
        bool someWaited = false;
        for (int n = 1; n <= statements; ++n) {
            TestApp app;
            seedRegisters(app.db);
            const QString ticket = weighTicket(app, QStringLiteral("B"), false);
            app.prompt.setLenient(true, true);
            const std::optional<ReissueSource> s = TicketReissue(app.ctx).read(ticket);
            Other other(app.db);
            ReissueOutcome theirs;
            app.data.beforeStatementRuns(n, [&] {
                other.runUntilThroughOrWaiting([&](AppContext& ctx) {
                    theirs = TicketReissue(ctx).store(*s, unchanged(*s, QStringLiteral("másik gép")), Today);
                });
            });
            const ReissueOutcome mine = TicketReissue(app.ctx).store(*s, unchanged(*s), Today);
            other.join();
            someWaited = someWaited || other.waited();
            const QString at = QStringLiteral("other started before statement %1").arg(n);
            QVERIFY2(mine.done() != theirs.done(), qPrintable(at));
            const ReissueOutcome& loser = mine.done() ? theirs : mine;
            QVERIFY2(loser.result == Outcome::Refused, qPrintable(at));
            QVERIFY2(loser.messages.value(0).startsWith(voidedMessageStart(ticket)), qPrintable(at));
            QCOMPARE(counter(app.db, "J"), QStringLiteral("2"));
            QCOMPARE(app.db.count("vello"), 4);
            QCOMPARE(app.db.count("sztorno"), 1);
            QCOMPARE(app.db.scalar("SELECT zHelyette FROM sztorno").toString(), QStringLiteral("2"));
        }
        QVERIFY(someWaited);
    }

    // The program's account as vello-create grants it (rows of the register,
    // SELECT and EXECUTE on the log) voids and reissues: nothing beyond those
    // rights is needed, and the log is still written only by its routines.
    void programAccountVoidsAndReissues()
    {
        TestApp app;
        seedRegisters(app.db);
        const QString first = weighTicket(app, QStringLiteral("B"), true);
        const QString second = weighTicket(app, QStringLiteral("B"), false, QStringLiteral("2"));
        const QString name = app.db.name() + QStringLiteral("_p");
        QSqlDatabase admin = app.db.admin();
        for (const char* host : {"localhost", "127.0.0.1"})
            Schema::grantProgramAccount(admin, app.db.name(), name, QLatin1String(host));
        AlibiSchema::grantProgramUser(admin, app.db.name(), name);
        {
            ConnectionSettings settings = app.db.settings();
            settings.user = name;
            DataModule data(settings);
            data.open();
            AppContext ctx(data, app.prompt, &app.host);
            QCOMPARE(TicketVoid(ctx).run(first, QStringLiteral("rossz termény")).result, Outcome::Done);
            TicketReissue op(ctx);
            const std::optional<ReissueSource> s = op.read(second);
            QVERIFY(s);
            const ReissueOutcome o = op.store(*s, unchanged(*s), Today);
            QCOMPARE(o.result, Outcome::Done);
            QCOMPARE(links(app, o.ticketNumber), links(app, second));
            QVERIFY(AlibiLog(data).ticketEntry(o.ticketNumber));
            try {
                data.ZQ10.run(QStringLiteral("INSERT INTO %1.kapcsolat (nr, IDm, bszam, hely, irany) VALUES (1, 1, "
                                             "'99', 1, 'B')")
                                      .arg(AlibiLog::databaseFor(app.db.name())));
                QFAIL("the program's account wrote a link of its own");
            } catch (const DbError& e) {
                QCOMPARE(e.code(), 1142);
            }
        }
        QCOMPARE(app.db.scalar("SELECT GROUP_CONCAT(CONCAT_WS('|', zBszam, COALESCE(zHelyette, '-')) ORDER BY zBszam "
                               "SEPARATOR ' ') FROM sztorno")
                         .toString(),
                QStringLiteral("%1|- %2|3").arg(first, second));
        for (const char* host : {"localhost", "127.0.0.1"})
            app.db.exec(QStringLiteral("DROP USER IF EXISTS '%1'@'%2'").arg(name, QLatin1String(host)));
    }

    // vello-create --upgrade adds the table to a database made before it,
    // as the creation step makes it, and keeps it the second time.
    void upgradeAddsTheTable()
    {
        TestDb fresh;
        TestDb db;
        auto shape = [](const TestDb& d) {
            QSqlQuery q(d.admin());
            q.prepare("SELECT CONCAT_WS('|', COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE, COALESCE(COLUMN_DEFAULT, '-'), "
                      "COLUMN_KEY) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = ? AND TABLE_NAME = 'sztorno' "
                      "ORDER BY ORDINAL_POSITION");
            q.addBindValue(d.name());
            q.exec();
            QStringList out;
            while (q.next())
                out << q.value(0).toString();
            return out;
        };
        auto stockKeys = [](const TestDb& d) {
            return d.scalar(QStringLiteral(
                                    "SELECT GROUP_CONCAT(CONCAT(INDEX_NAME, ':', COLUMN_NAME) ORDER BY INDEX_NAME, "
                                    "SEQ_IN_INDEX) FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = '%1' AND "
                                    "TABLE_NAME = 'vello' AND INDEX_NAME LIKE 'vello\\_stock\\_%'")
                                    .arg(d.name()))
                    .toString();
        };
        QCOMPARE(shape(fresh).size(), 6);
        QVERIFY(stockKeys(fresh).contains(QStringLiteral("vello_stock_okod:jBszam")));
        db.exec("DROP TABLE sztorno");
        // The stock keys as the creation step made them before voids.
        db.exec("ALTER TABLE vello DROP KEY vello_stock_tkod, DROP KEY vello_stock_kkod, "
                "ADD KEY vello_stock_tkod (jTkod, jBemeres, jKimeres, jNettoBe, jNettoKI, jOkod, jKkod), "
                "ADD KEY vello_stock_kkod (jKkod, jTkod, jBemeres, jKimeres, jNettoBe, jNettoKI, jOkod)");
        QVERIFY(stockKeys(db) != stockKeys(fresh));
        const QString bin = qEnvironmentVariable("VELLO_BINARY_DIR");
        const QStringList args = {"--upgrade", "--socket", TestDb::socket(), "--database", db.name()};
        QProcess p;
        p.start(bin + "/vello-create", args);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        const QString said = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(said.contains(QStringLiteral("a sztornózott mérlegjegyek táblája (sztorno) elkészült.")),
                qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral(
                         "a készlet kulcsai kiegészültek a mérlegjegy számával: vello_stock_tkod, vello_stock_kkod.")),
                qPrintable(said));
        QCOMPARE(shape(db), shape(fresh));
        QCOMPARE(stockKeys(db), stockKeys(fresh));
        p.start(bin + "/vello-create", args);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        const QString again = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY(!again.contains(QStringLiteral("sztorno")) && !again.contains(QStringLiteral("kulcsai")));
    }
};

QTEST_MAIN(TestTicketVoid)
#include "test_ticket_void.moc"
