// Register list windows: search, sort, delete rules, in-use checks, the row a
// caller reads at closing, opening position and printing, for all four members.
#include "registerfixture.h"

#include "registers/registerlist.h"
#include "registers/registerstate.h"
#include "registers/registerlistwindow.h"
#include "registers/registerwindows.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"

#include "keys.h"

#include <QToolButton>

using namespace RegisterFixture;

namespace {

// Default order (by name): Aarhus, Abony, Bécs, Zala; by code: Zala, Bécs, Abony, Aarhus.
const QList<QPair<QString, QString>> kRows = {
        {QStringLiteral("3"), QStringLiteral("Abony")},
        {QStringLiteral("1"), QStringLiteral("Zala")},
        {QStringLiteral("4"), QStringLiteral("Aarhus")},
        {QStringLiteral("2"), QStringLiteral("Bécs")},
};

}   // namespace

class TestRegisterList : public QObject {
    Q_OBJECT
private slots:
    void descriptions_data() { addMembers(); }
    void descriptions();
    void searchTypedKeysThenKeres_data() { addMembers(); }
    void searchTypedKeysThenKeres();
    void enterSearchesWholeText();
    void keysThatDoNotTypeDoNotSearch();
    void keyPressSearchesNames_data();
    void keyPressSearchesNames();
    void keyPressAfterListChanged();
    void searchNoMatch_data() { addMembers(); }
    void searchNoMatch();
    void searchAfterSort_data() { addMembers(); }
    void searchAfterSort();
    void titlesWithoutOrderDoNothing();
    void deleteRules_data();
    void deleteRules();
    void deleteInEmptyRegister();
    void deleteProducerNamedByPlates();
    void columnsFitTheirTexts();
    void deleteRemovingNoRow_data();
    void deleteRemovingNoRow();
    void modifyInUseAsksThenOpens_data() { addMembers(); }
    void modifyInUseAsksThenOpens();
    void callerReadsRowAtClose_data();
    void callerReadsRowAtClose();
    void keysPickAndClose_data();
    void keysPickAndClose();
    void opensOnLastSavedCode_data() { addMembers(); }
    void opensOnLastSavedCode();
    void opensOnExactCodeBeforePrefix_data();
    void opensOnExactCodeBeforePrefix();
    void printPreparesSideQuery_data() { addMembers(); }
    void printPreparesSideQuery();
    void printWithoutReportOutput();
    void loadFailureIsReported();
};

void TestRegisterList::descriptions()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    QCOMPARE(m.defaultOrderSql(), QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(m.table, m.nameColumn));
    QVERIFY(app.data.find(m.listQueryName) && app.data.find(m.sideQueryName) && app.data.find(m.writeQueryName));
    // The report data set of the member is its side query.
    const int n = static_cast<int>(kind) + 1;
    QCOMPARE(app.data.find(QStringLiteral("frDBDataSet%1").arg(n)), &m.sideQuery(app.data));
    // Every box a statement names exists in the dialog.
    for (const QString& c : m.replaceControls)
        QVERIFY2(m.field(c), qPrintable(c));
    QCOMPARE(m.replaceControls.size(), m.insertControls.size() + 2);
    // Grid fields are columns of the table.
    seed(app.db, m, kRows);
    Query& list = m.listQuery(app.data);
    list.setSql(m.defaultOrderSql());
    list.open();
    for (const RegisterColumn& c : m.columns)
        QVERIFY2(list.hasColumn(c.field), qPrintable(c.field));
    for (const RegisterField& f : m.fields)
        QVERIFY2(list.hasColumn(f.column), qPrintable(f.column));
}

void TestRegisterList::searchTypedKeysThenKeres()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, kRows);
    QString afterKeys, afterKeres, label, title;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        title = w.windowTitle();
        QTest::keyClicks(child<QLineEdit>(w, QStringLiteral("Edit1")), QStringLiteral("ab"));
        afterKeys = currentCode(app.ctx, m);
        label = text(w, QStringLiteral("Label18"));
        click(w, QStringLiteral("Button6"));
        afterKeres = currentCode(app.ctx, m);
        click(w, QStringLiteral("Button1"));
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(title, m.listTitle);
    QCOMPARE(afterKeys, QStringLiteral("4"));   // "a": Aarhus, the text before the key "b"
    QCOMPARE(label, m.searchCaption());
    QCOMPARE(afterKeres, QStringLiteral("3"));   // "ab": Abony
    QCOMPARE(currentCode(app.ctx, m), QStringLiteral("3"));
    app.verifyScriptsDone();
}

void TestRegisterList::enterSearchesWholeText()
{
    const RegisterMember& m = registerMember(RegisterKind::Producers);
    TestApp app;
    seed(app.db, m, kRows);
    QString code;
    bool open = false;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        setText(w, QStringLiteral("Edit1"), QStringLiteral("BÉ"));
        QTest::keyClick(child<QLineEdit>(w, QStringLiteral("Edit1")), Qt::Key_Return);
        code = currentCode(app.ctx, m);
        open = w.isVisible();
    });
    openRegisterList(app.ctx, RegisterKind::Producers);
    QCOMPARE(code, QStringLiteral("2"));   // Bécs, compared without regard to case
    QVERIFY(open);
    app.verifyScriptsDone();
}

void TestRegisterList::keysThatDoNotTypeDoNotSearch()
{
    // Shift, the cursor keys and Tab in the search box leave the order and
    // the row alone; Escape closes the window on the row moved to.
    const RegisterMember& m = registerMember(RegisterKind::Plates);
    TestApp app;
    seed(app.db, m, kRows);
    QString label, sql, code;
    bool closed = false;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        auto* edit = child<QLineEdit>(w, QStringLiteral("Edit1"));
        clickTitle(w, m, m.codeColumn);
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        edit->setFocus();
        for (Qt::Key key : {Qt::Key_Shift, Qt::Key_Left, Qt::Key_Home, Qt::Key_End, Qt::Key_Control})
            QTest::keyClick(edit, key);
        label = text(w, QStringLiteral("Label18"));
        sql = m.listQuery(app.data).sql();
        code = currentCode(app.ctx, m);
        QTest::keyClick(edit, Qt::Key_Escape);
        closed = !w.isVisible();
    });
    RegisterListWindow window(app.ctx, RegisterKind::Plates);
    app.host.showModal(window);
    QVERIFY(closed);
    QCOMPARE(label, QStringLiteral("A lista, \"Kód\" szerint"));
    QCOMPARE(sql, QStringLiteral("SELECT * FROM rendszam ORDER BY rKod"));
    QCOMPARE(code, QStringLiteral("2"));
    QCOMPARE(currentCode(app.ctx, m), QStringLiteral("2"));   // the caller reads the row moved to
    app.verifyScriptsDone();
}

void TestRegisterList::keyPressSearchesNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("code");
    QTest::newRow("empty: first row") << QString() << QStringLiteral("4");
    QTest::newRow("a") << QStringLiteral("a") << QStringLiteral("4");
    QTest::newRow("AB upper case") << QStringLiteral("AB") << QStringLiteral("3");
    QTest::newRow("bé") << QStringLiteral("bé") << QStringLiteral("2");
    QTest::newRow("BÉC accented upper case") << QStringLiteral("BÉC") << QStringLiteral("2");
    QTest::newRow("be: no accent folding") << QStringLiteral("be") << QStringLiteral("4");
    QTest::newRow("zala whole name") << QStringLiteral("zala") << QStringLiteral("1");
    QTest::newRow("longer than the name") << QStringLiteral("zalaegerszeg") << QStringLiteral("4");
    QTest::newRow("inside the name only") << QStringLiteral("ony") << QStringLiteral("4");
}

void TestRegisterList::keyPressSearchesNames()
{
    // A key press searches the list as it was read when the window showed:
    // case-insensitive, from the start of the name, first match in name order.
    QFETCH(QString, typed);
    QFETCH(QString, code);
    const RegisterMember& m = registerMember(RegisterKind::Producers);
    TestApp app;
    seed(app.db, m, kRows);
    RegisterList list(app.ctx, m);
    list.create();
    list.show();
    const QString sql = m.listQuery(app.data).sql();
    QCOMPARE(list.search(typed, false), m.searchCaption());
    QCOMPARE(currentCode(app.ctx, m), code);
    QCOMPARE(m.listQuery(app.data).sql(), sql);
    QCOMPARE(m.listQuery(app.data).rowCount(), 4);
}

void TestRegisterList::keyPressAfterListChanged()
{
    // A row saved meanwhile (the list read again in place) and a sort: the
    // next key press searches what the list holds then, not the names read
    // when it opened.
    const RegisterMember& m = registerMember(RegisterKind::Plates);
    TestApp app;
    seed(app.db, m, kRows);
    RegisterList list(app.ctx, m);
    list.create();
    list.show();
    list.search(QStringLiteral("a"), false);
    QCOMPARE(currentCode(app.ctx, m), QStringLiteral("4"));
    seed(app.db, m, {{QStringLiteral("5"), QStringLiteral("Aba")}});
    m.listQuery(app.data).refresh();
    list.search(QStringLiteral("ab"), false);
    QCOMPARE(currentCode(app.ctx, m), QStringLiteral("5"));   // Aba before Abony
    QVERIFY(list.sortBy(m.codeColumn));
    list.search(QStringLiteral("z"), false);
    QCOMPARE(currentCode(app.ctx, m), QStringLiteral("1"));
    QCOMPARE(m.listQuery(app.data).sql(), m.defaultOrderSql());
    list.search(QStringLiteral("q"), false);
    QCOMPARE(currentCode(app.ctx, m), QStringLiteral("4"));   // no match: the first row, Aarhus
}

void TestRegisterList::searchNoMatch()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, kRows);
    QString code, label;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        child<QToolButton>(w, QStringLiteral("Last"))->click();
        setText(w, QStringLiteral("Edit1"), QStringLiteral("q"));
        click(w, QStringLiteral("Button6"));
        code = currentCode(app.ctx, m);
        label = text(w, QStringLiteral("Label18"));
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(code, QStringLiteral("4"));
    QCOMPARE(label, m.searchCaption());
    QCOMPARE(m.listQuery(app.data).rowCount(), 4);   // not filtered
    app.verifyScriptsDone();
}

void TestRegisterList::searchAfterSort()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, kRows);
    QString initialLabel, sortedCode, sortedLabel, sortedSql, keyCode, keyLabel, keresCode;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        initialLabel = text(w, QStringLiteral("Label18"));
        clickTitle(w, m, m.codeColumn);
        sortedCode = currentCode(app.ctx, m);
        sortedLabel = text(w, QStringLiteral("Label18"));
        sortedSql = m.listQuery(app.data).sql();
        QTest::keyClicks(child<QLineEdit>(w, QStringLiteral("Edit1")), QStringLiteral("b"));
        keyCode = currentCode(app.ctx, m);
        keyLabel = text(w, QStringLiteral("Label18"));
        click(w, QStringLiteral("Button6"));
        keresCode = currentCode(app.ctx, m);
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(initialLabel, m.initialCaption());
    QCOMPARE(registerState(app.ctx).orderCaption, m.initialCaption());
    QCOMPARE(sortedSql, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(m.table, m.codeColumn));
    QCOMPARE(sortedCode, QStringLiteral("1"));
    QCOMPARE(sortedLabel, QStringLiteral("A lista, \"Kód\" szerint"));
    QCOMPARE(keyCode, QStringLiteral("4"));   // back in the default order, first row
    QCOMPARE(keyLabel, m.searchCaption());
    QCOMPARE(keresCode, QStringLiteral("2"));
    app.verifyScriptsDone();
}

void TestRegisterList::titlesWithoutOrderDoNothing()
{
    const RegisterMember& m = registerMember(RegisterKind::Crops);
    TestApp app;
    seed(app.db, m, kRows);
    QString label1, label2, label3, code1, code2, sql;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        clickTitle(w, m, QStringLiteral("tSztiszt"));
        clickTitle(w, m, QStringLiteral("tSzviztart"));
        label1 = text(w, QStringLiteral("Label18"));
        code1 = currentCode(app.ctx, m);
        sql = m.listQuery(app.data).sql();
        clickTitle(w, m, QStringLiteral("IDt"));
        label2 = text(w, QStringLiteral("Label18"));
        code2 = currentCode(app.ctx, m);
    });
    openRegisterList(app.ctx, RegisterKind::Crops);
    QCOMPARE(label1, QStringLiteral("A lista, \"Megnevezés\" szerint"));
    QCOMPARE(code1, QStringLiteral("3"));
    QCOMPARE(sql, m.defaultOrderSql());
    QCOMPARE(label2, QStringLiteral("A lista, \"ID\" szerint"));
    QCOMPARE(code2, QStringLiteral("3"));   // first inserted row
    app.verifyScriptsDone();
}

void TestRegisterList::deleteRules_data()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::addColumn<QString>("situation");
    const char* names[] = {"plates", "producers", "crops", "warehouses"};
    for (RegisterKind k : registerKinds())
        for (const char* s : {"ticket", "pending", "two rows", "two rows, no", "one row"})
            QTest::addRow("%s %s", names[static_cast<int>(k)], s) << k << QString::fromLatin1(s);
}

void TestRegisterList::deleteRules()
{
    QFETCH(RegisterKind, kind);
    QFETCH(QString, situation);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    if (situation == QLatin1String("one row"))
        seed(app.db, m, {kRows[0]});
    else
        seed(app.db, m, {kRows[0], kRows[2]});   // Aarhus (4) is current on opening
    int expectedRows = situation == QLatin1String("two rows") ? 1 : (situation == QLatin1String("one row") ? 1 : 2);
    if (situation == QLatin1String("two rows, no"))
        app.prompt.expectConfirm(QStringLiteral("Biztosan törli: Aarhus?"), false);   // "Nem" changes nothing
    if (situation == QLatin1String("ticket")) {
        app.db.exec(QStringLiteral("INSERT INTO vello (jBszam, %1) VALUES ('1', '4')").arg(m.ticketColumn));
        app.prompt.expect(ScriptedPrompt::ConfirmYesOnly, m.inUseNotice);
    } else if (situation == QLatin1String("pending")) {
        app.db.exec(QStringLiteral("INSERT INTO meres (mBszam, %1) VALUES ('1', '4')").arg(m.pendingColumns.last()));
        app.prompt.expect(ScriptedPrompt::ConfirmYesOnly, m.inUseNotice);
    } else if (situation == QLatin1String("two rows")) {
        app.prompt.expectConfirm(QStringLiteral("Biztosan törli: Aarhus?"), true);
        app.prompt.expectMessage(m.deletedMessage);
    } else if (situation == QLatin1String("one row")) {
        app.prompt.expectMessage(QStringLiteral("Egy sornak maradni kell, nem törölhető ki."));
    }
    int listRows = -1;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        click(w, QStringLiteral("Button4"));
        listRows = m.listQuery(app.data).rowCount();
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(app.db.count(m.table), expectedRows);
    QCOMPARE(listRows, expectedRows);
    if (situation == QLatin1String("two rows"))
        QCOMPARE(app.db.count(m.table, QStringLiteral("%1 = '4'").arg(m.codeColumn)), 0);
    app.verifyScriptsDone();
}

void TestRegisterList::deleteInEmptyRegister()
{
    // An empty crop register: a ticket's second row and a pending weighing
    // without trailer carry an empty crop code, yet "Töröl" is refused by
    // the row count, and "Módosít" only says that there is no row to read.
    const RegisterMember& m = registerMember(RegisterKind::Crops);
    TestApp app;
    app.db.exec(QStringLiteral("INSERT INTO vello (jBszam, jTkod) VALUES ('1', '')"));
    app.db.exec(QStringLiteral("INSERT INTO meres (mBszam, mTkod1, mTkod2) VALUES ('1', '1', '')"));
    app.prompt.expectMessage(QStringLiteral("Egy sornak maradni kell, nem törölhető ki."));
    app.prompt.expectMessage(m.notReadable);
    app.host.expect(m.listWindow, [&](QDialog& w) {
        click(w, QStringLiteral("Button4"));
        click(w, QStringLiteral("Button3"));
    });
    openRegisterList(app.ctx, RegisterKind::Crops);
    QCOMPARE(app.prompt.shown().size(), 2);
    app.verifyScriptsDone();
}

// A producer that a plate still names is not deleted: the plates are listed.
void TestRegisterList::deleteProducerNamedByPlates()
{
    const RegisterMember& m = registerMember(RegisterKind::Producers);
    TestApp app;
    seed(app.db, m, kRows);   // Aarhus (4) is current on opening
    app.db.exec(QStringLiteral("INSERT INTO rendszam (rKod, rRendszam, rOkod) VALUES ('1', 'RST-012', '4'), "
                               "('2', 'ABC-123', '4'), ('3', 'XYZ-999', '3')"));
    app.prompt.expect(ScriptedPrompt::ConfirmYesOnly,
            QStringLiteral("A termelőt rendszám használja, nem törölhető: ABC-123, RST-012"));
    // The plates' producer moved elsewhere: now it is asked and deleted.
    app.prompt.expectConfirm(QStringLiteral("Biztosan törli: Aarhus?"), true);
    app.prompt.expectMessage(m.deletedMessage);
    app.host.expect(m.listWindow, [&](QDialog& w) {
        click(w, QStringLiteral("Button4"));
        app.db.exec(QStringLiteral("UPDATE rendszam SET rOkod = '2' WHERE rOkod = '4'"));
        click(w, QStringLiteral("Button4"));
    });
    openRegisterList(app.ctx, RegisterKind::Producers);
    QCOMPARE(app.db.count(m.table), 3);
    QCOMPARE(app.db.count(m.table, QStringLiteral("oKod = '4'")), 0);
    app.verifyScriptsDone();
}

// Opened, the columns show their titles and the names in view whole, and
// they stay within the window.
void TestRegisterList::columnsFitTheirTexts()
{
    const RegisterMember& m = registerMember(RegisterKind::Warehouses);
    TestApp app;
    app.db.exec(QStringLiteral("INSERT INTO raktar (kKod, kNev, kMegj) VALUES ('1', '%1', '%2')")
                        .arg(QStringLiteral("Gabonatároló síkraktár a vasútállomás mellett"),
                                QStringLiteral("Bérelt, a szerződés 2027. december 31-ig él")));
    bool whole = false, within = false;
    QString detail;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        auto* grid = child<QTableView>(w, QStringLiteral("DBGrid1"));
        const QFontMetrics fm(grid->font());
        whole = true;
        int total = 0;
        for (int c = 0; c < m.columns.size(); ++c) {
            const QString t = grid->model()->index(0, c).data().toString();
            const int need = qMax(fm.horizontalAdvance(t), fm.horizontalAdvance(m.columns[c].title));
            total += grid->columnWidth(c);
            if (grid->columnWidth(c) < need) {
                whole = false;
                detail += QStringLiteral("%1: %2 < %3; ").arg(m.columns[c].title).arg(grid->columnWidth(c)).arg(need);
            }
        }
        within = total <= grid->viewport()->width();
        detail += QStringLiteral("total %1 / %2").arg(total).arg(grid->viewport()->width());
    });
    openRegisterList(app.ctx, RegisterKind::Warehouses);
    QVERIFY2(whole, qPrintable(detail));
    QVERIFY2(within, qPrintable(detail));
    app.verifyScriptsDone();
}

void TestRegisterList::deleteRemovingNoRow_data()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::addColumn<QString>("situation");
    const char* names[] = {"plates", "producers", "crops", "warehouses"};
    for (RegisterKind k : registerKinds())
        for (const char* s : {"no code", "already gone"})
            QTest::addRow("%s %s", names[static_cast<int>(k)], s) << k << QString::fromLatin1(s);
}

// A DELETE that removes nothing is not reported as a deletion: the row
// without a code stays, a row deleted meanwhile disappears from the list.
void TestRegisterList::deleteRemovingNoRow()
{
    QFETCH(RegisterKind, kind);
    QFETCH(QString, situation);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, {kRows[0], kRows[1], kRows[2]});   // Aarhus (4) is current on opening
    const bool noCode = situation == QLatin1String("no code");
    if (noCode)
        app.db.exec(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (NULL, 'AAA kód nélkül')")
                            .arg(m.table, m.codeColumn, m.nameColumn));
    app.prompt.expectConfirm(
            noCode ? QStringLiteral("Biztosan törli: AAA kód nélkül?") : QStringLiteral("Biztosan törli: Aarhus?"),
            true);
    app.prompt.expectMessage(m.deleteErrorMessage);
    int listRows = -1;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        if (!noCode)
            app.db.exec(QStringLiteral("DELETE FROM %1 WHERE %2 = '4'").arg(m.table, m.codeColumn));
        click(w, QStringLiteral("Button4"));
        listRows = m.listQuery(app.data).rowCount();
    });
    openRegisterList(app.ctx, kind);
    const int expected = noCode ? 4 : 2;
    QCOMPARE(app.db.count(m.table), expected);
    QCOMPARE(listRows, expected);
    app.verifyScriptsDone();
}

void TestRegisterList::modifyInUseAsksThenOpens()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, kRows);
    app.db.exec(QStringLiteral("INSERT INTO vello (jBszam, %1) VALUES ('1', '4')").arg(m.ticketColumn));
    app.prompt.expect(ScriptedPrompt::ConfirmYesOnly, m.inUseQuestion);
    QString caption, name;
    app.host.expect(m.listWindow, [&](QDialog& w) { click(w, QStringLiteral("Button3")); });
    app.host.expect(m.dialogWindow, [&](QDialog& d) {
        caption = d.windowTitle();
        name = text(d, QStringLiteral("Edit1"));
        click(d, QStringLiteral("Button3"));
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(registerState(app.ctx).dialogMode, m.modifyModeText);
    QCOMPARE(caption, m.modifyModeText);
    QCOMPARE(name, QStringLiteral("Aarhus"));
    app.verifyScriptsDone();
}

void TestRegisterList::callerReadsRowAtClose_data()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::addColumn<QString>("closeBy");
    const char* names[] = {"plates", "producers", "crops", "warehouses"};
    for (RegisterKind k : registerKinds())
        for (const char* b : {"Button1", "Button5", "close box"})
            QTest::addRow("%s %s", names[static_cast<int>(k)], b) << k << QString::fromLatin1(b);
}

void TestRegisterList::callerReadsRowAtClose()
{
    QFETCH(RegisterKind, kind);
    QFETCH(QString, closeBy);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, kRows);
    app.host.expect(m.listWindow, [&](QDialog& w) {
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        if (closeBy != QLatin1String("close box"))
            click(w, closeBy);
    });
    openRegisterList(app.ctx, kind);
    Query& list = registerListQuery(app.ctx, kind);
    QVERIFY(list.isOpen());
    QCOMPARE(list.text(m.codeColumn), QStringLiteral("2"));
    QCOMPARE(list.text(m.nameColumn), QStringLiteral("Bécs"));
    app.verifyScriptsDone();
}

void TestRegisterList::keysPickAndClose_data()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::addColumn<QString>("closeBy");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("escaped");
    const char* names[] = {"plates", "producers", "crops", "warehouses"};
    for (RegisterKind k : registerKinds()) {
        const char* n = names[static_cast<int>(k)];
        QTest::addRow("%s Enter in the list", n) << k << "Enter" << int(QDialog::Accepted) << false;
        QTest::addRow("%s Escape", n) << k << "Escape" << int(RegisterListWindow::EscapedResult) << true;
        QTest::addRow("%s Mégsem by Tab and Enter", n) << k << "Mégsem" << int(QDialog::Rejected) << false;
        QTest::addRow("%s Kiválaszt by Tab and Enter", n) << k << "Kiválaszt" << int(QDialog::Accepted) << false;
    }
}

// The list by keyboard alone: from the search box Tab reaches the grid, the
// arrows move, Tab leaves the grid for the navigator and the buttons (not
// cell by cell), Enter in the list is "Kiválaszt", Escape is "Mégsem". The
// row moved to reaches the caller every way; Escape is told apart.
void TestRegisterList::keysPickAndClose()
{
    QFETCH(RegisterKind, kind);
    QFETCH(QString, closeBy);
    QFETCH(int, result);
    QFETCH(bool, escaped);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, kRows);
    int closedWith = -1;
    QStringList walk;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        QObject::connect(&w, &QDialog::finished, &w, [&](int r) { closedWith = r; });
        QTRY_COMPARE(TestKeys::focused(), QStringLiteral("Edit1"));
        TestKeys::press(Qt::Key_Tab);
        TestKeys::press(Qt::Key_Tab);
        walk << TestKeys::focused();
        TestKeys::press(Qt::Key_Down);
        TestKeys::press(Qt::Key_Down);
        if (closeBy == QLatin1String("Enter")) {
            TestKeys::press(Qt::Key_Return);
        } else if (closeBy == QLatin1String("Escape")) {
            TestKeys::press(Qt::Key_Escape);
        } else {
            // Tab leaves the grid for the navigator, then the buttons.
            TestKeys::press(Qt::Key_Tab);
            walk << TestKeys::focused();
            const QString target
                    = closeBy == QStringLiteral("Mégsem") ? QStringLiteral("Button5") : QStringLiteral("Button1");
            for (int i = 0; i < 12 && TestKeys::focused() != target; ++i)
                TestKeys::press(Qt::Key_Tab);
            walk << TestKeys::focused();
            TestKeys::press(Qt::Key_Return);
        }
        QVERIFY(!w.isVisible());
    });
    const ListLeft left = openRegisterList(app.ctx, kind);
    QCOMPARE(walk.value(0), QStringLiteral("DBGrid1"));
    if (walk.size() > 1)
        QCOMPARE(walk.value(1), QStringLiteral("First"));
    if (walk.size() > 2)
        QCOMPARE(walk.value(2),
                closeBy == QStringLiteral("Mégsem") ? QStringLiteral("Button5") : QStringLiteral("Button1"));
    QCOMPARE(closedWith, result);
    QCOMPARE(left == ListLeft::Escaped, escaped);
    Query& list = registerListQuery(app.ctx, kind);
    QCOMPARE(list.text(m.nameColumn), QStringLiteral("Bécs"));
    app.verifyScriptsDone();
}

void TestRegisterList::opensOnLastSavedCode()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, kRows);
    registerState(app.ctx).lastSavedCode.insert(m.table, QStringLiteral("2"));
    registerState(app.ctx).orderCaption = QStringLiteral("left over");
    QString code, label;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        code = currentCode(app.ctx, m);
        label = text(w, QStringLiteral("Label18"));
    });
    openRegisterList(app.ctx, kind);
    QCOMPARE(code, QStringLiteral("2"));
    QCOMPARE(label, m.initialCaption());
    app.verifyScriptsDone();
}

void TestRegisterList::opensOnExactCodeBeforePrefix_data()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("expected");
    const char* names[] = {"plates", "producers", "crops", "warehouses"};
    for (RegisterKind k : registerKinds()) {
        QTest::addRow("%s exact", names[static_cast<int>(k)]) << k << "1"
                                                              << "1";
        QTest::addRow("%s prefix only", names[static_cast<int>(k)]) << k << "2"
                                                                    << "20";
        QTest::addRow("%s none", names[static_cast<int>(k)]) << k << "7"
                                                             << "10";
    }
}

// "10" comes before "1" in name order: the list stands on the saved code
// itself; a code that begins with it only when none equals it.
void TestRegisterList::opensOnExactCodeBeforePrefix()
{
    QFETCH(RegisterKind, kind);
    QFETCH(QString, saved);
    QFETCH(QString, expected);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m,
            {{QStringLiteral("10"), QStringLiteral("Abony")}, {QStringLiteral("20"), QStringLiteral("Bécs")},
                    {QStringLiteral("1"), QStringLiteral("Cegléd")}});
    registerState(app.ctx).lastSavedCode.insert(m.table, saved);
    QString code;
    app.host.expect(m.listWindow, [&](QDialog&) { code = currentCode(app.ctx, m); });
    openRegisterList(app.ctx, kind);
    QCOMPARE(code, expected);
    QCOMPARE(registerListQuery(app.ctx, kind).text(m.codeColumn), expected);
    app.verifyScriptsDone();
}

void TestRegisterList::printPreparesSideQuery()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    seed(app.db, m, kRows);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        setText(w, QStringLiteral("Edit1"), QStringLiteral("z"));
        click(w, QStringLiteral("Button6"));
        click(w, QStringLiteral("Button7"));
    });
    openRegisterList(app.ctx, kind);
    Query& side = m.sideQuery(app.data);
    QCOMPARE(side.sql(), m.defaultOrderSql());
    QVERIFY(side.isOpen());
    QCOMPARE(side.rowCount(), 4);   // the whole register, whatever the list shows
    QCOMPARE(side.text(m.nameColumn), QStringLiteral("Aarhus"));

    // The member's template in its orientation, every row in the print order.
    QCOMPARE(preview.shown().size(), 1);
    const ReportLayout& layout = preview.last();
    QCOMPARE(layout.templateName, m.printTemplate);
    QVERIFY(!layout.pages.isEmpty());
    QCOMPARE(layout.pages.first().orientation, m.orientation);
    const QString all = layout.texts().join(QLatin1Char('\n'));
    int at = -1;
    for (const char* name : {"Aarhus", "Abony", "Bécs", "Zala"}) {
        const int next = all.indexOf(QString::fromUtf8(name));
        QVERIFY2(next > at, name);
        at = next;
    }
    QVERIFY(app.prompt.shown().isEmpty());
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestRegisterList::printWithoutReportOutput()
{
    const RegisterMember& m = registerMember(RegisterKind::Plates);
    TestApp app;
    seed(app.db, m, kRows);
    app.host.expect(m.listWindow, [&](QDialog& w) { click(w, QStringLiteral("Button7")); });
    openRegisterList(app.ctx, RegisterKind::Plates);
    QCOMPARE(m.sideQuery(app.data).rowCount(), 4);
    app.verifyScriptsDone();
}

void TestRegisterList::loadFailureIsReported()
{
    const RegisterMember& m = registerMember(RegisterKind::Warehouses);
    TestApp app;
    app.db.exec(QStringLiteral("DROP TABLE raktar"));
    app.prompt.setLenient(true);
    bool stayedOpen = false;
    app.host.expect(m.listWindow, [&](QDialog& w) {
        click(w, QStringLiteral("Button6"));
        stayedOpen = w.isVisible();
    });
    openRegisterList(app.ctx, RegisterKind::Warehouses);
    QVERIFY(stayedOpen);
    QVERIFY(!app.prompt.shown().isEmpty());
    for (const ScriptedPrompt::Shown& s : app.prompt.shown()) {
        QCOMPARE(s.kind, ScriptedPrompt::Error);
        QVERIFY2(s.text.contains(QLatin1String("raktar")), qPrintable(s.text));
    }
}

QTEST_MAIN(TestRegisterList)
#include "test_register_list.moc"
