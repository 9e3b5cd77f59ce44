// The company data window: writes the five company texts into the site row,
// creating it when missing and keeping the scale port name.
#include "testapp.h"
#include "widgets.h"

#include "registers/companydata.h"
#include "registers/registerwindows.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

class TestCompanyData : public QObject {
    Q_OBJECT
private slots:
    void startsWithStoredValuesAndStaysOpen();
    void emptyWithoutSiteRow();
    void createsMissingRow();
    void textsStoredExactly();
    void refusedWriteChangesNothing();
    void faultWalk_data();
    void faultWalk();
    void staleSaveIsTold();
};

namespace {
QString site(const TestDb& db, const QString& column)
{
    return db.scalar(QStringLiteral("SELECT %1 FROM atvevo WHERE IDa = 1").arg(column)).toString();
}
}   // namespace

// The window starts with the stored values of the site row: an operator who
// corrects one box keeps the rest of the real company data.
void TestCompanyData::startsWithStoredValuesAndStaysOpen()
{
    TestApp app;
    app.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Valódi Zrt.', aIrszam = '6720', aHelyseg = 'Szeged', "
                               "aUtca = 'Tisza utca 3.', aSzeria = 'Com3', aAdoszam = '11111111-2-06' WHERE IDa = 1"));
    QCOMPARE(app.data.ZTable8.text(QStringLiteral("aAdoszam")), QStringLiteral("11111111-2-06"));
    QStringList shown[2];
    bool stayedOpen = false;
    QString title;
    for (int i = 0; i < 2; ++i) {
        app.host.expect(QStringLiteral("TForm22"), [&, i](QDialog& w) {
            title = w.windowTitle();
            for (int e = 1; e <= 5; ++e)
                shown[i] << w.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(e))->text();
            if (i == 0) {
                TestUi::child<QPushButton>(w, QStringLiteral("Button1"))->click();   // as it is: nothing changes
                stayedOpen = w.isVisible();
                TestUi::child<QLineEdit>(w, QStringLiteral("Edit1"))->setText(QStringLiteral("Másik Kft."));
                TestUi::child<QPushButton>(w, QStringLiteral("Button1"))->click();   // again
            }
            TestUi::child<QPushButton>(w, QStringLiteral("Button5"))->click();
        });
    }
    openCompanyData(app.ctx);
    openCompanyData(app.ctx);
    QCOMPARE(title, QStringLiteral("Cégnév átírása"));
    QVERIFY(stayedOpen);
    QCOMPARE(shown[0],
            (QStringList {QStringLiteral("Valódi Zrt."), QStringLiteral("6720"), QStringLiteral("Szeged"),
                    QStringLiteral("Tisza utca 3."), QStringLiteral("11111111-2-06")}));
    QCOMPARE(shown[1],
            (QStringList {QStringLiteral("Másik Kft."), QStringLiteral("6720"), QStringLiteral("Szeged"),
                    QStringLiteral("Tisza utca 3."), QStringLiteral("11111111-2-06")}));
    QCOMPARE(site(app.db, QStringLiteral("aNeve")), QStringLiteral("Másik Kft."));
    QCOMPARE(site(app.db, QStringLiteral("aIrszam")), QStringLiteral("6720"));
    QCOMPARE(site(app.db, QStringLiteral("aAdoszam")), QStringLiteral("11111111-2-06"));
    QCOMPARE(site(app.db, QStringLiteral("aSzeria")), QStringLiteral("Com3"));
    QCOMPARE(app.data.ZTable8.text(QStringLiteral("aNeve")), QStringLiteral("Másik Kft."));   // refreshed
    app.verifyScriptsDone();
}

// Without a site row the boxes start empty, and "Felülírás" creates it.
void TestCompanyData::emptyWithoutSiteRow()
{
    TestApp app;
    app.db.exec(QStringLiteral("DELETE FROM atvevo"));
    QStringList shown;
    app.host.expect(QStringLiteral("TForm22"), [&](QDialog& w) {
        for (int e = 1; e <= 5; ++e)
            shown << w.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(e))->text();
        TestUi::child<QLineEdit>(w, QStringLiteral("Edit1"))->setText(QStringLiteral("Új Kft."));
        TestUi::child<QPushButton>(w, QStringLiteral("Button1"))->click();
    });
    openCompanyData(app.ctx);
    QCOMPARE(shown, QStringList(5, QString()));
    QCOMPARE(site(app.db, QStringLiteral("aNeve")), QStringLiteral("Új Kft."));
    app.verifyScriptsDone();
}

void TestCompanyData::createsMissingRow()
{
    TestApp app;
    app.db.exec(QStringLiteral("DELETE FROM atvevo"));
    CompanyData d {QStringLiteral("Cég"), QStringLiteral("1234"), QStringLiteral("Város"), QStringLiteral("Út 2."),
            QStringLiteral("12345678-1-12")};
    QVERIFY(d.write(app.ctx).done());
    QCOMPARE(app.db.count(QStringLiteral("atvevo")), 1);
    QCOMPARE(site(app.db, QStringLiteral("aNeve")), QStringLiteral("Cég"));
    QCOMPARE(site(app.db, QStringLiteral("aAdoszam")), QStringLiteral("12345678-1-12"));
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestCompanyData::textsStoredExactly()
{
    TestApp app;
    const QString odd = QStringLiteral("a'b\"c\\d%e_f\ng");
    CompanyData d {odd, QString(), odd, odd, QString()};
    QVERIFY(d.write(app.ctx).done());
    QCOMPARE(site(app.db, QStringLiteral("aNeve")), odd);
    QCOMPARE(site(app.db, QStringLiteral("aIrszam")), QString());
    QCOMPARE(app.db.count(QStringLiteral("atvevo"), QStringLiteral("aIrszam IS NULL")), 0);
    app.verifyScriptsDone();
}

void TestCompanyData::refusedWriteChangesNothing()
{
    TestApp app;
    app.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Régi', aSzeria = 'Com2' WHERE IDa = 1"));
    app.prompt.expectMessage(QStringLiteral("Hiba: átvevő átírásban, REPLACE-edit a atvevo-ben "));
    CompanyData d {QStringLiteral("Új"), QString(300, QLatin1Char('9')), QString(), QString(), QString()};
    QCOMPARE(int(d.write(app.ctx).result), int(Outcome::Failed));
    QCOMPARE(site(app.db, QStringLiteral("aNeve")), QStringLiteral("Régi"));
    QCOMPARE(site(app.db, QStringLiteral("aSzeria")), QStringLiteral("Com2"));
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestCompanyData::faultWalk_data()
{
    QTest::addColumn<int>("statement");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("written");
    QTest::addColumn<bool>("opened");
    // START TRANSACTION, the INSERT ... ON DUPLICATE KEY UPDATE, the COMMIT;
    // from the window (the row as opened given) the locked read comes second.
    for (const bool opened : {false, true}) {
        for (int n = 1; n <= (opened ? 4 : 3); ++n) {
            const char* o = opened ? ", from the window" : "";
            QTest::addRow("statement %d refused%s", n, o) << n << 1366 << false << opened;
            QTest::addRow("statement %d deadlock%s", n, o) << n << 1213 << true << opened;
            QTest::addRow("statement %d lock wait%s", n, o) << n << 1205 << true << opened;
        }
    }
}

// A refused statement anywhere in the write leaves the row as it was and
// shows the one message; a lock conflict is tried again and writes.
void TestCompanyData::faultWalk()
{
    QFETCH(int, statement);
    QFETCH(int, code);
    QFETCH(bool, written);
    QFETCH(bool, opened);
    TestApp app;
    app.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Régi', aSzeria = 'Com2' WHERE IDa = 1"));
    const CompanyData shown = CompanyData::read(app.ctx);
    if (!written)
        app.prompt.expectMessage(QStringLiteral("Hiba: átvevő átírásban, REPLACE-edit a atvevo-ben "));
    app.data.failStatement(statement, code);
    CompanyData d {QStringLiteral("Új"), shown.postcode, shown.town, shown.street, shown.taxNumber};
    const Outcome o = opened ? d.write(app.ctx, shown) : d.write(app.ctx);
    QCOMPARE(o.done(), written);
    QCOMPARE(site(app.db, QStringLiteral("aNeve")), written ? QStringLiteral("Új") : QStringLiteral("Régi"));
    QCOMPARE(site(app.db, QStringLiteral("aSzeria")), QStringLiteral("Com2"));
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

// Two workstations: the first opens the window, the second saves a new
// street before the first's write starts (the statement hook runs it just
// before the first's START TRANSACTION). The first's new name must not carry
// the old street back: the write is refused with the stored street named
// and shown in its box, the typed name stays; "Felülírás" again saves the
// name with the other workstation's street.
void TestCompanyData::staleSaveIsTold()
{
    TestApp app;
    app.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Régi Kft.', aIrszam = '6720', aHelyseg = 'Szeged', "
                               "aUtca = 'Tisza utca 3.', aSzeria = 'Com3', aAdoszam = '' WHERE IDa = 1"));
    DataModule data2(app.db.settings());
    data2.open();
    ScriptedPrompt prompt2;
    AppContext ctx2(data2, prompt2, nullptr);
    const QString told = QStringLiteral(
            "A cégadatokat a megnyitás óta egy másik munkaállomás módosította, ezért a mentés nem történt meg.\r"
            "A tárolt értékek: Utca: „Fő utca 9.”.\r"
            "Ellenőrizze az adatokat, majd a „Felülírás” gombbal mentse őket.");
    QStringList afterRefusal;
    QString focused;
    app.host.expect(QStringLiteral("TForm22"), [&](QDialog& w) {
        app.data.beforeStatementRuns(1, [&] {
            CompanyData other = CompanyData::read(ctx2);
            other.street = QStringLiteral("Fő utca 9.");
            QVERIFY(other.write(ctx2, CompanyData::read(ctx2)).done());
        });
        TestUi::child<QLineEdit>(w, QStringLiteral("Edit1"))->setText(QStringLiteral("Új Név Kft."));
        app.prompt.expectMessage(told);
        TestUi::child<QPushButton>(w, QStringLiteral("Button1"))->click();
        for (int e = 1; e <= 5; ++e)
            afterRefusal << TestUi::child<QLineEdit>(w, QStringLiteral("Edit%1").arg(e))->text();
        focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        TestUi::child<QPushButton>(w, QStringLiteral("Button1"))->click();   // confirms what is shown
        TestUi::child<QPushButton>(w, QStringLiteral("Button5"))->click();
    });
    openCompanyData(app.ctx);
    QCOMPARE(afterRefusal, (QStringList {"Új Név Kft.", "6720", "Szeged", "Fő utca 9.", ""}));
    QCOMPARE(focused, QStringLiteral("Edit4"));
    QCOMPARE(site(app.db, QStringLiteral("aNeve")), QStringLiteral("Új Név Kft."));
    QCOMPARE(site(app.db, QStringLiteral("aUtca")), QStringLiteral("Fő utca 9."));
    QCOMPARE(site(app.db, QStringLiteral("aSzeria")), QStringLiteral("Com3"));
    QVERIFY(prompt2.shown().isEmpty());
    app.verifyScriptsDone();
}

QTEST_MAIN(TestCompanyData)
#include "test_company_data.moc"
