// Register input checked against its column before anything is written:
// one table of cases for the four entry dialogs and the company data window
// (width, characters that cp1250 holds, numbers with the decimal comma);
// a refused statement keeps the dialog open; two workstations adding a row
// at the same moment get two codes.
#include "registerfixture.h"

#include "registers/companydata.h"
#include "registers/fieldcheck.h"
#include "registers/registerentry.h"
#include "registers/registerstate.h"
#include "registers/registerwindows.h"

#include <QApplication>
#include <QThread>
#include <atomic>

using namespace RegisterFixture;

namespace {

// Where a case is typed: one of the registers, or the company data window.
enum class Target { Plates, Producers, Crops, Warehouses, Company };

RegisterEntry::Values filled(const RegisterMember& m, const QString& name)
{
    RegisterEntry::Values v;
    for (const RegisterField& f : m.fields)
        v.insert(f.control, f.initial);
    v.insert(QStringLiteral("Edit1"), name);
    return v;
}

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");   // U+1F600

QString tooLong(const QString& label, int width)
{
    return QStringLiteral("A(z) %1 legfeljebb %2 karakter lehet.").arg(label).arg(width);
}
QString badChar(const QString& label, const QString& c)
{
    return QStringLiteral("A(z) %1 olyan karaktert tartalmaz, amelyet az adatbázis nem tud tárolni: \"%2\".")
            .arg(label, c);
}
QString notNumber(const QString& label, const QString& text)
{
    return QStringLiteral("A(z) %1 csak szám lehet, tizedesvesszővel (például 12,5): \"%2\".").arg(label, text);
}

}   // namespace

Q_DECLARE_METATYPE(Target)

class TestRegisterInput : public QObject {
    Q_OBJECT
private slots:
    void refusedBeforeTheStatement_data();
    void refusedBeforeTheStatement();
    void acceptedAtTheLimit_data();
    void acceptedAtTheLimit();
    void refusedStatementKeepsDialogOpen_data() { addMembers(); }
    void refusedStatementKeepsDialogOpen();
    void characterSetAgreesWithServer();
    void deadlockTriedAgain_data();
    void deadlockTriedAgain();
    void twoWorkstationsGetTwoCodes_data() { addMembers(); }
    void twoWorkstationsGetTwoCodes();
};

void TestRegisterInput::refusedBeforeTheStatement_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    const QString street600(600, QLatin1Char('u'));
    QTest::newRow("producer tax number as printed") << Target::Producers << "Edit5"
                                                    << "12345678-1-03" << tooLong("Adószám", 11);
    QTest::newRow("producer town with an emoji")
            << Target::Producers << "Edit3" << (QStringLiteral("Kecskemét ") + kEmoji) << badChar("Helységnév", kEmoji);
    QTest::newRow("producer street of 600") << Target::Producers << "Edit4" << street600 << tooLong("Utca", 45);
    QTest::newRow("producer postcode of 5") << Target::Producers << "Edit2"
                                            << "60000" << tooLong("Ir.szám", 4);
    QTest::newRow("plate tare with letters") << Target::Plates << "Edit2"
                                             << "abc12,5x" << notNumber("Tara", "abc12,5x");
    QTest::newRow("plate tare with a full stop") << Target::Plates << "Edit2"
                                                 << "12.5" << notNumber("Tara", "12.5");
    QTest::newRow("plate of 26") << Target::Plates << "Edit1" << QString(26, QLatin1Char('A'))
                                 << tooLong("Rendszám", 25);
    QTest::newRow("plate name in Cyrillic")
            << Target::Plates << "Edit3" << QStringLiteral("Иван") << badChar("Név", QStringLiteral("И"));
    QTest::newRow("crop purity with letters") << Target::Crops << "Edit5"
                                              << "9x" << notNumber("Szabványos tisztaság", "9x");
    QTest::newRow("crop note of 46") << Target::Crops << "Edit2" << QString(46, QLatin1Char('m'))
                                     << tooLong("Megjegyzés", 45);
    QTest::newRow("crop name with a CJK sign")
            << Target::Crops << "Edit1" << QStringLiteral("Búza 中") << badChar("Megnevezés", QStringLiteral("中"));
    QTest::newRow("warehouse name with a check mark")
            << Target::Warehouses << "Edit1" << QStringLiteral("Raktár ✓") << badChar("Név", QStringLiteral("✓"));
    QTest::newRow("warehouse note of 46")
            << Target::Warehouses << "Edit2" << QString(46, QLatin1Char('m')) << tooLong("Megjegyzés", 45);
    QTest::newRow("company tax number of 21")
            << Target::Company << "Edit5" << QString(21, QLatin1Char('1')) << tooLong("Adószám", 20);
    QTest::newRow("company postcode of 11") << Target::Company << "Edit2"
                                            << "12345678901" << tooLong("Irányítószám", 10);
    QTest::newRow("company town with an emoji")
            << Target::Company << "Edit3" << (QStringLiteral("Szeged") + kEmoji) << badChar("Helység", kEmoji);
    QTest::newRow("company name of 101") << Target::Company << "Edit1" << QString(101, QLatin1Char('n'))
                                         << tooLong("Név", 100);
}

// Typed through the real window: the message names the box, the box has
// the focus, the window stays open with what was typed, nothing is written.
void TestRegisterInput::refusedBeforeTheStatement()
{
    QFETCH(Target, target);
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    TestApp app;
    bool open = false;
    QString kept, focused;
    auto typeAndPress = [&](QDialog& d, const QString& button) {
        setText(d, control, typed);
        click(d, button);
        open = d.isVisible();
        kept = text(d, control);
        focused = d.focusWidget() ? d.focusWidget()->objectName() : QString();
    };
    app.prompt.expectMessage(message);
    if (target == Target::Company) {
        app.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Régi Kft.', aIrszam = '1111', aHelyseg = 'Város', "
                                   "aUtca = 'Út 1.', aAdoszam = '12345678-1-03' WHERE IDa = 1"));
        app.host.expect(QStringLiteral("TForm22"), [&](QDialog& w) { typeAndPress(w, QStringLiteral("Button1")); });
        openCompanyData(app.ctx);
        QCOMPARE(app.db.scalar(QStringLiteral(
                                       "SELECT CONCAT_WS('|', aNeve, aIrszam, aHelyseg, aUtca, aAdoszam) FROM atvevo"))
                         .toString(),
                QStringLiteral("Régi Kft.|1111|Város|Út 1.|12345678-1-03"));
    } else {
        const RegisterKind kind = RegisterKind(int(target));
        const RegisterMember& m = registerMember(kind);
        seed(app.db, m, {{QStringLiteral("1"), QStringLiteral("Első")}});
        app.host.expect(m.listWindow, [&](QDialog& w) { click(w, QStringLiteral("Button2")); });
        app.host.expect(m.dialogWindow, [&](QDialog& d) {
            if (control != QLatin1String("Edit1"))
                setText(d, QStringLiteral("Edit1"), QStringLiteral("Második"));
            typeAndPress(d, QStringLiteral("Button2"));
        });
        openRegisterList(app.ctx, kind);
        QCOMPARE(app.db.count(m.table), 1);
    }
    QVERIFY(open);
    QCOMPARE(kept, typed);
    QCOMPARE(focused, control);
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

void TestRegisterInput::acceptedAtTheLimit_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("tax number of 11") << Target::Producers << "Edit5"
                                      << "oAdoszam"
                                      << "12345678-11"
                                      << "12345678-11";
    QTest::newRow("Hungarian and cp1250 signs")
            << Target::Producers << "Edit3"
            << "oHelysegnev" << QStringLiteral("őűŐŰ áé „idézet” €ščř") << QStringLiteral("őűŐŰ áé „idézet” €ščř");
    QTest::newRow("tare with a decimal comma") << Target::Plates << "Edit2"
                                               << "rTara"
                                               << "12,5"
                                               << "12.5";
    QTest::newRow("plate of 25") << Target::Plates << "Edit1"
                                 << "rRendszam" << QString(25, QLatin1Char('A')) << QString(25, QLatin1Char('A'));
    QTest::newRow("purity 99,5") << Target::Crops << "Edit5"
                                 << "tSztiszt"
                                 << "99,5"
                                 << "99.5";
    QTest::newRow("warehouse note of 45") << Target::Warehouses << "Edit2"
                                          << "kMegj" << QString(45, QLatin1Char('m')) << QString(45, QLatin1Char('m'));
}

void TestRegisterInput::acceptedAtTheLimit()
{
    QFETCH(Target, target);
    QFETCH(QString, control);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    const RegisterMember& m = registerMember(RegisterKind(int(target)));
    TestApp app;
    seed(app.db, m, {{QStringLiteral("1"), QStringLiteral("Első")}});
    registerState(app.ctx).dialogMode = m.newModeText;
    RegisterEntry::Values v = filled(m, QStringLiteral("Második"));
    v.insert(control, typed);
    RegisterEntry entry(app.ctx, m);
    QCOMPARE(int(entry.save(v).result), int(Outcome::Done));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '2'").arg(column, m.table, m.codeColumn))
                     .toString(),
            stored);
    app.verifyScriptsDone();
}

// The server refuses the statement itself: its message, and the dialog
// stays open with what was typed; a second "OK" then stores it.
void TestRegisterInput::refusedStatementKeepsDialogOpen()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    for (const bool newRow : {true, false}) {
        TestApp app;
        seed(app.db, m,
                {{QStringLiteral("1"), QStringLiteral("Első")}, {QStringLiteral("2"), QStringLiteral("Második")}});
        bool openAfterFailure = false, openAfterRetry = true;
        QString kept;
        app.host.expect(m.listWindow,
                [&](QDialog& w) { click(w, newRow ? QStringLiteral("Button2") : QStringLiteral("Button3")); });
        app.host.expect(m.dialogWindow, [&](QDialog& d) {
            setText(d, QStringLiteral("Edit1"), QStringLiteral("Harmadik"));
            // New: START TRANSACTION, the locked code read, then the INSERT.
            // Modify: START TRANSACTION, then the REPLACE.
            app.data.failStatement(3, 1366, QStringLiteral("Incorrect string value"));   // the INSERT or the UPDATE
            click(d, QStringLiteral("Button2"));
            openAfterFailure = d.isVisible();
            kept = text(d, QStringLiteral("Edit1"));
            click(d, QStringLiteral("Button2"));
            openAfterRetry = d.isVisible();
        });
        app.prompt.expectMessage(newRow ? m.insertFailed : m.replaceFailed);
        openRegisterList(app.ctx, kind);
        QVERIFY(openAfterFailure);
        QCOMPARE(kept, QStringLiteral("Harmadik"));
        QVERIFY(!openAfterRetry);
        QCOMPARE(app.db.count(m.table), newRow ? 3 : 2);
        QCOMPARE(app.db.count(m.table, QStringLiteral("%1 = 'Harmadik'").arg(m.nameColumn)), 1);
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();
    }
}

// The characters the check lets through are exactly those the server
// stores in a cp1250 column.
void TestRegisterInput::characterSetAgreesWithServer()
{
    TestApp app;
    QString all;
    QList<char32_t> points;
    for (char32_t c = 0x20; c < 0x3000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c == QLatin1Char('?'))
            continue;
        points << c;
        all += QChar(char16_t(c));
    }
    // In pieces that stay a short text on the way back.
    QString back;
    Query& q = app.data.ZQ10;
    for (int at = 0; at < all.size(); at += 200) {
        q.openSql(QStringLiteral("SELECT CAST(CONVERT(CONVERT(:p0 USING cp1250) USING utf8mb4) AS CHAR(200)) AS back"),
                {{QStringLiteral("p0"), all.mid(at, 200)}});
        back += q.text(QStringLiteral("back"));
    }
    QCOMPARE(back.size(), all.size());
    int held = 0;
    for (int i = 0; i < points.size(); ++i) {
        const bool server = back.at(i) == all.at(i);
        held += server;
        QVERIFY2(FieldCheck::inCp1250(points[i]) == server,
                qPrintable(
                        QStringLiteral("U+%1: server %2").arg(uint(points[i]), 4, 16, QLatin1Char('0')).arg(server)));
    }
    QVERIFY(held > 200);
    QVERIFY(!FieldCheck::inCp1250(0x1F600));
}

void TestRegisterInput::deadlockTriedAgain_data()
{
    QTest::addColumn<int>("statement");
    QTest::addColumn<int>("code");
    QTest::newRow("code read, deadlock") << 2 << 1213;
    QTest::newRow("insert, lock wait") << 3 << 1205;
    QTest::newRow("commit, deadlock") << 4 << 1213;
    QTest::newRow("insert, code taken meanwhile") << 3 << 1062;
}

// A deadlock or lock-wait timeout, or the code taken meanwhile through
// another node of a cluster (duplicate key), is not the operator's business:
// the add starts again from "START TRANSACTION" and stores one row with one
// code.
void TestRegisterInput::deadlockTriedAgain()
{
    QFETCH(int, statement);
    QFETCH(int, code);
    const RegisterMember& m = registerMember(RegisterKind::Crops);
    TestApp app;
    seed(app.db, m, {{QStringLiteral("1"), QStringLiteral("Búza")}});
    registerState(app.ctx).dialogMode = m.newModeText;
    app.data.failStatement(statement, code);
    RegisterEntry entry(app.ctx, m);
    QCOMPARE(int(entry.save(filled(m, QStringLiteral("Árpa"))).result), int(Outcome::Done));
    QCOMPARE(app.db.count(m.table), 2);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT tKod FROM termeny WHERE tMegnev = 'Árpa'")).toString(),
            QStringLiteral("2"));
    QVERIFY(app.prompt.shown().isEmpty());
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

// Two workstations press "OK" in a new row dialog at the same moment:
// workstation B starts its save just before A's INSERT goes out, on its own
// connection. B waits for A's lock and then reads A's code: never one code
// twice.
void TestRegisterInput::twoWorkstationsGetTwoCodes()
{
    QFETCH(RegisterKind, kind);
    const RegisterMember& m = registerMember(kind);
    TestApp app;
    QList<QPair<QString, QString>> rows;
    for (int i = 1; i <= 5; ++i)
        rows.append({QString::number(i), QStringLiteral("Név %1").arg(i)});
    seed(app.db, m, rows);
    registerState(app.ctx).dialogMode = m.newModeText;

    std::atomic<int> bConnection {0};
    std::atomic<bool> bDone {false};
    std::atomic<int> bOutcome {-1};
    const ConnectionSettings settings = app.db.settings();
    QThread* b = QThread::create([&] {
        DataModule data(settings);
        data.open();
        data.ZQ10.openSql(QStringLiteral("SELECT CONNECTION_ID() AS id"));
        bConnection = data.ZQ10.value(QStringLiteral("id")).toInt();
        ScriptedPrompt prompt;
        prompt.setLenient(true);
        AppContext ctx(data, prompt);
        registerState(ctx).dialogMode = m.newModeText;
        RegisterEntry entry(ctx, m);
        bOutcome = int(entry.save(filled(m, QStringLiteral("Zab"))).result);
        bDone = true;
    });
    int waited = 0;
    // A's statements: START TRANSACTION, the code read, the INSERT.
    app.data.beforeStatementRuns(3, [&] {
        b->start();
        // Until B waits for A's lock, or B is through.
        for (int i = 0; i < 10000000 && !bDone; ++i) {
            const int id = bConnection;
            // B inside its locked read while A holds the lock: B waits there
            // (the process list is live; the lock tables are a cached copy).
            if (id > 0
                    && app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                                                    "WHERE ID = %1 AND INFO LIKE '%FOR UPDATE%'")
                                             .arg(id))
                                    .toInt()
                            > 0) {
                waited = 1;
                break;
            }
            QThread::yieldCurrentThread();
        }
    });
    RegisterEntry a(app.ctx, m);
    QCOMPARE(int(a.save(filled(m, QStringLiteral("Árpa"))).result), int(Outcome::Done));
    b->wait();
    delete b;
    QCOMPARE(bOutcome.load(), int(Outcome::Done));
    QCOMPARE(app.db.count(m.table), 7);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT COUNT(DISTINCT %1) FROM %2").arg(m.codeColumn, m.table)).toInt(), 7);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = 'Árpa'")
                                   .arg(m.codeColumn, m.table, m.nameColumn))
                     .toString(),
            QStringLiteral("6"));
    QCOMPARE(
            app.db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = 'Zab'").arg(m.codeColumn, m.table, m.nameColumn))
                    .toString(),
            QStringLiteral("7"));
    QCOMPARE(waited, 1);   // B was held at the code read
    QVERIFY(!app.data.inTransaction());
    app.verifyScriptsDone();
}

QTEST_MAIN(TestRegisterInput)
#include "test_register_input.moc"
