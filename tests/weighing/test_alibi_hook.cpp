// The alibi log behind the weighing: every "Mérés" that yields a weight is
// recorded when it is taken, the IN and OUT store link each stored weight to
// its entry (typed and register tare weights get entries of their own) in
// their transaction, the finalisation carries the links to the ticket, and
// the ticket and its copy print the entry numbers. A store or finalisation
// that fails at any of its statements leaves no link and no entry that
// claims a stored weight.
#include "windowfixture.h"

#include "alibi/alibilog.h"
#include "data/textconv.h"
#include "reports/reportpainter.h"
#include "scale/pseudoterminal.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "tickets/ticketbrowser.h"
#include "weighing/alibistore.h"
#include "weighing/finalisation.h"
#include "weighing/vehiclesonsitewindow.h"
#include "weighing/weighingstore.h"
#include "weighing/weighingwindow.h"
#include "weighing/weighingwindows.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace WindowFixture;

namespace {

const QString ReadMessage = QStringLiteral("Hiba: a mérés nem írható az alibi naplóba, a súly nem került át!");
const QString StoreMessage = QStringLiteral("Hiba: a súlyok nem írhatók az alibi naplóba!");
const QString CarryMessage = QStringLiteral("Hiba: az alibi napló kapcsolatai nem vihetők át a mérlegjegyre!");
const QDateTime At(QDate(2026, 3, 5), QTime(7, 10));

QString alibiDb(const TestApp& app)
{
    return QStringLiteral("`%1`").arg(AlibiLog::databaseFor(app.db.name()));
}

// The log's entries as "nr:source:weight", in order.
QString entries(const TestApp& app)
{
    return app.db
            .scalar(QStringLiteral(
                    "SELECT COALESCE(GROUP_CONCAT(CONCAT_WS(':', nr, forras, suly) ORDER BY nr SEPARATOR ' '), '') "
                    "FROM %1.naplo")
                            .arg(alibiDb(app)))
            .toString();
}

// The links as "direction+measurement:nr", of a pending weighing (`ticket`
// empty) or of a ticket, in measurement order.
QString links(TestApp& app, qint64 pendingId, const QString& ticket = QString())
{
    AlibiLog log(app.data);
    QStringList out;
    for (const AlibiLog::Link& l : ticket.isEmpty() ? log.linksOfPending(pendingId) : log.linksOfTicket(ticket))
        out << QStringLiteral("%1%2:%3").arg(AlibiLog::directionCode(l.direction)).arg(l.slot).arg(l.number);
    return out.join(QLatin1Char(' '));
}

int linkCount(const TestApp& app)
{
    return app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1.kapcsolat").arg(alibiDb(app))).toInt();
}

// Entries that say a weight was typed or taken from the register: written
// only by a store.
int storeEntries(const TestApp& app)
{
    return app.db
            .scalar(QStringLiteral("SELECT COUNT(*) FROM %1.naplo WHERE forras IN ('kézi', 'törzs tára')")
                            .arg(alibiDb(app)))
            .toInt();
}

QString pdfText(const ReportLayout& layout, const QTemporaryDir& dir, const QString& name)
{
    const QString pdf = dir.filePath(name);
    QString error;
    if (!ReportPainter::writePdf(layout, pdf, &error))
        return QStringLiteral("not written: ") + error;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct ToolRun {
    int exitCode = -1;
    QString out;
};

ToolRun alibiTool(const TestApp& app, const QStringList& args)
{
    QProcess p;
    p.start(qEnvironmentVariable("VELLO_BINARY_DIR") + QStringLiteral("/vello-alibi"),
            args
                    + QStringList {QStringLiteral("--user"), QStringLiteral("root"), QStringLiteral("--database"),
                            app.db.name(), QStringLiteral("--socket"), TestDb::socket()});
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput())};
}

// Sends one indicator frame and waits until the weighing window's link has it.
void send(PseudoTerminal& pty, WeighingWindow& w, const QByteArray& frame)
{
    const int before = w.link()->queuedClusters();
    QVERIFY(pty.write(frame));
    QTRY_VERIFY_WITH_TIMEOUT(w.link()->queuedClusters() > before, 10000);
}

// A scale read as the weighing window records it: entry and weight.
AlibiReads readOne(TestApp& app, int measurement, double kg)
{
    ScaleRead::Taken taken {QStringLiteral("ST,GS,+  %1kg\r\n").arg(qint64(kg), 6, 10, QLatin1Char('0')),
            QStringLiteral("ST,GS"), QStringLiteral("/dev/ttyS0")};
    AlibiReads reads;
    const std::optional<qint64> nr = AlibiStore::recordRead(app.ctx, taken, QString::number(qint64(kg)));
    reads.number[measurement - 1] = nr.value_or(0);
    reads.kg[measurement - 1] = kg;
    return reads;
}

}   // namespace

class TestAlibiHook : public QObject {
    Q_OBJECT
private slots:
    // An empty truck with trailer, weighed in and out through the weighing
    // window with a scale on a pseudo-terminal, finalised and printed: each
    // weight on the ticket carries the number of the entry it came from, and
    // vello-alibi show prints that entry with its ticket.
    void scaleReadToTicket()
    {
        TestApp app;
        seedRegisters(app);
        PseudoTerminal pty;
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = '%1' WHERE IDa = 1").arg(pty.slavePath()));
        app.data.ZTable8.refresh();

        // In: the vehicle read from the scale, the trailer typed.
        app.host.expect(QStringLiteral("TForm4"), [](QDialog& w) { click(w, QStringLiteral("Button2")); });
        app.host.expect(QStringLiteral("TForm15"), [](QDialog& w) {
            click(w, QStringLiteral("RadioButton3"));
            click(w, QStringLiteral("CheckBox3"));
            click(w, QStringLiteral("Button1"));
        });
        app.host.expect(QStringLiteral("TForm5"),
                pick(app, QStringLiteral("ZQ30"), QStringLiteral("rKod"), QStringLiteral("1")));
        app.host.expect(QStringLiteral("TForm14"), [&](QDialog& d) {
            auto& w = static_cast<WeighingWindow&>(d);
            send(pty, w, QByteArrayLiteral("ST,GS,+  008000kg\r\n"));
            click(w, QStringLiteral("Button2"));
            QCOMPARE(text(w, QStringLiteral("Edit1")), QStringLiteral("008000"));
            setText(w, QStringLiteral("Edit7"), QStringLiteral("6000"));
            click(w, QStringLiteral("Button1"));
        });
        openVehiclesOnSite(app.ctx);
        QCOMPARE(entries(app), QStringLiteral("1:mérleg:8000.000 2:kézi:6000.000"));
        const qint64 idm = app.db.scalar(QStringLiteral("SELECT IDm FROM meres")).toLongLong();
        QCOMPARE(links(app, idm), QStringLiteral("B1:1 B2:2"));

        // Out: both read; the trailer's reading then typed over.
        app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
            moveTo(w, app.data.ZQ10, QStringLiteral("mBszam"), QStringLiteral("1"));
            click(w, QStringLiteral("Button1"));
        });
        app.host.expect(QStringLiteral("TForm14"), [&](QDialog& d) {
            auto& w = static_cast<WeighingWindow&>(d);
            send(pty, w, QByteArrayLiteral("ST,GS,+  020000kg\r\n"));
            click(w, QStringLiteral("Button2"));
            send(pty, w, QByteArrayLiteral("ST,GS,+  015000kg\r\n"));
            click(w, QStringLiteral("Button6"));
            QCOMPARE(text(w, QStringLiteral("Edit7")), QStringLiteral("015000"));
            setText(w, QStringLiteral("Edit7"), QStringLiteral("16000"));
            for (const char* name : {"Edit5", "Edit6", "Edit11", "Edit12"})
                setText(w, QLatin1String(name), QStringLiteral("1"));
            click(w, QStringLiteral("Button1"));
        });
        openVehiclesOnSite(app.ctx);
        QCOMPARE(entries(app),
                QStringLiteral(
                        "1:mérleg:8000.000 2:kézi:6000.000 3:mérleg:20000.000 4:mérleg:15000.000 5:kézi:16000.000"));
        QCOMPARE(links(app, idm), QStringLiteral("B1:1 B2:2 K1:3 K2:5"));

        // Finalised and printed.
        app.db.exec(QStringLiteral("UPDATE meres SET mOkod = '1'"));
        RecordingPreview preview;
        ReportOutput report(app.ctx, &preview);
        app.ctx.report = &report;
        app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
        app.prompt.expectConfirm(QStringLiteral("Szállítólevél nyomtatása ?"), false);
        Finalisation::Input fin;
        fin.weighingId = idm;
        fin.netText = QStringLiteral("22000");
        const FinalisationOutcome o = Finalisation(app.ctx).run(fin);
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QCOMPARE(o.ticketNumber, QStringLiteral("1"));
        QCOMPARE(links(app, 0, QStringLiteral("1")), QStringLiteral("B1:1 B2:2 K1:3 K2:5"));
        QCOMPARE(report.variable(QStringLiteral("v_alibi_be1")).toString(), QStringLiteral("alibi 1"));
        QCOMPARE(report.variable(QStringLiteral("v_alibi_be2")).toString(), QStringLiteral("alibi 2"));
        QCOMPARE(report.variable(QStringLiteral("v_alibi_ki1")).toString(), QStringLiteral("alibi 3"));
        QCOMPARE(report.variable(QStringLiteral("v_alibi_ki2")).toString(), QStringLiteral("alibi 5"));
        // the ticket's own entry, its chain value's first 8 hex digits beside it
        const QString prefix = QString::fromLatin1(AlibiLog(app.data).entry(6)->chain.left(8));
        QCOMPARE(AlibiLog(app.data).entry(6)->source, QStringLiteral("mérlegjegy"));
        QCOMPARE(report.variable(QStringLiteral("v_alibi_jegy")).toString(), QStringLiteral("alibi 6"));
        QCOMPARE(report.variable(QStringLiteral("v_alibi_lanc")).toString(), prefix);
        QTemporaryDir dir;
        QCOMPARE(preview.shown().size(), 1);
        const QString ticket = pdfText(preview.shown()[0], dir, QStringLiteral("ticket.pdf"));
        // Each copy of the ticket: the numbers under the weights, left to right.
        QVERIFY2(ticket.count(QRegularExpression(QStringLiteral("alibi 1\\s+alibi 2\\s+alibi 3\\s+alibi 5"))) == 4,
                qPrintable(ticket));
        QVERIFY(!ticket.contains(QStringLiteral("alibi 4")));
        QVERIFY2(ticket.count(QRegularExpression(QStringLiteral("alibi 6\\s+") + prefix)) == 4, qPrintable(ticket));

        // The ticket copy from the ticket browser prints the same numbers.
        app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
        QVERIFY(TicketBrowser(app.ctx).printCopy(QStringLiteral("1")));
        const QString copy = pdfText(preview.last(), dir, QStringLiteral("copy.pdf"));
        QVERIFY2(copy.contains(QRegularExpression(QStringLiteral("alibi 1\\s+alibi 2\\s+alibi 3\\s+alibi 5"))),
                qPrintable(copy));
        QVERIFY2(copy.contains(QRegularExpression(QStringLiteral("alibi 6\\s+") + prefix)), qPrintable(copy));

        // A site's own copy template without the fields still prints.
        QTemporaryDir own;
        QFile shipped(QStringLiteral("vello_masolat.frf"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QString frf = QString::fromUtf8(shipped.readAll());
        frf.remove(QRegularExpression(QStringLiteral("\\s*<text[^>]*>[^<]*\\[v_alibi_[^<]*</text>")));
        QVERIFY(!frf.contains(QStringLiteral("[v_alibi")));
        QFile mine(own.filePath(QStringLiteral("vello_masolat.frf")));
        QVERIFY(mine.open(QIODevice::WriteOnly));
        mine.write(frf.toUtf8());
        mine.close();
        const QString here = QDir::currentPath();
        QDir::setCurrent(own.path());
        app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
        const bool printed = TicketBrowser(app.ctx).printCopy(QStringLiteral("1"));
        QDir::setCurrent(here);
        QVERIFY(printed);
        const QString plain = pdfText(preview.last(), dir, QStringLiteral("plain.pdf"));
        QVERIFY2(plain.contains(QStringLiteral("Bizonylatszám: J 1")), qPrintable(plain));
        QVERIFY(!plain.contains(QStringLiteral("alibi")));

        // vello-alibi show: the scale read with its frame, its pending
        // weighing and its ticket.
        ToolRun r = alibiTool(app, {QStringLiteral("show"), QStringLiteral("3")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(QStringLiteral("  forrás:             mérleg\n  súly:               20000.000\n"
                                               "  átvett számjegyek:  020000\n  mérleg állapota:    ST,GS\n"
                                               "  port:               %1\n"
                                               "  nyers keret:        ST,GS,+  020000kg\\x0D\\x0A\n")
                                        .arg(pty.slavePath())),
                qPrintable(r.out));
        QVERIFY2(r.out.contains(
                         QStringLiteral("Mérlegjegy: 1 (függő mérés: %1), mérés: 1 (jármű), kimérés (K)\n").arg(idm)),
                qPrintable(r.out));
        r = alibiTool(app, {QStringLiteral("show"), QStringLiteral("4")});
        QVERIFY2(r.out.endsWith(QStringLiteral("Nem tartozik méréshez.\n")), qPrintable(r.out));
        r = alibiTool(app, {QStringLiteral("verify")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("vello-alibi: a napló ép: 6 bejegyzés ellenőrizve.\n"));
        app.verifyScriptsDone();
    }

    // A reading the log cannot take is not taken: its message, the fields
    // as they were, nothing linked later.
    void readNotRecordedIsNotTaken()
    {
        TestApp app;
        seedRegisters(app);
        PseudoTerminal pty;
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = '%1' WHERE IDa = 1").arg(pty.slavePath()));
        app.data.ZTable8.refresh();
        app.host.expect(QStringLiteral("TForm4"), [](QDialog& w) { click(w, QStringLiteral("Button2")); });
        app.host.expect(QStringLiteral("TForm15"), [](QDialog& w) {
            click(w, QStringLiteral("RadioButton3"));
            click(w, QStringLiteral("Button1"));
        });
        app.host.expect(QStringLiteral("TForm5"),
                pick(app, QStringLiteral("ZQ30"), QStringLiteral("rKod"), QStringLiteral("1")));
        app.host.expect(QStringLiteral("TForm14"), [&](QDialog& d) {
            auto& w = static_cast<WeighingWindow&>(d);
            send(pty, w, QByteArrayLiteral("ST,GS,+  008000kg\r\n"));
            app.prompt.expectMessage(ReadMessage);
            app.data.failStatement(1, 1205);   // the append (one statement)
            click(w, QStringLiteral("Button2"));
            QVERIFY(!app.data.statementFailurePending());
            QCOMPARE(text(w, QStringLiteral("Edit1")), QStringLiteral("0"));
            QCOMPARE(text(w, QStringLiteral("Edit2")), QStringLiteral("0"));
            click(w, QStringLiteral("Button5"));
        });
        openVehiclesOnSite(app.ctx);
        QCOMPARE(entries(app), QString());
        QCOMPARE(linkCount(app), 0);
        app.verifyScriptsDone();
    }

    // Where each stored weight's entry comes from.
    void sourcesOfStoredWeights_data()
    {
        QTest::addColumn<QString>("movement");
        QTest::addColumn<bool>("trailer");
        QTest::addColumn<bool>("single");
        QTest::addColumn<bool>("read");   // measurement 1 read from the scale as 20000 (entry 1)
        QTest::addColumn<QString>("weight1");
        QTest::addColumn<QString>("weight2");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("links");
        QTest::newRow("read and kept") << "K" << false << false << true << "20000"
                                       << "0"
                                       << "1:mérleg:20000.000"
                                       << "B1:1";
        QTest::newRow("read, then typed over") << "K" << false << false << true << "19500"
                                               << "0"
                                               << "1:mérleg:20000.000 2:kézi:19500.000"
                                               << "B1:2";
        QTest::newRow("typed, trailer typed") << "K" << true << false << false << "8000"
                                              << "6000,5"
                                              << "1:kézi:8000.000 2:kézi:6000.500"
                                              << "B1:1 B2:2";
        QTest::newRow("trailer without weight") << "K" << true << false << true << "20000"
                                                << "0"
                                                << "1:mérleg:20000.000"
                                                << "B1:1";
        QTest::newRow("single, loaded: exit from the register") << "B" << false << true << true << "20000"
                                                                << "0"
                                                                << "1:mérleg:20000.000 2:törzs tára:8000.000"
                                                                << "B1:1 K1:2";
        QTest::newRow("single, empty: entry from the register") << "K" << false << true << false << "8000"
                                                                << "0"
                                                                << "1:törzs tára:8000.000"
                                                                << "B1:1";
    }
    void sourcesOfStoredWeights()
    {
        QFETCH(QString, movement);
        QFETCH(bool, trailer);
        QFETCH(bool, single);
        QFETCH(bool, read);
        QFETCH(QString, weight1);
        QFETCH(QString, weight2);
        QFETCH(QString, entries);
        QFETCH(QString, links);
        TestApp app;
        seedRegisters(app);
        WeighingRequest r;
        r.movement = Passes::movementOrDispatch(movement);
        r.trailer = trailer;
        r.singleWeighing = single;
        r.plateCode = QStringLiteral("1");
        WeighingFields f;
        if (read)
            f.alibi = readOne(app, 1, 20000);
        f.weight1 = weight1;
        f.scale1 = read ? QStringLiteral("20000") : QStringLiteral("0");
        f.weight2 = weight2;
        f.crop1 = f.warehouse1 = QStringLiteral("1");
        // Crop 1's standards in the register: purity 100, moisture 14.
        f.standardPurity = QStringLiteral("100");
        f.moisture = QStringLiteral("14");
        f.inTime = QStringLiteral("07:10:00");
        f.plateCode = QStringLiteral("1");
        const WeighingOutcome o = WeighingStore(app.ctx, r).ok(f, At);
        QCOMPARE(o.result, WeighingOutcome::Done);
        const qint64 idm = app.db.scalar(QStringLiteral("SELECT IDm FROM meres")).toLongLong();
        QCOMPARE(::entries(app), entries);
        QCOMPARE(::links(app, idm), links);
        QVERIFY(AlibiLog(app.data).verify().ok());
    }

    // The IN and the OUT store failing at each of their statements: after a
    // failure no link exists for the weighing and no typed or register tare
    // entry was written; the scale read's entry stays as the reading it
    // records. The run that gets through links every weight.
    void failedStoreLeavesNoLink_data()
    {
        QTest::addColumn<bool>("in");
        QTest::addColumn<bool>("single");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("linked");
        QTest::newRow("IN, refused") << true << false << 1030 << "B1:1 B2:2";
        QTest::newRow("IN, lost server") << true << false << 2013 << "B1:1 B2:2";
        QTest::newRow("IN single, refused") << true << true << 1030 << "B1:1 K1:2";
        QTest::newRow("OUT, refused") << false << false << 1030 << "K1:1 K2:2";
        QTest::newRow("OUT, lost server") << false << false << 2013 << "K1:1 K2:2";
    }
    void failedStoreLeavesNoLink()
    {
        QFETCH(bool, in);
        QFETCH(bool, single);
        QFETCH(int, code);
        QFETCH(QString, linked);
        TestApp app;
        seedRegisters(app);
        app.prompt.setLenient(true);
        qint64 idm = 0;
        if (!in)
            idm = addPending(app,
                    {QStringLiteral("7"), QStringLiteral("K"), QStringLiteral("I"), QStringLiteral("1"), 8000, 6000});
        WeighingRequest r;
        r.direction = in ? Direction::In : Direction::Out;
        r.movement = in ? Movement::Delivery : Movement::Dispatch;
        r.trailer = !single;
        r.singleWeighing = single;
        r.plateCode = QStringLiteral("1");
        r.weighingId = idm;
        WeighingFields f;
        f.alibi = readOne(app, 1, 20000);   // entry 1
        f.weight1 = f.scale1 = QStringLiteral("20000");
        f.weight2 = single ? QStringLiteral("0") : QStringLiteral("6000");   // typed
        f.crop1 = f.warehouse1 = QStringLiteral("1");
        f.crop2 = f.warehouse2 = single ? QString() : QStringLiteral("1");
        f.purity = QStringLiteral("98");
        f.moisture = QStringLiteral("16");
        f.standardPurity = QStringLiteral("100");
        f.standardMoisture = QStringLiteral("14");
        f.inTime = QStringLiteral("07:10:00");
        f.plateCode = QStringLiteral("1");
        bool done = false;
        int stored = 0;
        // A lost connection at a look-up before the transaction is no
        // failure: the read is sent again on a new connection (the read
        // rule). The walk of a lost connection starts after the look-ups.
        int first = 1;
        if (DbError::lostConnection(code)) {
            const qint64 before = app.data.statementCount();
            WeighingStore(app.ctx, r).check(f);
            first += int(app.data.statementCount() - before);
        }
        for (int n = first; n < 40 && !done; ++n) {
            const QString at = QStringLiteral("failure at statement %1").arg(n);
            app.prompt.clear();
            app.data.failStatement(n, code);
            const WeighingOutcome o = WeighingStore(app.ctx, r).ok(f, At);
            done = app.data.statementFailurePending();
            app.data.clearStatementFailure();
            QVERIFY2(!app.data.inTransaction(), qPrintable(at));
            if (o.result != WeighingOutcome::Done) {
                QCOMPARE(linkCount(app), 0);
                QCOMPARE(storeEntries(app), 0);
                QCOMPARE(entries(app), QStringLiteral("1:mérleg:20000.000"));
                if (o.messages.contains(StoreMessage))
                    QCOMPARE(o.messages.last(),
                            in ? (single ? QStringLiteral("Hiba: tara-s mérésnél, REPLACE-edit a meres-ban ")
                                         : QStringLiteral("Hiba: Újban, INSERT-append a meres-ben "))
                               : QStringLiteral("Hiba: KI-ben, REPLACE-edit a meres-ban "));
                continue;
            }
            ++stored;
            QVERIFY2(done, qPrintable(at));
        }
        QVERIFY(done);
        QCOMPARE(stored, 1);
        if (in)
            idm = app.db.scalar(QStringLiteral("SELECT IDm FROM meres")).toLongLong();
        QCOMPARE(links(app, idm), linked);
        QCOMPARE(storeEntries(app), 1);
        QVERIFY(AlibiLog(app.data).verify().ok());
    }

    // The finalisation failing at each of its statements: the links stay
    // with the pending weighing, none names a ticket; the run that gets
    // through carries them to the ticket number.
    void failedFinalisationCarriesNothing()
    {
        TestApp app;
        seedRegisters(app);
        app.prompt.setLenient(true);
        const qint64 idm = addPending(app,
                {QStringLiteral("7"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000, 0, 8000, 0,
                        QStringLiteral("1"), QString(), QStringLiteral("1"), QString(), QStringLiteral("1")});
        AlibiLog log(app.data);
        log.link(log.append({AlibiEntry::Scale, 20000, QStringLiteral("020000"), QStringLiteral("ST"),
                         QStringLiteral("/dev/ttyS0"), QStringLiteral("ST,GS,+  020000kg\r\n")}),
                idm, 1, AlibiLog::In);
        log.link(log.append({AlibiEntry::Typed, 8000, {}, {}, {}, {}}), idm, 1, AlibiLog::Out);
        bool done = false;
        bool carryFailed = false;
        for (int n = 1; n < 40 && !done; ++n) {
            const QString at = QStringLiteral("failure at statement %1").arg(n);
            app.data.failStatement(n, 1030);   // refused (a lock conflict is tried again)
            Finalisation::Input fin;
            fin.weighingId = idm;
            fin.netText = QStringLiteral("12000");
            const FinalisationOutcome o = Finalisation(app.ctx).store(fin);
            done = app.data.statementFailurePending();
            app.data.clearStatementFailure();
            QVERIFY2(!app.data.inTransaction(), qPrintable(at));
            if (o.result != FinalisationOutcome::Done) {
                if (o.messages.contains(CarryMessage)) {
                    carryFailed = true;
                    QCOMPARE(o.messages,
                            (QStringList {CarryMessage, QStringLiteral("Hiba: Az INSERT-append a vello -ben ")}));
                }
                QCOMPARE(app.db.count(QStringLiteral("meres")), 1);
                QCOMPARE(app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1.kapcsolat WHERE bszam IS NOT NULL")
                                               .arg(alibiDb(app)))
                                 .toInt(),
                        0);
                QCOMPARE(links(app, idm), QStringLiteral("B1:1 K1:2"));
            } else {
                QVERIFY2(done, qPrintable(at));
                QCOMPARE(links(app, 0, o.ticketNumber), QStringLiteral("B1:1 K1:2"));
            }
        }
        QVERIFY(done);
        QVERIFY(carryFailed);
        QCOMPARE(app.db.count(QStringLiteral("meres")), 0);
    }

    // A pending weight changed after it was linked (behind the program, as
    // root): the finalisation refuses it with its message, nothing is
    // written and the weighing stays pending; put back, it finalises.
    void finalisationRefusesChangedWeight()
    {
        TestApp app;
        seedRegisters(app);
        app.prompt.setLenient(true);
        const qint64 idm = addPending(app,
                {QStringLiteral("7"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000, 0, 8000, 0,
                        QStringLiteral("1"), QString(), QStringLiteral("1"), QString(), QStringLiteral("1")});
        AlibiLog log(app.data);
        log.link(log.append({AlibiEntry::Scale, 20000, QStringLiteral("020000"), QStringLiteral("ST"),
                         QStringLiteral("/dev/ttyS0"), QStringLiteral("ST,GS,+  020000kg\r\n")}),
                idm, 1, AlibiLog::In);
        log.link(log.append({AlibiEntry::Typed, 8000, {}, {}, {}, {}}), idm, 1, AlibiLog::Out);
        app.db.exec(QStringLiteral("UPDATE meres SET mKimeres1 = 7000"));
        Finalisation::Input fin;
        fin.weighingId = idm;
        fin.netText = QStringLiteral("13000");
        FinalisationOutcome o = Finalisation(app.ctx).store(fin);
        QCOMPARE(o.result, FinalisationOutcome::Failed);
        QCOMPARE(o.messages,
                (QStringList {QStringLiteral("Hiba: a(z) kimérés 1 súlya eltér az alibi napló 2. bejegyzésében "
                                             "rögzítettől, a mérlegjegy nem zárható le!"),
                        QStringLiteral("Hiba: Az INSERT-append a vello -ben ")}));
        QCOMPARE(app.db.count(QStringLiteral("meres")), 1);
        QCOMPARE(app.db.count(QStringLiteral("vello")), 0);
        QCOMPARE(app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1.naplo").arg(alibiDb(app))).toInt(), 2);
        app.db.exec(QStringLiteral("UPDATE meres SET mKimeres1 = 8000"));
        o = Finalisation(app.ctx).store(fin);
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QCOMPARE(AlibiLog(app.data).ticketEntry(o.ticketNumber)->number, 3);
        QVERIFY(AlibiLog(app.data).verify().ok());
    }
};

QTEST_MAIN(TestAlibiHook)
#include "test_alibi_hook.moc"
