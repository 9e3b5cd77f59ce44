// The weighing window's operations without the window: the checks of OK,
// the IN store with the tare completion, the OUT store, and each store
// walked over a failure at every statement.
#include "testapp.h"
#include "weighingfixture.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "weighing/weighingstore.h"

#include <QTest>

using namespace WeighingFixture;

namespace {

const QDateTime At(QDate(2024, 3, 5), QTime(7, 10, 0));

// Fields of a loaded vehicle with everything picked, and a remark.
WeighingFields remarkedFields()
{
    WeighingFields f = WeighingFixture::loadedFields();
    f.remark = QStringLiteral("első");
    return f;
}

}   // namespace

class TestWeighingStore : public QObject {
    Q_OBJECT
private slots:
    void pickersShown_data()
    {
        QTest::addColumn<bool>("in");
        QTest::addColumn<QString>("movement");
        QTest::addColumn<bool>("shown");
        QTest::newRow("IN loaded") << true << "B" << true;
        QTest::newRow("IN empty") << true << "K" << false;
        QTest::newRow("OUT, loaded arrival") << false << "B" << false;
        QTest::newRow("OUT, empty arrival") << false << "K" << true;
    }
    void pickersShown()
    {
        QFETCH(bool, in);
        QFETCH(QString, movement);
        QFETCH(bool, shown);
        const WeighingRequest r = in ? requestIn(movement) : requestOut(1, movement);
        QCOMPARE(r.loadedPass(), shown);
    }

    // The checks of OK in their order: (IN/OUT, movement, trailer) and the
    // fields changed from a loaded vehicle with everything picked.
    void check_data()
    {
        QTest::addColumn<bool>("in");
        QTest::addColumn<QString>("movement");
        QTest::addColumn<bool>("trailer");
        QTest::addColumn<QStringList>("changes");   // "field=value"
        QTest::addColumn<QString>("message");   // empty: passes
        QTest::addColumn<QString>("focus");
        const auto row = [](const char* name, bool in, const char* mv, bool trailer, QStringList changes,
                                 const char* message, const char* focus) {
            QTest::newRow(name) << in << QString::fromLatin1(mv) << trailer << changes << QString::fromUtf8(message)
                                << QString::fromLatin1(focus);
        };
        row("weight empty", true, "B", false, {"weight1="}, "Üres a mértsúly!", "Edit1");
        row("weight only blanks", true, "K", false, {"weight1=  "}, "Üres a mértsúly!", "Edit1");
        row("weight 0", true, "B", false, {"weight1=0"}, "Nulla a mértsúly!", "Edit1");
        row("weight 0 on exit", false, "B", false, {"weight1=0"}, "Nulla a mértsúly!", "Edit1");
        row("weight 00 passes", true, "K", false, {"weight1=00", "crop1=", "warehouse1="}, "", "");
        row("loaded, no crop", true, "B", false, {"crop1="}, "Nincs kiválasztva a termény!", "Button3");
        row("loaded, no crop, purity too high", true, "B", false, {"crop1=", "purity=100", "standardPurity="},
                "Nincs kiválasztva a termény!", "Button3");
        row("loaded, no warehouse", true, "B", false, {"warehouse1="}, "Nincs kiválasztva a raktár!", "Button4");
        row("trailer weighed, no crop 2", true, "B", true, {"weight2=15000", "warehouse2=2"},
                "Nincs kiválasztva a pótkocsi terménye!", "Button7");
        row("trailer weighed, no warehouse 2", true, "B", true, {"weight2=15000", "crop2=2"},
                "Nincs kiválasztva a pótkocsi raktára!", "Button8");
        row("trailer not weighed needs no pick", true, "B", true, {"weight2=0"}, "", "");
        row("purity empty", true, "B", false, {"purity= "}, "Üres a tisztaság!", "Edit32");
        row("moisture empty", true, "B", false, {"moisture="}, "Üres a viztartalom!", "Edit33");
        row("purity above standard", true, "B", false, {"crop1=2", "purity=100"},
                "Nagyobb mint a szabványnak megadott tisztaság!", "Edit32");
        row("moisture below standard", true, "B", false, {"moisture=9"},
                "Nem lehet kisebb a szabványnak megadott viztartalomnál!", "Edit33");
        row("purity 97 moisture 15 pass", true, "B", false, {"crop1=2", "purity=97", "moisture=15"}, "", "");
        row("equal to the standard passes", true, "B", false, {"crop1=2", "purity=98", "moisture=14"}, "", "");
        row("decimal purity above the standard", true, "B", false, {"crop1=2", "purity=98,5"},
                "Nagyobb mint a szabványnak megadott tisztaság!", "Edit32");
        row("empty arrival: no pick, no purity check", true, "K", false,
                {"crop1=", "warehouse1=", "purity=", "moisture="}, "", "");
        row("loaded arrival leaving: no pick", false, "B", false, {"crop1=", "warehouse1="}, "", "");
        row("empty arrival leaving loaded: crop", false, "K", false, {"crop1="}, "Nincs kiválasztva a termény!",
                "Button3");
        row("empty arrival leaving loaded: warehouse", false, "K", false, {"warehouse1="},
                "Nincs kiválasztva a raktár!", "Button4");
        row("leaving loaded, no standard check", false, "K", false, {"purity=100", "moisture=0"}, "", "");
    }
    void check()
    {
        QFETCH(bool, in);
        QFETCH(QString, movement);
        QFETCH(bool, trailer);
        QFETCH(QStringList, changes);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestApp app;
        seedRegisters(app.db);   // the codes are looked up
        const WeighingRequest request = in ? requestIn(movement, trailer) : requestOut(1, movement, trailer);
        WeighingFields f = remarkedFields();
        for (const QString& c : changes) {
            const QString name = c.section(QLatin1Char('='), 0, 0);
            const QString value = c.section(QLatin1Char('='), 1);
            QString* field = name == "weight1"   ? &f.weight1
                    : name == "weight2"          ? &f.weight2
                    : name == "crop1"            ? &f.crop1
                    : name == "crop2"            ? &f.crop2
                    : name == "warehouse1"       ? &f.warehouse1
                    : name == "warehouse2"       ? &f.warehouse2
                    : name == "purity"           ? &f.purity
                    : name == "moisture"         ? &f.moisture
                    : name == "standardPurity"   ? &f.standardPurity
                    : name == "standardMoisture" ? &f.standardMoisture
                                                 : nullptr;
            QVERIFY2(field, qPrintable(name));
            *field = value;
        }
        if (!message.isEmpty())
            app.prompt.expectMessage(message);
        WeighingStore store(app.ctx, request);
        const WeighingOutcome o = store.check(f);
        QCOMPARE(o.result, message.isEmpty() ? WeighingOutcome::Done : WeighingOutcome::Refused);
        QCOMPARE(o.focus, focus);
        QCOMPARE(o.closesWindow(), message.isEmpty());
        QCOMPARE(app.db.count("meres"), 0);   // checks write nothing
        QCOMPARE(counter(app.db, "M"), QStringLiteral("0"));
        app.verifyScriptsDone();
    }

    // OK refused: nothing stored, no number drawn.
    void okRefusedStoresNothing()
    {
        TestApp app;
        seedRegisters(app.db);
        WeighingRequest request = requestIn("B");
        WeighingFields f = remarkedFields();
        f.warehouse1.clear();
        app.prompt.expectMessage("Nincs kiválasztva a raktár!");
        QCOMPARE(WeighingStore(app.ctx, request).ok(f, At).result, WeighingOutcome::Refused);
        QCOMPARE(app.db.count("meres"), 0);
        QCOMPARE(counter(app.db, "M"), QStringLiteral("0"));
        app.verifyScriptsDone();
    }

    void storeInLoaded()
    {
        TestApp app;
        seedRegisters(app.db);
        app.db.exec("UPDATE sorszam SET sBszam = '41' WHERE sKod = 'M'");
        WeighingRequest request = requestIn("B", true);
        WeighingFields f = remarkedFields();
        f.weight2 = "15000,5";
        f.scale2 = "15000";
        f.crop2 = "2";
        f.warehouse2 = "2";
        f.purity = "97";
        f.moisture = "15";
        const WeighingOutcome o = WeighingStore(app.ctx, request).ok(f, At);
        QCOMPARE(o.result, WeighingOutcome::Done);
        QVERIFY(o.messages.isEmpty());
        QCOMPARE(o.weighingNumber, QStringLiteral("42"));
        QCOMPARE(counter(app.db, "M"), QStringLiteral("42"));
        QCOMPARE(app.db.count("meres"), 1);
        QCOMPARE(
                app.db.scalar("SELECT CONCAT_WS('|', mBszam, mMozgas, mPot, mDatum, mRkod, mBemerleg1, mBemeres1, mTkod1, "
                              "mKkod1, mBemerleg2, mBemeres2, mTkod2, mKkod2, mBeido, mMegj, mTiszt, mViztart, mNetto1, "
                              "COALESCE(mEgymeres, 'null'), mKimeres1) FROM meres")
                        .toString(),
                QStringLiteral(
                        "42|B|I|2024-03-05|1|20000|20000|1|1|15000|15000.5|2|2|07:10:00|első|97|15|35000.5|null|0"));
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();
    }

    void storeInEmptyVehicle()
    {
        TestApp app;
        seedRegisters(app.db);
        WeighingRequest request = requestIn("K");
        WeighingFields f;
        f.weight1 = "8100";
        f.inTime = "06:00:00";
        f.plateCode = "1";
        QCOMPARE(WeighingStore(app.ctx, request).ok(f, At).result, WeighingOutcome::Done);
        QCOMPARE(app.db.scalar("SELECT CONCAT_WS('|', mBszam, mMozgas, mPot, mBemerleg1, mBemeres1, mTkod1, mKkod1, "
                               "mBemeres2, mTiszt, mViztart, mNetto1) FROM meres")
                         .toString(),
                QStringLiteral("1|K||0|8100|||0|100|0|8100"));
        app.verifyScriptsDone();
    }

    // Single weighing: the register tare completes the other pass.
    void singleWeighing_data()
    {
        QTest::addColumn<QString>("movement");
        QTest::addColumn<QString>("plate");
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("expected");   // mBemeres1|mBemerleg1|mNetto1|mKimeres1|mKimerleg1|mNetto2|mEgymeres
        QTest::newRow("empty arrival: tare is the IN side") << "K"
                                                            << "1"
                                                            << "8000"
                                                            << "8000|0|8000|0|0|0|I";
        QTest::newRow("decimal tare") << "K"
                                      << "2"
                                      << "7950,5"
                                      << "7950.5|0|7950.5|0|0|0|I";
        QTest::newRow("loaded arrival: tare is the OUT side") << "B"
                                                              << "1"
                                                              << "20000"
                                                              << "20000|20000|20000|8000|0|8000|I";
    }
    void singleWeighing()
    {
        QFETCH(QString, movement);
        QFETCH(QString, plate);
        QFETCH(QString, weight);
        QFETCH(QString, expected);
        TestApp app;
        seedRegisters(app.db);
        WeighingRequest request = requestIn(movement, false, true, plate);
        WeighingStore store(app.ctx, request);
        // The window's preset of an empty vehicle is the register tare.
        const auto preset = store.tarePreset(plate);
        QCOMPARE(preset.has_value(), movement == "K");
        if (preset)
            QCOMPARE(*preset, weight);
        WeighingFields f = remarkedFields();
        f.plateCode = plate;
        f.weight1 = weight;
        f.scale1 = movement == "B" ? weight : "0";
        QCOMPARE(store.ok(f, At).result, WeighingOutcome::Done);
        QCOMPARE(app.db.scalar("SELECT CONCAT_WS('|', mBemeres1, mBemerleg1, mNetto1, mKimeres1, mKimerleg1, mNetto2, "
                               "mEgymeres) FROM meres")
                         .toString(),
                expected);
        QVERIFY(!app.db.scalar(movement == "K" ? "SELECT mBeido FROM meres" : "SELECT mKiido FROM meres").isNull());
        app.verifyScriptsDone();
    }

    void singleWeighingWithTrailer()
    {
        TestApp app;
        seedRegisters(app.db);
        WeighingRequest request = requestIn("K", true, true);
        WeighingFields f;
        f.weight1 = "8000";
        f.weight2 = "4000";
        f.inTime = "06:00:00";
        f.plateCode = "1";
        app.prompt.expectMessage("Pótos szerelvénynél nincs tara-s mérés!");
        const WeighingOutcome o = WeighingStore(app.ctx, request).ok(f, At);
        QCOMPARE(o.result, WeighingOutcome::Done);
        QCOMPARE(o.messages, QStringList {"Pótos szerelvénynél nincs tara-s mérés!"});
        QCOMPARE(
                app.db.scalar("SELECT CONCAT_WS('|', mBemeres1, mBemeres2, mNetto1, COALESCE(mEgymeres, 'null')) FROM meres")
                        .toString(),
                QStringLiteral("8000|4000|12000|null"));
        app.verifyScriptsDone();
    }

    // Failures with their messages; nothing is stored and no number used.
    void storeInFails_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("single");
        QTest::addColumn<QString>("weight2");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("result");
        // Caught by the field checks before any statement, the field named.
        QTest::newRow("trailer weight emptied")
                << "" << false << "" << QStringList {"Üres a Mértsúly (2) mező!"} << int(WeighingOutcome::Refused);
        QTest::newRow("counter unreadable")
                << "UPDATE sorszam SET sBszam = 'x' WHERE sKod = 'M'" << false << "0"
                << QStringList {"Hiba az append vagy edit közben az meres-ban!"} << int(WeighingOutcome::NotStarted);
        QTest::newRow("tare of a plate no longer in the register")
                << "DELETE FROM rendszam WHERE rKod = '1'" << true << "0"
                << QStringList {"Hiba: tara-s mérésnél, REPLACE-edit a meres-ban "} << int(WeighingOutcome::Failed);
        QTest::newRow("remark too long") << "" << false << "0"
                                         << QStringList {"A(z) Megjegyzés legfeljebb 200 karakter lehet."}
                                         << int(WeighingOutcome::Refused);
    }
    void storeInFails()
    {
        QFETCH(QString, setup);
        QFETCH(bool, single);
        QFETCH(QString, weight2);
        QFETCH(QStringList, messages);
        QFETCH(int, result);
        TestApp app;
        seedRegisters(app.db);
        if (!setup.isEmpty())
            app.db.exec(setup);
        const QString before = counter(app.db, "M");
        WeighingRequest request = requestIn("K", true, single);
        request.trailer = !single;
        WeighingFields f;
        f.weight1 = "8000";
        f.weight2 = weight2;
        f.inTime = "06:00:00";
        f.plateCode = "1";
        if (QByteArray(QTest::currentDataTag()) == "remark too long")
            f.remark = QString(201, QLatin1Char('x'));
        for (const QString& m : messages)
            app.prompt.expectMessage(m);
        const WeighingOutcome o = WeighingStore(app.ctx, request).ok(f, At);
        QCOMPARE(int(o.result), result);
        QCOMPARE(o.messages, messages);
        // Whatever the failure, the window stays open with what was typed.
        QVERIFY(!o.closesWindow());
        QCOMPARE(app.db.count("meres"), 0);
        QCOMPARE(counter(app.db, "M"), before);
        QVERIFY(o.weighingNumber.isEmpty());
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();
    }

    // The message of a failure at each statement of the IN store, in the
    // order the store sends them. The failure is one the server refuses for
    // good (a lock conflict is tried again: test_weighing_races).
    void storeInStatementFails_data()
    {
        QTest::addColumn<bool>("single");
        QTest::addColumn<int>("statement");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("result");
        const QString notStarted = "Hiba az append vagy edit közben az meres-ban!";
        const QString store = "Hiba: Újban, INSERT-append a meres-ben ";
        const QString tare = "Hiba: tara-s mérésnél, REPLACE-edit a meres-ban ";
        const int failed = WeighingOutcome::Failed;
        // The checks look up the crop and the warehouse first.
        QTest::newRow("crop look-up") << false << 1 << QStringList {notStarted} << int(WeighingOutcome::NotStarted);
        QTest::newRow("warehouse look-up")
                << false << 2 << QStringList {notStarted} << int(WeighingOutcome::NotStarted);
        QTest::newRow("START TRANSACTION")
                << false << 3 << QStringList {notStarted} << int(WeighingOutcome::NotStarted);
        QTest::newRow("counter read") << false << 4 << QStringList {notStarted} << int(WeighingOutcome::NotStarted);
        QTest::newRow("INSERT") << false << 5 << QStringList {store} << failed;
        QTest::newRow("counter store") << false << 6 << QStringList {"Hiba: Az UPDATE Sorszam -ba ", store} << failed;
        // The alibi log: the typed weight's entry and its link, one
        // statement (the log's routine).
        const QString alibi = "Hiba: a súlyok nem írhatók az alibi naplóba!";
        QTest::newRow("alibi: entry and link") << false << 7 << QStringList {alibi, store} << failed;
        QTest::newRow("COMMIT") << false << 8 << QStringList {store} << failed;
        QTest::newRow("single: tare read") << true << 7 << QStringList {tare} << failed;
        QTest::newRow("single: tare UPDATE") << true << 8 << QStringList {tare} << failed;
        QTest::newRow("single: alibi: weight entry and link") << true << 9 << QStringList {alibi, tare} << failed;
        QTest::newRow("single: alibi: tare entry and link") << true << 10 << QStringList {alibi, tare} << failed;
        QTest::newRow("single: COMMIT") << true << 11 << QStringList {tare} << failed;
    }
    void storeInStatementFails()
    {
        QFETCH(bool, single);
        QFETCH(int, statement);
        QFETCH(QStringList, messages);
        QFETCH(int, result);
        TestApp app;
        seedRegisters(app.db);
        WeighingRequest request = requestIn("B", false, single);
        for (const QString& m : messages)
            app.prompt.expectMessage(m);
        app.data.failStatement(statement, 1030, QStringLiteral("Got error 28 from storage engine"));
        const WeighingOutcome o = WeighingStore(app.ctx, request).ok(remarkedFields(), At);
        QVERIFY(!app.data.statementFailurePending());
        QCOMPARE(int(o.result), result);
        QCOMPARE(o.messages, messages);
        QCOMPARE(app.db.count("meres"), 0);
        QCOMPARE(counter(app.db, "M"), QStringLiteral("0"));
        app.verifyScriptsDone();
    }

    void storeOut_data()
    {
        QTest::addColumn<QString>("movement");
        QTest::addColumn<QString>("expected");
        // mKimeres1|mKimeres2|mKimerleg1|mKimerleg2|mNetto2|mTkod1|mTkod2|mKkod1|mKkod2|mTiszt|mMegj
        QTest::newRow("loaded arrival keeps its crop") << "B"
                                                       << "8000|0|7990|0|8000|1||1||97|be";
        QTest::newRow("empty arrival takes the crop") << "K"
                                                      << "20000,5|0|20000|0|20000.5|2||2||97|be";
    }
    void storeOut()
    {
        QFETCH(QString, movement);
        QFETCH(QString, expected);
        TestApp app;
        seedRegisters(app.db);
        Pending p;
        p.movement = movement;
        p.number = "12";
        p.out1 = 0;
        const qint64 idm = addPending(app.db, p);
        app.db.exec("UPDATE meres SET mMegj = 'be'");
        WeighingRequest request = requestOut(idm, movement);
        WeighingFields f;
        f.weight1 = movement == "B" ? "8000" : "20000,5";
        f.scale1 = movement == "B" ? "7990" : "20000";
        f.crop1 = "2";
        f.warehouse1 = "2";
        f.purity = "97";   // the sample's result, written on exit
        f.moisture = "15";
        f.remark = "ki";
        const WeighingOutcome o = WeighingStore(app.ctx, request).ok(f, At);
        QCOMPARE(o.result, WeighingOutcome::Done);
        QCOMPARE(o.weighingNumber, QStringLiteral("12"));
        QCOMPARE(app.db.scalar("SELECT CONCAT_WS('|', mKimeres1, mKimeres2, mKimerleg1, mKimerleg2, mNetto2, mTkod1, "
                               "mTkod2, mKkod1, mKkod2, mTiszt, mMegj) FROM meres")
                         .toString(),
                QString(expected).replace("20000,5", "20000.5"));
        QCOMPARE(app.db.scalar("SELECT mKiido FROM meres").toString(), QStringLiteral("07:10:00"));
        app.verifyScriptsDone();
    }

    void storeOutOfAWeighingThatHasGone()
    {
        TestApp app;
        seedRegisters(app.db);
        WeighingRequest request = requestOut(999, "B");
        WeighingFields f;
        f.weight1 = "8000";
        app.prompt.expectMessage("A mérést egy másik munkaállomás már véglegesítette vagy törölte.");
        QCOMPARE(WeighingStore(app.ctx, request).ok(f, At).result, WeighingOutcome::Failed);
        QCOMPARE(app.db.count("meres"), 0);
        app.verifyScriptsDone();
    }

    // A failure at every statement of the IN store: after each, the new
    // weighing is stored whole with a number never used before and the
    // counter on it, or nothing is stored and the counter is unchanged.
    void inStoreFaultWalk_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("single");
        QTest::newRow("lock wait, plain") << 1205 << false;
        QTest::newRow("lock wait, single weighing") << 1205 << true;
        QTest::newRow("deadlock, plain") << 1213 << false;
        QTest::newRow("refused, plain") << 1030 << false;
        QTest::newRow("refused, single weighing") << 1030 << true;
        QTest::newRow("lost server, plain") << 2013 << false;
        QTest::newRow("lost server, single weighing") << 2013 << true;
    }
    void inStoreFaultWalk()
    {
        QFETCH(int, code);
        QFETCH(bool, single);
        TestApp app;
        seedRegisters(app.db);
        app.prompt.setLenient(true);
        WeighingFields f = remarkedFields();
        int stored = 0;
        bool done = false;
        int runs = 0;
        // The checks' register look-ups are plain reads before the store's
        // transaction: a failure there ends the store before it starts.
        const qint64 checkStart = app.data.statementCount();
        QCOMPARE(WeighingStore(app.ctx, requestIn("B", false, single)).check(f).result, WeighingOutcome::Done);
        const int lookups = int(app.data.statementCount() - checkStart);
        for (int n = 1; n < 40 && !done; ++n) {
            ++runs;
            WeighingRequest request = requestIn("B", false, single);
            const int rowsBefore = app.db.count("meres");
            const qint64 counterBefore = counter(app.db, "M").toLongLong();
            app.prompt.clear();
            app.data.failStatement(n, code);
            const WeighingOutcome o = WeighingStore(app.ctx, request).ok(f, At);
            done = app.data.statementFailurePending();
            app.data.clearStatementFailure();
            const QString ctxText = QStringLiteral("failure at statement %1").arg(n);
            QVERIFY2(!app.data.inTransaction(), qPrintable(ctxText));
            const qint64 counterAfter = counter(app.db, "M").toLongLong();
            if (o.result == WeighingOutcome::Done) {
                ++stored;
                QCOMPARE(app.db.count("meres"), rowsBefore + 1);
                QCOMPARE(counterAfter, counterBefore + 1);
                QCOMPARE(o.weighingNumber, QString::number(counterAfter));
            } else {
                QVERIFY2(!o.messages.isEmpty(), qPrintable(ctxText));
                QCOMPARE(app.db.count("meres"), rowsBefore);
                QCOMPARE(counterAfter, counterBefore);
            }
            // never a number twice, the counter never behind, nothing half-written
            QCOMPARE(app.db.scalar("SELECT COUNT(*) - COUNT(DISTINCT mBszam) FROM meres").toInt(), 0);
            QVERIFY(app.db.scalar("SELECT COALESCE(MAX(CAST(mBszam AS UNSIGNED)), 0) FROM meres").toLongLong()
                    <= counterAfter);
            if (single)
                QCOMPARE(app.db.count("meres", "mEgymeres IS NULL OR mKimeres1 <> 8000 OR mNetto2 <> 8000"), 0);
            QCOMPARE(app.db.count("meres", "mBemeres1 <> 20000 OR mTkod1 <> '1' OR mDatum IS NULL"), 0);
        }
        QVERIFY(done);
        // A refused statement: only the run whose failure came after the
        // store's last statement stored. A lock conflict: every run whose
        // conflict came inside the transaction stored, its failed attempt
        // tried again, one number each. A lost connection: every run whose
        // loss came at a look-up before the transaction stored too (the read
        // is sent again on a new connection), and the one after the end.
        const int expected
                = DbError::lockConflict(code) ? runs - lookups : (DbError::lostConnection(code) ? lookups + 1 : 1);
        QCOMPARE(stored, expected);
    }

    void outStoreFaultWalk_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("lock wait") << 1205;
        QTest::newRow("deadlock") << 1213;
        QTest::newRow("refused") << 1030;
        QTest::newRow("lost server") << 2013;
    }
    void outStoreFaultWalk()
    {
        QFETCH(int, code);
        TestApp app;
        seedRegisters(app.db);
        app.prompt.setLenient(true);
        Pending p;
        p.movement = "K";
        p.in1 = 8000;
        p.out1 = 0;
        p.crop1.clear();
        p.warehouse1.clear();
        const qint64 idm = addPending(app.db, p);
        WeighingFields f;
        f.weight1 = "20000";
        f.scale1 = "20000";
        f.crop1 = "1";
        f.warehouse1 = "2";
        bool done = false;
        const qint64 checkStart = app.data.statementCount();
        QCOMPARE(WeighingStore(app.ctx, requestOut(idm, "K")).check(f).result, WeighingOutcome::Done);
        const int lookups = int(app.data.statementCount() - checkStart);
        for (int n = 1; n < 20 && !done; ++n) {
            app.db.exec(
                    "UPDATE meres SET mKimeres1 = 0, mKimerleg1 = 0, mNetto2 = 0, mTkod1 = '', mKkod1 = '', mKiido = NULL");
            WeighingRequest request = requestOut(idm, "K");
            app.data.failStatement(n, code);
            const WeighingOutcome o = WeighingStore(app.ctx, request).ok(f, At);
            done = app.data.statementFailurePending();
            app.data.clearStatementFailure();
            const QString all = app.db.scalar("SELECT CONCAT_WS('|', mKimeres1, mKimerleg1, mNetto2, mTkod1, mKkod1, "
                                              "COALESCE(mKiido, 'null')) FROM meres")
                                        .toString();
            QVERIFY(!app.data.inTransaction());
            if (DbError::lockConflict(code) && n > lookups)
                QCOMPARE(o.result, WeighingOutcome::Done);   // tried again
            if (o.result == WeighingOutcome::Done)
                QCOMPARE(all, QStringLiteral("20000|20000|20000|1|2|07:10:00"));
            else
                QCOMPARE(all, QStringLiteral("0|0|0|||null"));
        }
        QVERIFY(done);
    }
};

QTEST_GUILESS_MAIN(TestWeighingStore)
#include "test_weighing_store.moc"
