// What the operator types at the weighing window, through its operations:
// the crop and warehouse codes looked up in their registers, the purity and
// moisture range and standards (also when leaving), the producer and the net
// of the finalisation. A refused case writes nothing.
#include "testapp.h"
#include "weighingfixture.h"
#include "windowfixture.h"

#include "data/datamodule.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"
#include "data/textconv.h"
#include "weighing/finalisation.h"
#include "weighing/weighingfieldtext.h"
#include "weighing/weighingstore.h"
#include "weighing/weighingwindows.h"

#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using TestUi::child;
using TestUi::click;
using WeighingFixture::addPending;
using WeighingFixture::counter;
using WeighingFixture::loadedFields;
using WeighingFixture::Pending;
using WeighingFixture::requestIn;
using WeighingFixture::requestOut;
using WeighingFixture::seedRegisters;

namespace {

const QDateTime At(QDate(2024, 3, 5), QTime(7, 40, 0));

// Sets "name=value" on the fields of the weighing window.
bool change(WeighingFields& f, const QString& name, const QString& value)
{
    QString* field = name == "weight1"   ? &f.weight1
            : name == "weight2"          ? &f.weight2
            : name == "crop1"            ? &f.crop1
            : name == "crop2"            ? &f.crop2
            : name == "warehouse1"       ? &f.warehouse1
            : name == "warehouse2"       ? &f.warehouse2
            : name == "remark"           ? &f.remark
            : name == "scale1"           ? &f.scale1
            : name == "purity"           ? &f.purity
            : name == "moisture"         ? &f.moisture
            : name == "standardPurity"   ? &f.standardPurity
            : name == "standardMoisture" ? &f.standardMoisture
                                         : nullptr;
    if (field)
        *field = value;
    return field;
}

// Sets "p.name=value" on the pending weighing.
bool change(Pending& p, const QString& name, const QString& value)
{
    QString* text = name == "crop1" ? &p.crop1
            : name == "crop2"       ? &p.crop2
            : name == "warehouse2"  ? &p.warehouse2
            : name == "producer"    ? &p.producer
                                    : nullptr;
    double* number = name == "in1" ? &p.in1
            : name == "out1"       ? &p.out1
            : name == "in2"        ? &p.in2
            : name == "out2"       ? &p.out2
            : name == "purity"     ? &p.purity
            : name == "moisture"   ? &p.moisture
                                   : nullptr;
    if (text)
        *text = value;
    else if (number)
        *number = value.toDouble();
    return text || number;
}

// "pick=CODE" or "pick=CODE:typed": the crop CODE picked for measurement 1
// as the window picks it, with purity and moisture typed by the operator
// before (":typed") or still as the window filled them.
bool pick(AppContext& ctx, WeighingFields& f, const QString& value)
{
    const QString code = value.section(':', 0, 0);
    const bool typed = value.section(':', 1) == QLatin1String("typed");
    const auto crop = WeighingStore(ctx, WeighingRequest()).crop(code);
    if (!crop)
        return false;
    f.crop1 = code;
    WeighingFieldText::fillStandards(
            f, TextConv::number(crop->standardPurity), TextConv::number(crop->standardMoisture), typed, typed);
    return true;
}

// Types `keys` into the box `name` as the operator does: focus, select
// all and delete, the keys one by one (through the box's key filter), then
// leave the box.
void type(QDialog& w, const char* name, const QString& keys)
{
    auto* e = child<QLineEdit>(w, QLatin1String(name));
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, keys);
    e->clearFocus();
}

QString textOf(QDialog& w, const char* name)
{
    return child<QLineEdit>(w, QLatin1String(name))->text();
}

QString focused(QDialog& w)
{
    return w.focusWidget() ? w.focusWidget()->objectName() : QString();
}

}   // namespace

class TestWeighingInput : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;   // the program's settings file: the scale's capacity as shipped
private slots:
    void initTestCase() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path()); }
    // operation: "in" (OK of an entry weighing), "out" (OK of an exit
    // weighing of the pending weighing), "final" (the finalisation of it).
    // changes: "name=value" on the window's fields, "p.name=value" on the
    // pending weighing. stored: for a case that passes, what the database
    // holds afterwards.
    void cases_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("movement");
        QTest::addColumn<bool>("trailer");
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<QString>("message");   // empty: passes
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char* name, const char* op, const char* mv, bool trailer, QStringList changes,
                                 const char* message, const char* focus, const char* stored = "") {
            QTest::newRow(name) << QString::fromLatin1(op) << QString::fromLatin1(mv) << trailer << changes
                                << QString::fromUtf8(message) << QString::fromLatin1(focus)
                                << QString::fromUtf8(stored);
        };
        // The codes that will be stored are looked up in their registers.
        row("typed crop unknown", "in", "B", false, {"crop1=9"}, "Nincs ilyen termény: 9", "Edit5");
        row("typed crop unknown, blanks", "in", "B", false, {"crop1= 9 "}, "Nincs ilyen termény: 9", "Edit5");
        row("typed warehouse unknown", "in", "B", false, {"warehouse1=7"}, "Nincs ilyen raktár: 7", "Edit6");
        row("trailer crop unknown", "in", "B", true, {"weight2=15000", "crop2=8", "warehouse2=2"},
                "Nincs ilyen termény: 8", "Edit11");
        row("trailer warehouse unknown", "in", "B", true, {"weight2=15000", "crop2=2", "warehouse2=8"},
                "Nincs ilyen raktár: 8", "Edit12");
        row("trailer not weighed, code unknown", "in", "B", true, {"weight2=0", "crop2=8"}, "Nincs ilyen termény: 8",
                "Edit11");
        row("leaving loaded, crop unknown", "out", "K", false, {"crop1=9", "warehouse1=1"}, "Nincs ilyen termény: 9",
                "Edit5");
        row("leaving loaded, warehouse unknown", "out", "K", false, {"crop1=1", "warehouse1=9"},
                "Nincs ilyen raktár: 9", "Edit6");
        // The standards are those of the code typed, not of an earlier pick.
        row("crop 2 typed, no pick: moisture below its standard", "in", "B", false,
                {"crop1=2", "standardPurity=", "standardMoisture=", "purity=98", "moisture=0"},
                "Nem lehet kisebb a szabványnak megadott viztartalomnál!", "Edit33");
        row("crop 1 picked, crop 2 typed: purity above crop 2's standard", "in", "B", false,
                {"crop1=2", "standardPurity=100", "purity=99", "moisture=16"},
                "Nagyobb mint a szabványnak megadott tisztaság!", "Edit32");
        row("crop 2 picked, crop 1 typed: crop 1's standard counts", "in", "B", false,
                {"crop1=1", "standardPurity=98", "standardMoisture=14", "purity=99,5", "moisture=14"}, "", "",
                "1|99.5|14");
        // Purity and moisture: numbers from 0 to 100, with the decimal comma.
        row("moisture 162", "in", "B", false, {"moisture=162"}, "A viztartalom 0 és 100 közötti szám lehet!", "Edit33");
        row("moisture 100,5", "in", "B", false, {"moisture=100,5"}, "A viztartalom 0 és 100 közötti szám lehet!",
                "Edit33");
        row("purity not a number", "in", "B", false, {"purity=9x"}, "A tisztaság 0 és 100 közötti szám lehet!",
                "Edit32");
        row("purity with a full stop", "in", "B", false, {"purity=97.5"}, "A tisztaság 0 és 100 közötti szám lehet!",
                "Edit32");
        row("empty arrival, purity below 0", "in", "K", false, {"crop1=", "warehouse1=", "purity=-1"},
                "A tisztaság 0 és 100 közötti szám lehet!", "Edit32");
        row("empty arrival, moisture 101", "in", "K", false, {"crop1=", "warehouse1=", "moisture=101"},
                "A viztartalom 0 és 100 közötti szám lehet!", "Edit33");
        // Purity and moisture edited when leaving are stored, with the same checks.
        row("leaving: purity and moisture stored", "out", "B", false, {"purity=97", "moisture=15,5"}, "", "",
                "8000|97|15.5");
        row("leaving: moisture 150", "out", "B", false, {"moisture=150"}, "A viztartalom 0 és 100 közötti szám lehet!",
                "Edit33");
        row("leaving: purity above the standard of the stored crop", "out", "B", false, {"p.crop1=2", "purity=99"},
                "Nagyobb mint a szabványnak megadott tisztaság!", "Edit32");
        row("leaving: moisture below the standard", "out", "B", false, {"moisture=13"},
                "Nem lehet kisebb a szabványnak megadott viztartalomnál!", "Edit33");
        row("leaving: purity emptied", "out", "B", false, {"purity="}, "Üres a tisztaság!", "Edit32");
        row("leaving loaded: figures stored", "out", "K", false, {"crop1=2", "warehouse1=2", "purity=99", "moisture=1"},
                "", "", "8000|99|1");
        // The finalisation: producer, crop and a net that is not negative.
        row("no producer", "final", "B", false, {"p.producer="}, "Nincs kiválasztva a termelő!", "Edit35");
        row("producer not in the register", "final", "B", false, {"p.producer=9"}, "Nincs ilyen termelő: 9", "Edit35");
        row("dispatch without producer", "final", "K", false, {"p.producer=", "p.in1=8000", "p.out1=20000"},
                "Nincs kiválasztva a termelő!", "Edit35");
        row("crop not in the register", "final", "B", false, {"p.crop1=9"}, "Nincs ilyen termény: 9", "Edit35");
        row("deductions above the weight", "final", "B", false, {"p.purity=40", "p.moisture=70"},
                "A levonások után negatív lenne a nettó súly!", "Edit35");
        row("moisture 162 stored earlier", "final", "B", false, {"p.moisture=162"},
                "A levonások után negatív lenne a nettó súly!", "Edit35");
        row("intake heavier on exit", "final", "B", false, {"p.in1=8000", "p.out1=20000"},
                "A kimenő súly nagyobb a bejövőnél, a nettó negatív lenne!", "Edit35");
        row("deductions up to the whole weight", "final", "B", false, {"p.purity=50", "p.moisture=64"}, "", "", "0");
        // Every loaded pass against its own crop's standards (crop 3 "Rozs":
        // 100 / 14,5); a deduction is never negative.
        row("trailer crop: moisture below its standard", "in", "B", true,
                {"weight2=8000", "crop2=3", "warehouse2=1", "purity=100", "moisture=14"},
                "Nem lehet kisebb a pótkocsi terményének (Rozs) szabványban megadott viztartalomnál!", "Edit33");
        row("trailer crop: purity above its standard", "in", "B", true,
                {"crop1=1", "weight2=8000", "crop2=2", "warehouse2=1", "purity=99", "moisture=16"},
                "Nagyobb mint a pótkocsi terményének (Kukorica) szabványban megadott tisztaság!", "Edit32");
        row("trailer crop, within both standards", "in", "B", true,
                {"crop1=2", "weight2=8000", "crop2=3", "warehouse2=1", "purity=97", "moisture=14,5"}, "", "",
                "2|97|14.5");
        row("trailer not weighed: its crop's standards do not count", "in", "B", true,
                {"weight2=0", "crop2=3", "purity=98", "moisture=14"}, "", "", "1|98|14");
        row("leaving: trailer crop's moisture standard", "out", "B", true,
                {"p.crop2=3", "p.warehouse2=1", "p.in2=8000", "moisture=14"},
                "Nem lehet kisebb a pótkocsi terményének (Rozs) szabványban megadott viztartalomnál!", "Edit33");
        row("two crops stored earlier: no bonus on the trailer", "final", "B", true,
                {"p.crop1=2", "p.purity=97", "p.moisture=14", "p.in2=16000", "p.out2=8000", "p.crop2=3",
                        "p.warehouse2=1"},
                "", "", "11880,7760");
        // A crop pick keeps the figures the operator typed; the window's own
        // give way to the crop's standards.
        row("typed figures stay through a pick", "in", "B", false,
                {"purity=96,5", "moisture=14,8", "standardPurity=", "standardMoisture=", "pick=2:typed"}, "", "",
                "2|96.5|14.8");
        row("start figures take the picked standards", "in", "B", false,
                {"purity=100", "moisture=0", "standardPurity=", "standardMoisture=", "pick=2"}, "", "", "2|98|14");
        row("previous crop's standards give way", "in", "B", false,
                {"crop1=1", "purity=100", "moisture=14", "pick=2:typed", "moisture=15"}, "", "", "2|98|15");
        row("emptied figure takes the standard", "in", "B", false,
                {"purity=", "moisture=16", "standardPurity=", "standardMoisture=", "pick=2:typed"}, "", "", "2|98|16");
        // Every field against its column before any statement, named and focused.
        row("remark of 280 characters", "in", "B", false, {"remark=" + QString(280, 'x')},
                "A(z) Megjegyzés legfeljebb 200 karakter lehet.", "Edit31");
        row("remark with a character the database cannot hold", "in", "B", false, {"remark=jó ✓"},
                "A(z) Megjegyzés olyan karaktert tartalmaz, amelyet az adatbázis nem tud tárolni: \"✓\".", "Edit31");
        row("remark of 200 characters", "in", "K", false, {"remark=" + QString(200, 'x')}, "", "", "|100|0");
        row("weight of 14 digits", "in", "B", false, {"weight1=12345678901234"},
                "A súly nagyobb a mérleg méréshatáránál (80 000 kg)!", "Edit1");
        row("weight at the capacity", "in", "K", false, {"weight1=80000"}, "", "", "|100|0");
        row("trailer weight above the capacity", "out", "B", true, {"weight2=80001"},
                "A súly nagyobb a mérleg méréshatáránál (80 000 kg)!", "Edit7");
        row("trailer weight emptied", "in", "B", true, {"weight2="}, "Üres a Mértsúly (2) mező!", "Edit7");
        row("crop code too long", "in", "B", false, {"crop1=123456"},
                "A(z) Terménykód (1) legfeljebb 5 karakter lehet.", "Edit5");
        row("scale figure not a number", "in", "B", false, {"scale1=02 000"},
                "A mérlegtől kapott adat nem súly: \"02 000\". Kérdezze le újra a mérleget (Mérés)!", "Button2");
    }
    void cases()
    {
        QFETCH(QString, operation);
        QFETCH(QString, movement);
        QFETCH(bool, trailer);
        QFETCH(QStringList, changes);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, stored);
        TestApp app;
        RecordingPreview preview;
        ReportOutput report {app.ctx, &preview};
        app.ctx.report = &report;
        seedRegisters(app.db);
        app.db.exec("INSERT INTO termeny (tKod, tMegnev, tSztiszt, tSzviztart) VALUES ('3', 'Rozs', 100, 14.5)");

        Pending p;
        p.trailer = trailer ? "I" : "";
        p.movement = movement;
        if (operation == "out")
            p.out1 = 0;
        if (movement == "K" && operation != "final") {
            p.crop1.clear();
            p.warehouse1.clear();
        }
        WeighingFields f = loadedFields();
        if (operation == "out") {
            // As the window shows a pending weighing: its figures, no weight
            // yet, the pickers empty unless the vehicle leaves loaded.
            f.weight1 = "8000";
            f.scale1 = "8000";
            f.crop1.clear();
            f.warehouse1.clear();
            f.standardPurity.clear();
            f.standardMoisture.clear();
        } else if (movement == "K") {
            f.crop1.clear();
            f.warehouse1.clear();
            f.purity = "100";
            f.moisture = "0";
        }
        for (const QString& c : changes) {
            const QString name = c.section('=', 0, 0);
            const QString value = c.section('=', 1);
            const bool known = name == "pick" ? pick(app.ctx, f, value)
                    : name.startsWith("p.")   ? change(p, name.mid(2), value)
                                              : change(f, name, value);
            QVERIFY2(known, qPrintable(name));
        }
        const qint64 idm = operation == "in" ? 0 : addPending(app.db, p);
        const QString before = app.db.scalar("SELECT CONCAT_WS('|', COUNT(*), SUM(mKimeres1), SUM(mTiszt), "
                                             "SUM(mViztart)) FROM meres")
                                       .toString();

        if (!message.isEmpty())
            app.prompt.expectMessage(message);
        Outcome::Result result;
        QString gotFocus;
        if (operation == "final") {
            if (message.isEmpty())
                app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", false);
            Finalisation::Input in;
            in.weighingId = idm;
            in.netText = "12000";
            in.today = QDate(2024, 3, 6);
            const FinalisationOutcome o = Finalisation(app.ctx).run(in);
            result = o.result;
            gotFocus = o.focus;
        } else {
            const WeighingRequest r
                    = operation == "in" ? requestIn(movement, trailer) : requestOut(idm, movement, trailer);
            const WeighingOutcome o = WeighingStore(app.ctx, r).ok(f, At);
            result = o.result;
            gotFocus = o.focus;
        }
        QCOMPARE(result, message.isEmpty() ? Outcome::Done : Outcome::Refused);
        QCOMPARE(gotFocus, focus);
        app.verifyScriptsDone();

        if (!message.isEmpty()) {
            // Nothing written: no ticket, no number used, the pending weighing as it was.
            QCOMPARE(app.db.count("vello"), 0);
            QCOMPARE(counter(app.db, "M"), QStringLiteral("0"));
            QCOMPARE(counter(app.db, "J"), QStringLiteral("0"));
            QCOMPARE(app.db.scalar("SELECT CONCAT_WS('|', COUNT(*), SUM(mKimeres1), SUM(mTiszt), SUM(mViztart)) "
                                   "FROM meres")
                             .toString(),
                    before);
            return;
        }
        if (operation == "in")
            QCOMPARE(app.db.scalar("SELECT CONCAT_WS('|', mTkod1, mTiszt, mViztart) FROM meres").toString(), stored);
        else if (operation == "out")
            QCOMPARE(app.db.scalar("SELECT CONCAT_WS('|', mKimeres1, mTiszt, mViztart) FROM meres").toString(), stored);
        else
            QCOMPARE(
                    app.db.scalar("SELECT GROUP_CONCAT(jNettoBe ORDER BY IDj) FROM vello WHERE jTkod <> ''").toString(),
                    stored);
    }

    // The weighing window as the operator types into it: codes typed
    // instead of picked, a full stop for the decimal comma, a figure out of
    // range, an unknown crop code; each refusal keeps the window open with
    // the box in focus and nothing stored.
    void typingAtTheWindow()
    {
        TestApp app;
        WindowFixture::seedRegisters(app);
        app.host.expect("TForm4", [](QDialog& w) { click(w, "Button2"); });
        app.host.expect("TForm15", [](QDialog& w) {
            click(w, "RadioButton4");   // loaded
            click(w, "Button1");
        });
        app.host.expect("TForm5", WindowFixture::pick(app, "ZQ30", "rKod", "1"));
        app.host.expect("TForm14", [&](QDialog& w) {
            w.activateWindow();
            // Crop 2 typed: its name and standards, as a pick fills them.
            type(w, "Edit5", "2");
            QCOMPARE(textOf(w, "Edit3"), QStringLiteral("Kukorica"));
            QCOMPARE(textOf(w, "Edit32"), QStringLiteral("98"));
            QCOMPARE(textOf(w, "Edit33"), QStringLiteral("14"));
            type(w, "Edit6", "1");
            QCOMPARE(textOf(w, "Edit4"), QStringLiteral("Síkraktár 1"));
            type(w, "Edit1", "20000,5");
            QCOMPARE(textOf(w, "Edit1"), QStringLiteral("200005"));   // weights: whole kilograms
            type(w, "Edit1", "20000");
            // A full stop becomes the comma; a second separator is dropped.
            type(w, "Edit32", "97.5,");
            QCOMPARE(textOf(w, "Edit32"), QStringLiteral("97,5"));
            type(w, "Edit33", "16.2");
            QCOMPARE(textOf(w, "Edit33"), QStringLiteral("16,2"));

            // Out of range.
            type(w, "Edit33", "162");
            click(w, "Button1");
            QVERIFY(w.isVisible());
            QCOMPARE(focused(w), QStringLiteral("Edit33"));
            type(w, "Edit33", "16.2");

            // An unknown crop: its name goes, OK names the code.
            type(w, "Edit5", "9");
            QCOMPARE(textOf(w, "Edit3"), QString());
            click(w, "Button1");
            QVERIFY(w.isVisible());
            QCOMPARE(focused(w), QStringLiteral("Edit5"));
            QCOMPARE(app.db.count("meres"), 0);

            // Back to crop 2: the figures typed before stay.
            type(w, "Edit5", "2");
            QCOMPARE(textOf(w, "Edit3"), QStringLiteral("Kukorica"));
            QCOMPARE(textOf(w, "Edit32"), QStringLiteral("97,5"));
            QCOMPARE(textOf(w, "Edit33"), QStringLiteral("16,2"));
            type(w, "Edit32", "97.5");
            type(w, "Edit33", "16,2");
            click(w, "Button1");
        });
        app.prompt.expectMessage("A viztartalom 0 és 100 közötti szám lehet!");
        app.prompt.expectMessage("Nincs ilyen termény: 9");
        openVehiclesOnSite(app.ctx);
        app.verifyScriptsDone();
        QCOMPARE(app.db.scalar("SELECT CONCAT_WS('|', mBemeres1, mTkod1, mKkod1, mTiszt, mViztart) FROM meres")
                         .toString(),
                QStringLiteral("20000|2|1|97.5|16.2"));
    }

    // A ticket is never stored with a negative intake net: for every
    // purity and moisture the window lets through, the finalisation stores
    // a net from 0 to the weight difference, or refuses.
    void intakeNetNeverNegative_data()
    {
        QTest::addColumn<QString>("crop");
        QTest::addColumn<QString>("purity");
        QTest::addColumn<QString>("moisture");
        for (const char* purity : {"0", "50", "97,5", "100"})
            for (const char* moisture : {"14", "49,9", "86", "100"})
                QTest::newRow(qPrintable(QStringLiteral("purity %1, moisture %2").arg(purity, moisture)))
                        << "1" << QString::fromLatin1(purity) << QString::fromLatin1(moisture);
    }
    void intakeNetNeverNegative()
    {
        QFETCH(QString, crop);
        QFETCH(QString, purity);
        QFETCH(QString, moisture);
        TestApp app;
        RecordingPreview preview;
        ReportOutput report {app.ctx, &preview};
        app.ctx.report = &report;
        seedRegisters(app.db);
        WeighingFields in = loadedFields();
        in.crop1 = crop;
        in.purity = purity;
        in.moisture = moisture;
        QCOMPARE(WeighingStore(app.ctx, requestIn("B")).ok(in, At).result, Outcome::Done);
        const qint64 idm = app.db.scalar("SELECT IDm FROM meres").toLongLong();
        app.db.exec("UPDATE meres SET mOkod = '1'");
        WeighingFields out;
        out.weight1 = "8000";
        out.purity = purity;
        out.moisture = moisture;
        QCOMPARE(WeighingStore(app.ctx, requestOut(idm, "B")).ok(out, At).result, Outcome::Done);

        const double d = 12000;
        const double p = purity.replace(',', '.').toDouble(), v = moisture.replace(',', '.').toDouble();
        const double net = d - (d * (100 - p) / 100 + d * (v - 14) / 100);
        if (net < 0)
            app.prompt.expectMessage("A levonások után negatív lenne a nettó súly!");
        else
            app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", false);
        Finalisation::Input fin;
        fin.weighingId = idm;
        fin.netText = "12000";
        const FinalisationOutcome o = Finalisation(app.ctx).run(fin);
        app.verifyScriptsDone();
        QCOMPARE(o.result, net < 0 ? Outcome::Refused : Outcome::Done);
        QCOMPARE(app.db.count("vello", "jNettoBe < 0"), 0);
        QCOMPARE(app.db.count("vello"), net < 0 ? 0 : 2);
    }
};

QTEST_MAIN(TestWeighingInput)
#include "test_weighing_input.moc"
