// The company data window: writes the five company texts into the site row,
// creating it when missing and keeping the scale port name.
#include "testapp.h"
#include "widgets.h"

#include "registers/companydata.h"
#include "registers/registerwindows.h"

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
    // START TRANSACTION, the INSERT ... ON DUPLICATE KEY UPDATE, the COMMIT.
    for (int n = 1; n <= 3; ++n) {
        QTest::addRow("statement %d refused", n) << n << 1366 << false;
        QTest::addRow("statement %d deadlock", n) << n << 1213 << true;
        QTest::addRow("statement %d lock wait", n) << n << 1205 << true;
    }
}

// A refused statement anywhere in the write leaves the row as it was and
// shows the one message; a lock conflict is tried again and writes.
void TestCompanyData::faultWalk()
{
    QFETCH(int, statement);
    QFETCH(int, code);
    QFETCH(bool, written);
    TestApp app;
    app.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Régi', aSzeria = 'Com2' WHERE IDa = 1"));
    if (!written)
        app.prompt.expectMessage(QStringLiteral("Hiba: átvevő átírásban, REPLACE-edit a atvevo-ben "));
    app.data.failStatement(statement, code);
    CompanyData d {QStringLiteral("Új"), QString(), QString(), QString(), QString()};
    const Outcome o = d.write(app.ctx);
    QCOMPARE(o.done(), written);
    QCOMPARE(site(app.db, QStringLiteral("aNeve")), written ? QStringLiteral("Új") : QStringLiteral("Régi"));
    QCOMPARE(site(app.db, QStringLiteral("aSzeria")), QStringLiteral("Com2"));
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

QTEST_MAIN(TestCompanyData)
#include "test_company_data.moc"
