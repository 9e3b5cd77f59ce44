// Register entry dialogs: new codes, required fields, insert and replace,
// what modifying keeps, failures and awkward input, for all four members.
#include "registerfixture.h"

#include "registers/registerentry.h"
#include "registers/registerstate.h"
#include "registers/registerwindows.h"

using namespace RegisterFixture;

namespace {

// A value for the member's required boxes that passes the checks.
RegisterEntry::Values filled(const RegisterMember& m, const QString& name)
{
    RegisterEntry::Values v;
    for (const RegisterField& f : m.fields)
        v.insert(f.control, f.initial);
    v.insert(QStringLiteral("Edit1"), name);
    return v;
}

void seedNumbered(const TestDb& db, const RegisterMember& m, int from, int to)
{
    QList<QPair<QString, QString>> rows;
    for (int i = from; i <= to; ++i)
        rows.append({QString::number(i), QStringLiteral("Név %1").arg(i, 2, 10, QLatin1Char('0'))});
    seed(db, m, rows);
}

}   // namespace

class TestRegisterEntry : public QObject {
    Q_OBJECT
private slots:
    void codeAfter_data();
    void codeAfter();
    void newRowsThroughTheWindow_data() { addMembers(); }
    void newRowsThroughTheWindow();
    void newCodeRefused_data();
    void newCodeRefused();
    void firstRowOfAnEmptyRegister_data() { addMembers(); }
    void firstRowOfAnEmptyRegister();
    void requiredFields_data();
    void requiredFields();
    void blankPlateKeepsDialogOpen();
    void modifyKeepsCodeAndId_data() { addMembers(); }
    void modifyKeepsCodeAndId();
    void modifyKeepsListOnSavedRow_data() { addMembers(); }
    void modifyKeepsListOnSavedRow();
    void modifyOfARowGoneMeanwhile_data() { addMembers(); }
    void modifyOfARowGoneMeanwhile();
    void cropFractionAndPriceDefaults();
    void cancelWritesNothing_data() { addMembers(); }
    void cancelWritesNothing();
    void textsStoredExactly_data();
    void textsStoredExactly();
    void pastedNonDigits_data();
    void pastedNonDigits();
    void newPlateDefaults();
    void unreadableRowForModify();
    void unhandledFailureRollsBack();
    void digitBoxesDropOtherKeys();
    void enterMovesThroughTheDialog();
};

void TestRegisterEntry::codeAfter_data()
{
    QTest::addColumn<QString>("highest");
    QTest::addColumn<QString>("next");
    QTest::newRow("9") << "9"
                       << "10";
    QTest::newRow("41") << "41"
                        << "42";
    QTest::newRow("99") << "99"
                        << "100";
    QTest::newRow("leading zeros") << "0041"
                                   << "42";
    QTest::newRow("99998") << "99998"
                           << "99999";
    QTest::newRow("99999 does not fit") << "99999" << QString();
    QTest::newRow("empty") << "" << QString();
    QTest::newRow("letters") << "12a" << QString();
}

void TestRegisterEntry::codeAfter()
{
    QFETCH(QString, highest);
    QFETCH(QString, next);
    const std::optional<QString> got = RegisterEntry::codeAfter(highest);
    QCOMPARE(got.value_or(QString()), next);
}

void TestRegisterEntry::newRowsThroughTheWindow()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seedNumbered(app.db, m, 1, 9);
    QString firstCode, secondCode, label, dialogTitle, percent;
    auto add = [&](const QString& name) {
        app.host.expect(m.dialogWindow, [&, name](QDialog& d) {
            dialogTitle = d.windowTitle();
            if (kind == RegisterKind::Crops)
                percent = text(d, QStringLiteral("Edit5")) + QLatin1Char('/') + text(d, QStringLiteral("Edit6"));
            setText(d, QStringLiteral("Edit1"), name);
            click(d, QStringLiteral("Button2"));
        });
    };
    add(QStringLiteral("Új egy"));
    add(QStringLiteral("Új kettő"));
    app.host.expect(m.listWindow, [&](QDialog& w) {
        click(w, QStringLiteral("Button2"));
        firstCode = currentCode(app.ctx, m);
        click(w, QStringLiteral("Button2"));
        secondCode = currentCode(app.ctx, m);
        label = text(w, QStringLiteral("Label18"));
        QTest::keyClicks(child<QLineEdit>(w, QStringLiteral("Edit1")), QStringLiteral("n"));   // move away
    });
    QString reopened;
    app.host.expect(m.listWindow, [&](QDialog&) { reopened = currentCode(app.ctx, m); });
    openRegisterList(app.ctx, kind);
    openRegisterList(app.ctx, kind);

    QCOMPARE(dialogTitle, m.dialogTitle);
    QCOMPARE(firstCode, QStringLiteral("10"));
    QCOMPARE(secondCode, QStringLiteral("11"));
    QCOMPARE(label, m.afterSaveCaption);
    QCOMPARE(registerState(app.ctx).orderCaption, m.initialCaption());   // the second opening set it again
    QCOMPARE(registerState(app.ctx).lastSavedCode.value(m.table), QStringLiteral("11"));
    QCOMPARE(reopened, QStringLiteral("11"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '11'").arg(m.nameColumn, m.table, m.codeColumn))
                     .toString(),
            QStringLiteral("Új kettő"));
    if (kind == RegisterKind::Crops) {
        QCOMPARE(percent, QStringLiteral("100/0"));
        QCOMPARE(app.db.scalar(QStringLiteral("SELECT tSztiszt FROM termeny WHERE tKod = '10'")).toDouble(), 100.0);
        QCOMPARE(app.db.scalar(QStringLiteral("SELECT tSzviztart FROM termeny WHERE tKod = '10'")).toDouble(), 0.0);
    }
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestRegisterEntry::newCodeRefused_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("99999") << QStringList {QStringLiteral("5"), QStringLiteral("99999")};
    QTest::newRow("highest not a number") << QStringList {QStringLiteral("-")};
}

void TestRegisterEntry::newCodeRefused()
{
    QFETCH(QStringList, codes);
    const RegisterMember& m = registerMember(RegisterKind::Plates);
    TestApp app;
    for (const QString& c : codes)
        seed(app.db, m, {{c, QStringLiteral("X")}});
    const int before = app.db.count(m.table);
    registerState(app.ctx).dialogMode = m.newModeText;
    registerState(app.ctx).lastSavedCode.insert(m.table, QStringLiteral("7"));
    app.prompt.expectMessage(m.insertFailed);
    RegisterEntry entry(app.ctx, m);
    const RegisterEntry::SaveOutcome r = entry.save(filled(m, QStringLiteral("ABC-123")));
    QCOMPARE(int(r.result), int(Outcome::Failed));
    QVERIFY(r.listRerun);
    QCOMPARE(app.db.count(m.table), before);
    QCOMPARE(registerState(app.ctx).lastSavedCode.value(m.table), QStringLiteral("7"));
    QCOMPARE(m.listQuery(app.data).sql(), m.defaultOrderSql());   // the list is re-run all the same
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestRegisterEntry::firstRowOfAnEmptyRegister()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    registerState(app.ctx).dialogMode = m.newModeText;
    RegisterEntry entry(app.ctx, m);
    const RegisterEntry::SaveOutcome r = entry.save(filled(m, QStringLiteral("Első")));
    QCOMPARE(int(r.result), int(Outcome::Done));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT %1 FROM %2").arg(m.codeColumn, m.table)).toString(),
            QStringLiteral("1"));
    QCOMPARE(registerState(app.ctx).lastSavedCode.value(m.table), QStringLiteral("1"));
    QVERIFY(app.prompt.shown().isEmpty());
    QVERIFY(!app.data.inTransaction());
}

void TestRegisterEntry::requiredFields_data()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::addColumn<QString>("blank");
    QTest::addColumn<QString>("message");
    for (RegisterKind k : registerKinds()) {
        const RegisterMember& m = registerMember(k);
        for (const RegisterField& f : m.fields)
            if (f.has(RegisterField::Required))
                QTest::addRow("%s %s", qPrintable(m.table), qPrintable(f.control))
                        << k << f.control << f.requiredMessage;
    }
}

void TestRegisterEntry::requiredFields()
{
    QFETCH(RegisterKind, kind);
    QFETCH(QString, blank);
    QFETCH(QString, message);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seedNumbered(app.db, m, 1, 2);
    registerState(app.ctx).dialogMode = m.newModeText;
    RegisterEntry::Values v = filled(m, QStringLiteral("Név"));
    v.insert(blank, QStringLiteral("   "));
    // Boxes after the blank one are blank as well: the first in order is reported.
    bool after = false;
    for (const RegisterField& f : m.fields) {
        if (after && f.has(RegisterField::Required))
            v.insert(f.control, QString());
        after = after || f.control == blank;
    }
    app.prompt.expectMessage(message);
    RegisterEntry entry(app.ctx, m);
    const RegisterEntry::SaveOutcome r = entry.save(v);
    QCOMPARE(int(r.result), int(Outcome::Refused));
    QCOMPARE(r.focus, blank);
    QCOMPARE(app.db.count(m.table), 2);
    app.verifyScriptsDone();
}

void TestRegisterEntry::blankPlateKeepsDialogOpen()
{
    const RegisterMember& m = registerMember(RegisterKind::Plates);
    TestApp app;
    seedNumbered(app.db, m, 1, 2);
    app.prompt.expectMessage(QStringLiteral("Üres a rendszám!"));
    bool open = false;
    QWidget* focused = nullptr;
    QWidget* plate = nullptr;
    app.host.expect(m.listWindow, [&](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        setText(d, QStringLiteral("Edit3"), QStringLiteral("Kiss Péter"));
        setText(d, QStringLiteral("Edit1"), QStringLiteral("  "));
        click(d, QStringLiteral("Button2"));
        open = d.isVisible();
        focused = d.focusWidget();
        plate = d.findChild<QLineEdit*>(QStringLiteral("Edit1"));
        click(d, QStringLiteral("Button3"));
    });
    openRegisterList(app.ctx, RegisterKind::Plates);
    QVERIFY(open);
    QCOMPARE(focused, plate);
    QCOMPARE(app.db.count(m.table), 2);
    app.verifyScriptsDone();
}

void TestRegisterEntry::modifyKeepsCodeAndId()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seedNumbered(app.db, m, 1, 3);
    const QString id
            = app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '2'").arg(m.idColumn, m.table, m.codeColumn))
                      .toString();
    QString shownCode, shownId, label;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        click(w, QStringLiteral("Button3"));
        label = text(w, QStringLiteral("Label18"));
    });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        shownCode = text(d, m.codeControl);
        shownId = text(d, m.idControl);
        setText(d, QStringLiteral("Edit1"), QStringLiteral("Átírt \"név\""));
        setText(d, QStringLiteral("Edit2"), QStringLiteral("12"));
        click(d, QStringLiteral("Button2"));
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(shownCode, QStringLiteral("2"));
    QCOMPARE(shownId, id);
    QCOMPARE(app.db.count(m.table), 3);
    const QString where = QStringLiteral("%1 = %2").arg(m.idColumn, id);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(m.codeColumn, m.table, where)).toString(),
            QStringLiteral("2"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(m.nameColumn, m.table, where)).toString(),
            QStringLiteral("Átírt \"név\""));
    QCOMPARE(label, m.afterSaveCaption);
    QCOMPARE(currentCode(app.ctx, m), QStringLiteral("2"));
    QCOMPARE(registerState(app.ctx).lastSavedCode.value(m.table), QStringLiteral("2"));
    app.verifyScriptsDone();
}

// After saving code "1" the list stands on "1", not on "10" that comes
// first in name order: a caller takes the current row.
void TestRegisterEntry::modifyKeepsListOnSavedRow()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, {{QStringLiteral("10"), QStringLiteral("Abony")}, {QStringLiteral("1"), QStringLiteral("Bécs")}});
    QString before;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        before = currentCode(app.ctx, m);
        click(w, QStringLiteral("Button3"));
    });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        setText(d, QStringLiteral("Edit2"), QStringLiteral("12"));
        click(d, QStringLiteral("Button2"));
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(before, QStringLiteral("1"));
    QCOMPARE(registerState(app.ctx).lastSavedCode.value(m.table), QStringLiteral("1"));
    QCOMPARE(currentCode(app.ctx, m), QStringLiteral("1"));
    QCOMPARE(m.listQuery(app.data).text(m.nameColumn), QStringLiteral("Bécs"));
    app.verifyScriptsDone();
}

void TestRegisterEntry::cropFractionAndPriceDefaults()
{
    const RegisterMember& m = registerMember(RegisterKind::Crops);
    TestApp app;
    app.db.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev, tSztiszt, tSzviztart, tAr, tTisztAr, tSzaritAr) "
                               "VALUES ('1', 'Búza', 98.5, 14.5, 7, 3, 2), ('2', 'Kukorica', 100, 0, 0, 0, 0)"));
    QString purity, moisture;
    app.host.expect(m.listWindow, [&](QDialog& w) { click(w, QStringLiteral("Button3")); });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        purity = text(d, QStringLiteral("Edit5"));
        moisture = text(d, QStringLiteral("Edit6"));
        click(d, QStringLiteral("Button2"));
    });
    openRegisterList(app.ctx, RegisterKind::Crops);
    QCOMPARE(purity, QStringLiteral("98,5"));
    QCOMPARE(moisture, QStringLiteral("14,5"));
    const QString row = QStringLiteral(" FROM termeny WHERE tKod = '1'");
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT tSztiszt") + row).toDouble(), 98.5);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT tSzviztart") + row).toDouble(), 14.5);
    // A replacement rewrites the whole row: the price columns take their defaults.
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT tAr + tTisztAr + tSzaritAr") + row).toDouble(), 0.0);
    app.verifyScriptsDone();
}

void TestRegisterEntry::cancelWritesNothing()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seedNumbered(app.db, m, 1, 3);
    registerState(app.ctx).lastSavedCode.insert(m.table, QStringLiteral("3"));
    QString labelBefore, labelAfter, codeBefore, codeAfter;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        clickTitle(w, m, m.idColumn);
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        labelBefore = text(w, QStringLiteral("Label18"));
        codeBefore = currentCode(app.ctx, m);
        click(w, QStringLiteral("Button2"));
        labelAfter = text(w, QStringLiteral("Label18"));
        codeAfter = currentCode(app.ctx, m);
    });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        setText(d, QStringLiteral("Edit1"), QStringLiteral("Nem kell"));
        click(d, QStringLiteral("Button3"));
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(app.db.count(m.table), 3);
    QCOMPARE(labelAfter, labelBefore);
    QCOMPARE(codeAfter, codeBefore);
    QCOMPARE(registerState(app.ctx).lastSavedCode.value(m.table), QStringLiteral("3"));
    app.verifyScriptsDone();
}

void TestRegisterEntry::textsStoredExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("stored");
    QTest::newRow("quotes") << QStringLiteral("O'Neil \"Kft\" `x`") << true;
    QTest::newRow("backslashes") << QStringLiteral("C:\\a\\b\\") << true;
    QTest::newRow("percent") << QStringLiteral("100% _x_ %s") << true;
    QTest::newRow("line breaks") << QStringLiteral("első\nmásodik\r\n") << true;
    QTest::newRow("statement text") << QStringLiteral("x'); DROP TABLE rendszam; --") << true;
    QTest::newRow("1000 characters") << QString(1000, QLatin1Char('w')) << false;
}

void TestRegisterEntry::textsStoredExactly()
{
    QFETCH(QString, value);
    QFETCH(bool, stored);
    const RegisterMember& m = registerMember(RegisterKind::Plates);
    TestApp app;
    seedNumbered(app.db, m, 1, 1);
    registerState(app.ctx).dialogMode = m.newModeText;
    RegisterEntry::Values v = filled(m, QStringLiteral("AB-1"));
    v.insert(QStringLiteral("Edit3"), value);   // rNev
    if (!stored)
        app.prompt.expectMessage(QStringLiteral("A(z) Név legfeljebb 45 karakter lehet."));
    RegisterEntry entry(app.ctx, m);
    entry.save(v);
    QCOMPARE(app.db.count(m.table), stored ? 2 : 1);
    if (stored)
        QCOMPARE(app.db.scalar(QStringLiteral("SELECT rNev FROM rendszam WHERE rKod = '2'")).toString(), value);
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestRegisterEntry::pastedNonDigits_data()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::addColumn<bool>("newRow");
    QTest::addColumn<QString>("control");
    QTest::newRow("tare, new") << RegisterKind::Plates << true << QStringLiteral("Edit2");
    QTest::newRow("tare, modify") << RegisterKind::Plates << false << QStringLiteral("Edit2");
    QTest::newRow("purity, new") << RegisterKind::Crops << true << QStringLiteral("Edit5");
    QTest::newRow("moisture, modify") << RegisterKind::Crops << false << QStringLiteral("Edit6");
}

void TestRegisterEntry::pastedNonDigits()
{
    QFETCH(RegisterKind, kind);
    QFETCH(bool, newRow);
    QFETCH(QString, control);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seedNumbered(app.db, m, 1, 2);
    RegisterEntry entry(app.ctx, m);
    RegisterEntry::Values v;
    if (newRow) {
        registerState(app.ctx).dialogMode = m.newModeText;
        v = filled(m, QStringLiteral("Új"));
    } else {
        registerState(app.ctx).dialogMode = m.modifyModeText;
        Query& list = m.listQuery(app.data);
        list.setSql(m.defaultOrderSql());
        list.open();
        v = entry.readCurrent().value();
        v.insert(QStringLiteral("Edit1"), QStringLiteral("Megváltozott"));
    }
    v.insert(control, QStringLiteral("12a"));
    // Refused before any statement, naming the box.
    const QString label = m.field(control)->label.chopped(m.field(control)->label.endsWith(QLatin1Char(':')) ? 1 : 0);
    app.prompt.expectMessage(
            QStringLiteral("A(z) %1 csak szám lehet, tizedesvesszővel (például 12,5): \"12a\".").arg(label));
    const RegisterEntry::SaveOutcome r = entry.save(v);
    QCOMPARE(int(r.result), int(Outcome::Refused));
    QCOMPARE(r.focus, control);
    QCOMPARE(app.db.count(m.table), 2);
    QCOMPARE(app.db.count(m.table, QStringLiteral("%1 = 'Megváltozott'").arg(m.nameColumn)), 0);
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestRegisterEntry::newPlateDefaults()
{
    const RegisterMember& m = registerMember(RegisterKind::Plates);
    TestApp app;
    seedNumbered(app.db, m, 1, 1);
    registerState(app.ctx).dialogMode = m.newModeText;
    RegisterEntry entry(app.ctx, m);
    QCOMPARE(int(entry.save(filled(m, QStringLiteral("ABC-123 "))).result), int(Outcome::Done));
    const QString row = QStringLiteral(" FROM rendszam WHERE rKod = '2'");
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT rRendszam") + row).toString(),
            QStringLiteral("ABC-123 "));   // as typed
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT rTara") + row).toDouble(), 0.0);   // a blank tare is 0
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT rOkod IS NOT NULL AND rOkod = ''") + row).toInt(), 1);
    app.verifyScriptsDone();
}

// Two workstations: while the first has the row of code "2" open for
// modifying, the second deletes it and a new row takes code "2" (another
// connection, run by the statement hook just before the first's save
// starts). The save must say the row is gone, write nothing, and leave the
// new row of code "2" as it is.
void TestRegisterEntry::modifyOfARowGoneMeanwhile()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seedNumbered(app.db, m, 1, 3);
    const QString id
            = app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '2'").arg(m.idColumn, m.table, m.codeColumn))
                      .toString();
    app.host.expect(m.listWindow, [&](QDialog& w) {
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        click(w, QStringLiteral("Button3"));
    });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        setText(d, QStringLiteral("Edit1"), QStringLiteral("Régi sor átírva"));
        app.data.beforeStatementRuns(1, [&] {
            app.db.exec(QStringLiteral("DELETE FROM %1 WHERE %2 = %3").arg(m.table, m.idColumn, id));
            seed(app.db, m, {{QStringLiteral("2"), QStringLiteral("Új sor")}});
        });
        app.prompt.expectMessage(QStringLiteral("A(z) 2 kódú sort időközben egy másik munkaállomás törölte; a "
                                                "módosítás nem mentődött el, a sor nem jött létre újra."));
        click(d, QStringLiteral("Button2"));
        QVERIFY(d.isVisible());   // the dialog stays with what was typed
        QCOMPARE(text(d, QStringLiteral("Edit1")), QStringLiteral("Régi sor átírva"));
        click(d, QStringLiteral("Button3"));
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(app.db.count(m.table), 3);
    QCOMPARE(
            app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = %3").arg(m.table, m.idColumn, id)).toInt(),
            0);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '2'").arg(m.nameColumn, m.table, m.codeColumn))
                     .toString(),
            QStringLiteral("Új sor"));
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestRegisterEntry::unreadableRowForModify()
{
    const RegisterMember& m = registerMember(RegisterKind::Warehouses);
    TestApp app;
    // An empty register: "Módosít" finds no row to read.
    app.prompt.expectMessage(m.notReadable);
    app.host.expect(m.listWindow, [&](QDialog& w) { click(w, QStringLiteral("Button3")); });
    openRegisterList(app.ctx, RegisterKind::Warehouses);
    QCOMPARE(app.host.opened(), QStringList {m.listWindow});
    app.verifyScriptsDone();
}

void TestRegisterEntry::unhandledFailureRollsBack()
{
    const RegisterMember& m = registerMember(RegisterKind::Producers);
    TestApp app;
    seedNumbered(app.db, m, 1, 2);
    // A transaction is open when the new-code look-up fails.
    app.db.exec(QStringLiteral("RENAME TABLE termelo TO termelo_el"));
    app.data.ZQ42.setSql(QStringLiteral("START TRANSACTION"));
    app.data.ZQ42.exec();
    QVERIFY(app.data.inTransaction());
    registerState(app.ctx).dialogMode = m.newModeText;
    app.prompt.expectMessage(m.unhandledFailed);
    RegisterEntry entry(app.ctx, m);
    const RegisterEntry::SaveOutcome r = entry.save(filled(m, QStringLiteral("Új")));
    QCOMPARE(int(r.result), int(Outcome::Failed));
    QVERIFY(!r.listRerun);   // unhandled: the list is not re-run
    QCOMPARE(r.messages, QStringList {m.unhandledFailed});
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestRegisterEntry::digitBoxesDropOtherKeys()
{
    const RegisterMember& m = registerMember(RegisterKind::Crops);
    TestApp app;
    seedNumbered(app.db, m, 1, 1);
    QString purity, name;
    app.host.expect(m.listWindow, [&](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        auto* p = child<QLineEdit>(d, QStringLiteral("Edit5"));
        p->clear();
        QTest::keyClicks(p, QStringLiteral("9,-x5"));
        purity = p->text();
        QTest::keyClicks(child<QLineEdit>(d, QStringLiteral("Edit1")), QStringLiteral("Árpa"));
        name = text(d, QStringLiteral("Edit1"));
        click(d, QStringLiteral("Button3"));
    });
    openRegisterList(app.ctx, RegisterKind::Crops);
    QCOMPARE(purity, QStringLiteral("95"));
    QCOMPARE(name, QStringLiteral("Árpa"));
    app.verifyScriptsDone();
}

void TestRegisterEntry::enterMovesThroughTheDialog()
{
    // Enter moves to the next box, Shift+Enter to the previous one; a digit
    // box does not take the Enter; Enter on the focused "OK" presses it.
    const RegisterMember& m = registerMember(RegisterKind::Crops);
    TestApp app;
    seedNumbered(app.db, m, 1, 1);
    QStringList path;
    QString purity;
    app.host.expect(m.listWindow, [&](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        auto focused = [&d] { return d.focusWidget() ? d.focusWidget()->objectName() : QString(); };
        auto* name = child<QLineEdit>(d, QStringLiteral("Edit1"));
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("Árpa"));
        QTest::keyClick(name, Qt::Key_Return);
        path << focused();
        QTest::keyClick(d.focusWidget(), Qt::Key_Return);
        path << focused();
        QTest::keyClick(d.focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
        path << focused();
        QTest::keyClick(d.focusWidget(), Qt::Key_Return);
        QTest::keyClick(d.focusWidget(), Qt::Key_Return);
        path << focused();
        purity = text(d, QStringLiteral("Edit5"));
        auto* ok = child<QPushButton>(d, QStringLiteral("Button2"));
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Return);
    });
    openRegisterList(app.ctx, RegisterKind::Crops);
    QCOMPARE(path,
            (QStringList {QStringLiteral("Edit2"), QStringLiteral("Edit5"), QStringLiteral("Edit2"),
                    QStringLiteral("Edit6")}));
    QCOMPARE(purity, QStringLiteral("100"));
    QCOMPARE(app.db.count(m.table, QStringLiteral("tMegnev = 'Árpa' AND tKod = '2'")), 1);
    app.verifyScriptsDone();
}

QTEST_MAIN(TestRegisterEntry)
#include "test_register_entry.moc"
