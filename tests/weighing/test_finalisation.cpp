// The ticket finalisation without the window: the nets and v_m1, the
// guards, the numbering, the prints, and a failure at every statement.
#include "testapp.h"
#include "weighingfixture.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"
#include "weighing/finalisation.h"
#include "weighing/weighingstore.h"

#include <QSet>
#include <QSqlQuery>
#include <QTest>

using namespace WeighingFixture;

namespace {

const QDate Today(2024, 3, 6);

// A test application with the main report on a recording preview.
struct FinalisationApp : TestApp {
    RecordingPreview preview;
    ReportOutput report {ctx, &preview};
    FinalisationApp()
    {
        ctx.report = &report;
        seedRegisters(db);
    }
    Finalisation::Input input(qint64 idm, const QString& net = QStringLiteral("12000"))
    {
        Finalisation::Input in;
        in.weighingId = idm;
        in.netText = net;
        in.today = Today;
        return in;
    }
    // The ticket rows of weighing number `number`, in row order.
    QString rows(const QString& number)
    {
        QStringList out;
        QSqlQuery q(db.admin());
        q.exec(QStringLiteral("SELECT CONCAT_WS('|', jBszam, jTkod, jBemeres, jKimeres, jNettoBe, jNettoKI, jModDatum, "
                              "jRogDatum) FROM vello WHERE jMbszam = '%1' ORDER BY IDj")
                        .arg(number));
        while (q.next())
            out << q.value(0).toString();
        return out.join(QLatin1String(" / "));
    }
};

// Picks producer `code` as the consignee, as the producer list window
// would: its code is handed back.
std::function<QString()> pickProducer(TestApp&, const QString& code)
{
    return [code] { return code; };
}

}   // namespace

// The number of the document printed last: the ticket's, then the delivery
// note's.
QString documentNumber(const FinalisationOutcome& o)
{
    return o.deliveryNoteNumber.isEmpty() ? o.ticketNumber : o.deliveryNoteNumber;
}

class TestFinalisation : public QObject {
    Q_OBJECT
private slots:
    // The stored nets and v_m1, per case: how the weighing came about and
    // what its two ticket rows hold.
    void nets_data()
    {
        QTest::addColumn<QString>("movement");
        QTest::addColumn<bool>("single");   // weighed once through the IN store, tare from the register
        QTest::addColumn<QList<double>>("weights");   // in1, in2, out1, out2
        QTest::addColumn<QStringList>("crops");   // crop 1, crop 2
        QTest::addColumn<QList<double>>("measured");   // purity, moisture
        QTest::addColumn<QString>("rows");   // jTkod|jBemeres|jKimeres|jNettoBe|jNettoKI per row
        QTest::addColumn<double>("m1");
        QTest::addColumn<QString>("marks");   // v_jel_be1|v_jel_be2|v_jel_ki1|v_jel_ki2
        QTest::newRow("intake with deductions")
                << "B" << false << QList<double> {20000, 0, 8000, 0} << QStringList {"1", ""} << QList<double> {98, 16}
                << "1|20000|8000|11520|0 / |0|0|0|0" << 12000.0 << "|||";
        QTest::newRow("standard values measured")
                << "B" << false << QList<double> {20000, 0, 8000, 0} << QStringList {"2", ""} << QList<double> {98, 14}
                << "2|20000|8000|12000|0 / |0|0|0|0" << 12000.0 << "|||";
        QTest::newRow("dispatch") << "K" << false << QList<double> {8000, 0, 20000, 0} << QStringList {"1", ""}
                                  << QList<double> {100, 0} << "1|8000|20000|0|12000 / |0|0|0|0" << 12000.0 << "|||";
        QTest::newRow("trailer with two crops")
                << "B" << false << QList<double> {15000, 14000, 6000, 5000} << QStringList {"1", "2"}
                << QList<double> {98, 16} << "1|15000|6000|8640|0 / 2|14000|5000|8820|0" << 18000.0 << "|||";
        QTest::newRow("dispatch with trailer")
                << "K" << false << QList<double> {8000, 6000, 20000, 16000.5} << QStringList {"1", "1"}
                << QList<double> {100, 0} << "1|8000|20000|0|12000 / 1|6000|16000.5|0|10000.5" << 22000.5 << "|||";
        QTest::newRow("single weighing, loaded, register tare")
                << "B" << true << QList<double> {20000, 0, 0, 0} << QStringList {"1", ""} << QList<double> {98, 16}
                << "1|20000|8000|11520|0 / |0|0|0|0" << 12000.0 << "kézi||törzs tára|";
        QTest::newRow("single weighing, empty, register tare")
                << "K" << true << QList<double> {0, 0, 20000, 0} << QStringList {"2", ""} << QList<double> {100, 0}
                << "2|8000|20000|0|12000 / |0|0|0|0" << 12000.0 << "törzs tára||kézi|";
    }
    void nets()
    {
        QFETCH(QString, movement);
        QFETCH(bool, single);
        QFETCH(QList<double>, weights);
        QFETCH(QStringList, crops);
        QFETCH(QList<double>, measured);
        QFETCH(QString, rows);
        QFETCH(double, m1);
        QFETCH(QString, marks);
        FinalisationApp app;
        qint64 idm = 0;
        if (single) {
            // through the weighing window's stores, as the operator does it
            WeighingStore store(app.ctx, requestIn(movement, false, true));
            WeighingFields f;
            f.plateCode = "1";
            f.inTime = "07:00:00";
            f.weight1 = movement == "B" ? "20000" : *store.tarePreset("1");
            f.crop1 = movement == "B" ? crops[0] : QString();
            f.warehouse1 = movement == "B" ? "1" : QString();
            f.purity = "98";
            f.moisture = "16";
            f.standardPurity = "100";
            f.standardMoisture = "14";
            QCOMPARE(store.ok(f).result, WeighingOutcome::Done);
            idm = app.db.scalar("SELECT IDm FROM meres").toLongLong();
            if (movement == "K") {
                WeighingFields out;
                out.weight1 = "20000";
                out.crop1 = crops[0];
                out.warehouse1 = "1";
                QCOMPARE(WeighingStore(app.ctx, requestOut(idm, "K")).ok(out).result, WeighingOutcome::Done);
            }
            app.db.exec("UPDATE meres SET mOkod = '1'");
        } else {
            Pending p;
            p.movement = movement;
            p.trailer = weights[1] != 0 ? "I" : "";
            p.in1 = weights[0];
            p.in2 = weights[1];
            p.out1 = weights[2];
            p.out2 = weights[3];
            p.crop1 = crops[0];
            p.crop2 = crops[1];
            p.warehouse2 = crops[1].isEmpty() ? "" : "2";
            p.purity = measured[0];
            p.moisture = measured[1];
            idm = addPending(app.db, p);
        }
        const QString number = app.db.scalar("SELECT mBszam FROM meres").toString();
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", true);
        if (movement == "K")
            app.prompt.expectConfirm("Szállítólevél nyomtatása ?", false);
        const FinalisationOutcome o = Finalisation(app.ctx).run(app.input(idm));
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QCOMPARE(o.ticketNumber, QStringLiteral("1"));
        QVERIFY(o.ticketPrinted);
        QStringList got;
        QSqlQuery q(app.db.admin());
        q.exec(QStringLiteral("SELECT CONCAT_WS('|', jTkod, jBemeres, jKimeres, jNettoBe, jNettoKI) FROM vello "
                              "WHERE jBszam = '1' ORDER BY IDj"));
        while (q.next())
            got << q.value(0).toString();
        QCOMPARE(got.join(" / "), rows);
        QCOMPARE(app.report.variable("v_m1").toDouble(), m1);
        QCOMPARE(app.report.variable("v_bszam").toString(), QStringLiteral("1"));
        QCOMPARE(QStringList({app.report.variable("v_jel_be1").toString(), app.report.variable("v_jel_be2").toString(),
                                     app.report.variable("v_jel_ki1").toString(),
                                     app.report.variable("v_jel_ki2").toString()})
                         .join('|'),
                marks);
        QCOMPARE(app.report.variable("v_mozgas").toString(),
                movement == "B" ? QStringLiteral("BE") : QStringLiteral("KI"));
        QCOMPARE(app.db.count("vello",
                         QStringLiteral("jMbszam = '%1' AND jModDatum = '2024-03-06' AND "
                                        "jRogDatum = '2024-03-06'")
                                 .arg(number)),
                2);
        QCOMPARE(app.db.count("meres"), 0);
        QCOMPARE(counter(app.db, "J"), QStringLiteral("1"));
        QCOMPARE(documentNumber(o), QStringLiteral("1"));
        app.verifyScriptsDone();
    }

    // The marks of typed weights and of the register tare.
    void marks_data()
    {
        QTest::addColumn<QString>("movement");
        QTest::addColumn<bool>("single");
        QTest::addColumn<QList<double>>("weights");   // in1, in2, out1, out2
        QTest::addColumn<QList<double>>("scale");   // their scale figures
        QTest::addColumn<QString>("marks");
        QTest::newRow("all read from the scale") << "B" << false << QList<double> {20000, 14000, 8000, 5000}
                                                 << QList<double> {20000, 14000, 8000, 5000} << "|||";
        QTest::newRow("entry typed") << "B" << false << QList<double> {20000, 0, 8000, 0}
                                     << QList<double> {0, 0, 8000, 0} << "kézi|||";
        QTest::newRow("trailer exit typed") << "B" << false << QList<double> {20000, 14000, 8000, 5000}
                                            << QList<double> {20000, 14000, 8000, 0} << "|||kézi";
        QTest::newRow("typed weight differing from the scale is not marked")
                << "K" << false << QList<double> {8000, 0, 20000, 0} << QList<double> {7990, 0, 20010, 0} << "|||";
        QTest::newRow("register tare on exit") << "B" << true << QList<double> {20000, 0, 8000, 0}
                                               << QList<double> {20000, 0, 0, 0} << "||törzs tára|";
        QTest::newRow("register tare on entry") << "K" << true << QList<double> {8000, 0, 20000, 0}
                                                << QList<double> {0, 0, 20000, 0} << "törzs tára|||";
    }
    void marks()
    {
        QFETCH(QString, movement);
        QFETCH(bool, single);
        QFETCH(QList<double>, weights);
        QFETCH(QList<double>, scale);
        QFETCH(QString, marks);
        FinalisedTicket t;
        t.movement = Passes::movementOf(movement);
        t.single = single;
        t.in1 = weights[0];
        t.in2 = weights[1];
        t.out1 = weights[2];
        t.out2 = weights[3];
        t.scaleIn1 = scale[0];
        t.scaleIn2 = scale[1];
        t.scaleOut1 = scale[2];
        t.scaleOut2 = scale[3];
        const TicketDocument::Marks m = TicketDocument::marks(t);
        QCOMPARE(QStringList({m.in1, m.in2, m.out1, m.out2}).join('|'), marks);
    }

    void guards_data()
    {
        QTest::addColumn<QString>("net");
        QTest::addColumn<QString>("change");   // statement run before
        QTest::addColumn<QString>("message");
        QTest::newRow("net empty") << ""
                                   << ""
                                   << "Üres a netto súly!";
        QTest::newRow("net blanks") << "   "
                                    << ""
                                    << "Üres a netto súly!";
        QTest::newRow("no entry weighing") << "12000"
                                           << "UPDATE meres SET mBemeres1 = 0"
                                           << "Nulla értékü mérés!";
        QTest::newRow("no exit weighing") << "20000"
                                          << "UPDATE meres SET mKimeres1 = 0"
                                          << "Nulla értékü mérés!";
        QTest::newRow("no longer pending") << "12000"
                                           << "DELETE FROM meres"
                                           << "A mérés már nem szerepel a bent lévők között!";
    }
    void guards()
    {
        QFETCH(QString, net);
        QFETCH(QString, change);
        QFETCH(QString, message);
        FinalisationApp app;
        Pending p;
        const qint64 idm = addPending(app.db, p);
        if (!change.isEmpty())
            app.db.exec(change);
        const int pending = app.db.count("meres");
        app.prompt.expectMessage(message);
        const FinalisationOutcome o = Finalisation(app.ctx).run(app.input(idm, net));
        QCOMPARE(o.result, FinalisationOutcome::Refused);
        QCOMPARE(o.focus, QStringLiteral("Edit35"));
        QCOMPARE(o.messages, QStringList {message});
        QCOMPARE(app.db.count("vello"), 0);
        QCOMPARE(app.db.count("meres"), pending);
        QCOMPARE(counter(app.db, "J"), QStringLiteral("0"));
        QVERIFY(app.preview.shown().isEmpty());
        app.verifyScriptsDone();
    }

    // The message of a failure at each statement of storing, in the order
    // they are sent; after each the weighing is still pending, untouched.
    // The failure is one the server refuses for good (a lock conflict is
    // tried again: test_weighing_races).
    void storeStatementFails_data()
    {
        QTest::addColumn<int>("statement");
        QTest::addColumn<QString>("message");
        const QString begin = "Hiba az insert \"BE\" közben az vello -ben!";
        const QString insert = "Hiba: Az INSERT-append a vello -ben ";
        const QString net = "Hiba: mNetto számolás , REPLACE-edit a meres-ban ";
        QTest::newRow("START TRANSACTION") << 1 << begin;
        QTest::newRow("weighing read, locked") << 2 << begin;
        QTest::newRow("producer and crops look-up") << 3 << begin;
        QTest::newRow("row 1 INSERT") << 4 << insert;
        QTest::newRow("row 2 INSERT") << 5 << insert;
        QTest::newRow("crop of row 1") << 6 << net;
        QTest::newRow("net of row 1") << 7 << net;
        QTest::newRow("crop of row 2") << 8 << net;
        QTest::newRow("net of row 2") << 9 << net;
        QTest::newRow("DELETE") << 10 << "Hiba: mérés vello-be áttétel DELETE törlésekor";
        // The number is drawn after the rows are written and checked.
        QTest::newRow("counter read") << 11 << "Hiba: a \"J\" sorszám nem olvasható!";
        QTest::newRow("counter store") << 12 << "Hiba: Az UPDATE \"J\" Sorszam -ban ";
        QTest::newRow("numbering") << 13 << "Hiba: Az jBszam UPDATE vello -ben ";
        // 14: the alibi log's links carried to the ticket (test_alibi_hook)
        QTest::newRow("COMMIT") << 15 << insert;
    }
    void storeStatementFails()
    {
        QFETCH(int, statement);
        QFETCH(QString, message);
        FinalisationApp app;
        const qint64 idm = addPending(app.db, Pending());
        app.prompt.expectMessage(message);
        app.data.failStatement(statement, 1030, QStringLiteral("Got error 28 from storage engine"));
        const FinalisationOutcome o = Finalisation(app.ctx).run(app.input(idm));
        QVERIFY(!app.data.statementFailurePending());
        QCOMPARE(o.result, FinalisationOutcome::Failed);
        QCOMPARE(o.messages, QStringList {message});
        QCOMPARE(app.db.count("vello"), 0);
        QCOMPARE(app.db.count("meres", QStringLiteral("IDm = %1 AND mBemeres1 = 20000").arg(idm)), 1);
        QCOMPARE(counter(app.db, "J"), QStringLiteral("0"));
        QVERIFY(documentNumber(o).isEmpty());
        app.verifyScriptsDone();
    }

    // Rows of an earlier ticket under the same weighing number keep their
    // number; only the two rows of this finalisation are numbered.
    void numberingTouchesOnlyItsOwnRows()
    {
        FinalisationApp app;
        app.db.exec("UPDATE sorszam SET sBszam = '41' WHERE sKod = 'J'");
        app.db.exec("INSERT INTO vello (jBszam, jMbszam, jMozgas, jBemeres, jKimeres, jNettoBe, jTkod) VALUES "
                    "('17', '7', 'B', 100, 50, 50, '1'), (NULL, '7', 'B', 0, 0, 0, '')");
        const qint64 idm = addPending(app.db, Pending());
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", false);
        const FinalisationOutcome o = Finalisation(app.ctx).run(app.input(idm));
        QCOMPARE(o.ticketNumber, QStringLiteral("42"));
        QCOMPARE(app.rows("7"),
                QStringLiteral("17|1|100|50|50|0 / |0|0|0|0 / 42|1|20000|8000|11520|0|2024-03-06|2024-03-06 / "
                               "42||0|0|0|0|2024-03-06|2024-03-06"));
        app.verifyScriptsDone();
    }

    // Printing after the store: the ticket shows the weighing as finalised.
    void ticketPrint()
    {
        FinalisationApp app;
        Pending p;
        p.trailer = "I";
        p.in2 = 14000;
        p.out2 = 5000;
        p.crop2 = "2";
        p.warehouse2 = "2";
        const qint64 idm = addPending(app.db, p);
        app.db.exec("UPDATE sorszam SET sBszam = '41' WHERE sKod = 'J'");
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", true);
        QVERIFY(Finalisation(app.ctx).run(app.input(idm)).ticketPrinted);
        QCOMPARE(app.preview.shown().size(), 1);
        const ReportLayout& l = app.preview.last();
        QCOMPARE(l.templateName, QStringLiteral("vello.frf"));
        QCOMPARE(l.pages.size(), 2);
        const QStringList t = l.pages[0].texts();
        QVERIFY2(t.contains("Bizonylatszám: J 42"), qPrintable(t.join('\n')));
        QVERIFY(t.contains("Név: Kovács István 6400 Kiskunhalas Fő u. 12."));
        QVERIFY(t.contains("Rendszám: ABC-123    Kovács István"));
        QVERIFY(t.contains("34 000"));   // entry total 20000 + 14000
        QVERIFY(t.contains("13 000"));   // exit total 8000 + 5000
        QVERIFY(t.contains("14 000"));
        QVERIFY(t.contains("Megnevezés: Búza "));
        QVERIFY(t.contains("Nettó súly:   21 000  kg"));
        QVERIFY(t.contains("(1)"));   // plate code
        QCOMPARE(app.db.count("meres"), 0);
        app.verifyScriptsDone();
    }

    // A dispatch: ticket, then the delivery note to the consignee picked in
    // the producer list, under a new "S" number; the ticket keeps its "J".
    void deliveryNote()
    {
        FinalisationApp app;
        Pending p;
        p.movement = "K";
        p.in1 = 8000;
        p.out1 = 20000;
        const qint64 idm = addPending(app.db, p);
        app.db.exec("UPDATE sorszam SET sBszam = '9' WHERE sKod = 'S'");
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", true);
        app.prompt.expectConfirm("Szállítólevél nyomtatása ?", true);
        Finalisation::Input in = app.input(idm);
        int picks = 0;
        const auto pick = pickProducer(app, "2");
        in.pickConsignee = [&] {
            ++picks;
            // the stored ticket is final before the pick window opens
            [&] {
                QCOMPARE(app.db.count("meres"), 0);
                QCOMPARE(app.db.count("vello", "jBszam = '1'"), 2);
            }();
            return pick();
        };
        const FinalisationOutcome o = Finalisation(app.ctx).run(in);
        QCOMPARE(picks, 1);
        QCOMPARE(o.ticketNumber, QStringLiteral("1"));
        QCOMPARE(o.deliveryNoteNumber, QStringLiteral("10"));
        QVERIFY(o.deliveryNotePrinted);
        QCOMPARE(documentNumber(o), QStringLiteral("10"));
        QCOMPARE(o.consigneeCode, QStringLiteral("2"));
        QCOMPARE(counter(app.db, "S"), QStringLiteral("10"));
        QCOMPARE(counter(app.db, "J"), QStringLiteral("1"));
        QCOMPARE(app.db.count("vello", "jBszam = '1'"), 2);
        QCOMPARE(app.preview.shown().size(), 2);
        const ReportLayout& note = app.preview.last();
        QCOMPARE(note.templateName, QStringLiteral("szallito.frf"));
        const QStringList t = note.texts();
        QVERIFY2(t.contains("Sorszám: S 10"), qPrintable(t.join('\n')));
        QVERIFY(t.contains("Alföldi Mag Zrt. (2)"));
        QVERIFY(t.contains("12 000"));
        // the note sets only v_bszam: v_m1 and v_mozgas are the ticket's
        QCOMPARE(app.report.variable("v_bszam").toString(), QStringLiteral("10"));
        QCOMPARE(app.report.variable("v_m1").toDouble(), 12000.0);
        QCOMPARE(app.report.variable("v_mozgas").toString(), QStringLiteral("KI"));
        app.verifyScriptsDone();
    }

    // A deadlock or lock-wait timeout at any statement of the "S" draw (a
    // second workstation drawing at the same moment): drawn again, one
    // number used, the note printed under it.
    void deliveryNoteDrawRetried_data()
    {
        QTest::addColumn<int>("statement");   // counted from the consignee pick on
        QTest::addColumn<int>("code");
        const char* names[] = {"", "", "counter bracket", "counter read", "counter store", "counter commit"};
        for (int n = 2; n <= 5; ++n) {
            QTest::addRow("%s, deadlock", names[n]) << n << 1213;
            QTest::addRow("%s, lock wait", names[n]) << n << 1205;
        }
    }
    void deliveryNoteDrawRetried()
    {
        QFETCH(int, statement);
        QFETCH(int, code);
        FinalisationApp app;
        Pending p;
        p.movement = "K";
        const qint64 idm = addPending(app.db, p);
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", false);
        app.prompt.expectConfirm("Szállítólevél nyomtatása ?", true);
        Finalisation::Input in = app.input(idm);
        const auto pick = pickProducer(app, "2");
        in.pickConsignee = [&] {
            const QString picked = pick();
            app.data.failStatement(statement, code);
            return picked;
        };
        const FinalisationOutcome o = Finalisation(app.ctx).run(in);
        QVERIFY(!app.data.statementFailurePending());
        QCOMPARE(o.deliveryNoteNumber, QStringLiteral("1"));
        QVERIFY(o.deliveryNotePrinted);
        QCOMPARE(counter(app.db, "S"), QStringLiteral("1"));
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();
    }

    // The delivery note after a failure at each of its statements: no note
    // without its own new number, the ticket as stored.
    void deliveryNoteFails_data()
    {
        QTest::addColumn<int>("statement");   // counted from the consignee pick on
        QTest::addColumn<bool>("error");   // shown by the default error handler
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("note data") << 1 << true << "Lock wait timeout exceeded" << 1205;
        // A lock conflict at the draw draws again (deliveryNoteDrawRetried);
        // any other refusal ends it.
        QTest::newRow("counter bracket") << 2 << false << "Hiba: Az UPDATE \"S\" Sorszam -ban " << 1030;
        QTest::newRow("counter read") << 3 << false << "Hiba: a \"S\" sorszám nem olvasható!" << 1030;
        QTest::newRow("counter store") << 4 << false << "Hiba: Az UPDATE \"S\" Sorszam -ban " << 1030;
        QTest::newRow("counter commit") << 5 << false << "Hiba: Az UPDATE \"S\" Sorszam -ban " << 1030;
    }
    void deliveryNoteFails()
    {
        QFETCH(int, statement);
        QFETCH(bool, error);
        QFETCH(QString, text);
        QFETCH(int, code);
        FinalisationApp app;
        Pending p;
        p.movement = "K";
        const qint64 idm = addPending(app.db, p);
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", false);
        app.prompt.expectConfirm("Szállítólevél nyomtatása ?", true);
        if (error)
            app.prompt.expectError(text);
        else
            app.prompt.expectMessage(text);
        Finalisation::Input in = app.input(idm);
        const auto pick = pickProducer(app, "2");
        in.pickConsignee = [&] {
            const QString picked = pick();
            app.data.failStatement(statement, code, "Lock wait timeout exceeded");
            return picked;
        };
        const FinalisationOutcome o = Finalisation(app.ctx).run(in);
        QVERIFY(!app.data.statementFailurePending());
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QVERIFY(o.deliveryNoteNumber.isEmpty());
        QVERIFY(!o.deliveryNotePrinted);
        QVERIFY(app.preview.shown().isEmpty());
        QCOMPARE(counter(app.db, "S"), QStringLiteral("0"));
        QCOMPARE(documentNumber(o), QStringLiteral("1"));
        QCOMPARE(app.db.count("vello", "jBszam = '1'"), 2);
        QCOMPARE(app.db.count("meres"), 0);
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();
    }

    // No to both questions: numbered and removed all the same.
    void noPrints()
    {
        FinalisationApp app;
        Pending p;
        p.movement = "K";
        const qint64 idm = addPending(app.db, p);
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", false);
        app.prompt.expectConfirm("Szállítólevél nyomtatása ?", false);
        const FinalisationOutcome o = Finalisation(app.ctx).run(app.input(idm));
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QVERIFY(!o.ticketPrinted && !o.deliveryNotePrinted);
        QCOMPARE(app.db.count("vello", "jBszam = '1'"), 2);
        QCOMPARE(app.db.count("meres"), 0);
        QCOMPARE(counter(app.db, "S"), QStringLiteral("0"));
        QVERIFY(app.preview.shown().isEmpty());
        app.verifyScriptsDone();
    }

    // A print that fails (no printer) leaves the stored ticket as it is.
    void printFailureKeepsTheTicket()
    {
        FinalisationApp app;
        app.preview.setDefaultPrinter(false);
        const qint64 idm = addPending(app.db, Pending());
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", true);
        app.prompt.expectError("There is no default printer currently selected\n"
                               "Nincs alapértelmezett nyomtató: állítson be egyet, vagy telepítsen PDF-nyomtatót "
                               "(printer-driver-cups-pdf csomag, lásd README).");
        const FinalisationOutcome o = Finalisation(app.ctx).run(app.input(idm));
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QVERIFY(!o.ticketPrinted);
        QCOMPARE(app.db.count("vello", "jBszam = '1'"), 2);
        QCOMPARE(app.db.count("meres"), 0);
        // and it cannot be finalised a second time
        app.prompt.expectMessage("A mérés már nem szerepel a bent lévők között!");
        QCOMPARE(Finalisation(app.ctx).run(app.input(idm)).result, FinalisationOutcome::Refused);
        QCOMPARE(counter(app.db, "J"), QStringLiteral("1"));
        app.verifyScriptsDone();
    }

    // A failure at every statement of the finalisation with its prints:
    // after each, the weighing is pending with no ticket row, or finalised
    // with exactly two numbered rows and no longer pending; no "J" or "S"
    // number twice; the counters never behind the highest number used; a
    // weighing left pending is finalised on the next try.
    void faultWalk_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("movement");
        QTest::newRow("lock wait, intake") << 1205 << "B";
        QTest::newRow("lock wait, dispatch") << 1205 << "K";
        QTest::newRow("deadlock, intake") << 1213 << "B";
        QTest::newRow("refused, intake") << 1030 << "B";
        QTest::newRow("refused, dispatch") << 1030 << "K";
        QTest::newRow("lost server, intake") << 2013 << "B";
        QTest::newRow("lost server, dispatch") << 2013 << "K";
    }
    void faultWalk()
    {
        QFETCH(int, code);
        QFETCH(QString, movement);
        FinalisationApp app;
        app.prompt.setLenient(true, true);
        bool done = false;
        QStringList notes;
        for (int n = 1; n < 60 && !done; ++n) {
            Pending p;
            p.number = QString::number(100 + n);
            p.movement = movement;
            p.trailer = "I";
            p.in2 = 14000;
            p.out2 = 5000;
            p.crop2 = "2";
            p.warehouse2 = "2";
            if (movement == "K") {
                std::swap(p.in1, p.out1);
                std::swap(p.in2, p.out2);
            }
            const qint64 idm = addPending(app.db, p);
            const QString where = QStringLiteral("jMbszam = '%1'").arg(p.number);
            const QString ctxText = QStringLiteral("failure at statement %1").arg(n);

            for (int attempt = 0; attempt < 2; ++attempt) {
                Finalisation::Input in = app.input(idm);
                in.pickConsignee = pickProducer(app, "2");
                if (attempt == 0)
                    app.data.failStatement(n, code);
                const FinalisationOutcome o = Finalisation(app.ctx).run(in);
                if (attempt == 0) {
                    done = app.data.statementFailurePending();
                    app.data.clearStatementFailure();
                }
                QVERIFY2(!app.data.inTransaction(), qPrintable(ctxText));
                const bool pending = app.db.count("meres", QStringLiteral("IDm = %1").arg(idm)) == 1;
                const int rows = app.db.count("vello", where);
                QVERIFY2(pending != (rows > 0), qPrintable(ctxText));
                QCOMPARE(o.result == FinalisationOutcome::Done, !pending);
                if (!pending) {
                    QCOMPARE(rows, 2);
                    QCOMPARE(app.db.count("vello", where + " AND jBszam = '" + o.ticketNumber + "'"), 2);
                    QCOMPARE(app.db.scalar("SELECT SUM(jNettoBe + jNettoKI) FROM vello WHERE " + where).toDouble(),
                            movement == "B" ? 11520.0 + 8820.0 : 21000.0);
                } else {
                    QVERIFY2(!o.messages.isEmpty(), qPrintable(ctxText));
                }
                if (!o.deliveryNoteNumber.isEmpty())
                    notes << o.deliveryNoteNumber;
                // no number twice, counters never behind, nothing half-written
                QCOMPARE(app.db.scalar("SELECT COUNT(*) FROM (SELECT jBszam FROM vello GROUP BY jBszam "
                                       "HAVING COUNT(*) <> 2 OR COUNT(DISTINCT jMbszam) <> 1) x")
                                 .toInt(),
                        0);
                QCOMPARE(app.db.count("vello", "jBszam IS NULL"), 0);
                QCOMPARE(app.db.scalar("SELECT COALESCE(MAX(CAST(jBszam AS UNSIGNED)), 0) FROM vello").toLongLong(),
                        counter(app.db, "J").toLongLong());
                QCOMPARE(QSet<QString>(notes.begin(), notes.end()).size(), notes.size());
                for (const QString& s : notes)
                    QVERIFY(s.toLongLong() <= counter(app.db, "S").toLongLong());
                if (!pending)
                    break;
            }
            QCOMPARE(app.db.count("meres", QStringLiteral("IDm = %1").arg(idm)), 0);
        }
        QVERIFY(done);
        if (movement == "K")
            QVERIFY(!notes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFinalisation)
#include "test_finalisation.moc"
