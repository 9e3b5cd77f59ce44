// The spreadsheet export: archiv.xlsx read back from its XML parts.
#include "testapp.h"
#include "widgets.h"
#include "xlsxreader.h"

#include "periodclose/archivecolumns.h"
#include "periodclose/exportfolder.h"
#include "periodclose/archiveexport.h"
#include "periodclose/desktopopen.h"
#include "periodclose/periodclosewindows.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include "periodclose/exportwindow.h"

using ArchiveColumns::Align;
using ArchiveColumns::kColumns;
using ArchiveColumns::kCount;

namespace {

const QString kDone = QStringLiteral("A konvertálás befejeződött!");
const QString kNotSaved = QStringLiteral("A fájl mentése nem történt meg!");
// The failure names the folder and why it was not saved.
QString notSaved(const QString& folder, const QString& why)
{
    return kNotSaved + QStringLiteral("\rMappa: ") + folder + QStringLiteral("\rOka: ") + why;
}
const QString kNoFolder = QStringLiteral("a mappa nem hozható létre");

void fullRow(const TestDb& db, int n)
{
    db.exec(QStringLiteral(
            "INSERT INTO archiv (jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, jRogDatum, "
            "jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, tMegnev, tMegjegy, tSztiszt, tSzviztart, "
            "jRkod, rRendszam, rTara, jKkod, kNev, jOkod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, jAkod, jMegj, "
            "jTiszt, jViztart, jPrn, jTorolt) VALUES ('%1', 'M%1', 'B', 'I', '', '2026-03-31', '08:30:15', '09:05:00', "
            "'2026-03-31', '2026-03-31', 22000.5, 8000, 13500.25, 0, 22010, 8000, '1', 'Búza', 'őszi', 98, 14, "
            "'7', 'ABC-123', 8000, '2', 'Raktár 2', '3', 'Kiss Gazda', '6000', 'Kecskemét', 'Fő utca 1.', "
            "'12345678111', '', 'megjegyzés', 97.5, 14.5, 'x', 'y')")
                    .arg(n));
}

QStringList names()
{
    QStringList out;
    for (const auto& c : kColumns)
        out << QString::fromLatin1(c.name);
    return out;
}

QString horizontal(Align a)
{
    return a == Align::Left ? QStringLiteral("left") : QStringLiteral("right");
}

double serial(const QDate& d)
{
    return QDate(1899, 12, 30).daysTo(d);
}

}   // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sheetHasTypedCellsInTheColumnLayout();
    void emptyArchiveWritesTheHeaderAlone();
    void unwritableFolder();
    void failedReadKeepsTheEarlierFile();
    void moreRowsThanASheetContinueOnNextSheets();
    void windowExportsIntoTheChosenFolder();
    void windowSaysWhenNothingCanShowTheFile();
    void windowFailedSaveShowsNoSuccess();
    void desktopOpenAsksForTheDefaultProgram_data();
    void desktopOpenAsksForTheDefaultProgram();

private:
    QTemporaryDir m_home;
};

void TestExport::initTestCase()
{
    // The remembered folder lives in the user's settings: keep them here.
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
}

void TestExport::sheetHasTypedCellsInTheColumnLayout()
{
    TestApp app;
    fullRow(app.db, 123);
    // A row of no values (texts, dates and times NULL, numbers at their
    // default), but an exit time past midnight of the entry day.
    app.db.exec(QStringLiteral("INSERT INTO archiv (jBszam, jMegj, jKiido) VALUES (NULL, '', '30:15:00')"));
    QTemporaryDir dir;
    QList<QPair<qint64, qint64>> progress;
    ArchiveExport e(app.ctx);
    e.setProgress([&](qint64 done, qint64 total) { progress << qMakePair(done, total); });
    app.prompt.expectMessage(kDone);
    QVERIFY(e.run(dir.path()));
    app.verifyScriptsDone();
    QCOMPARE(app.prompt.shown().last().caption, QStringLiteral("Kész!"));
    QCOMPARE(e.path(), dir.filePath(QStringLiteral("archiv.xlsx")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"archiv.xlsx"}));
    QCOMPARE(progress, (QList<QPair<qint64, qint64>> {{0, 2}, {1, 2}, {2, 2}}));

    XlsxReader x(e.path());
    QCOMPARE(x.sheets().size(), 1);
    const XlsxSheet& s = x.sheets().first();
    QCOMPARE(s.rowCount, 3);
    QStringList header;
    for (int c = 0; c < kCount; ++c)
        header << s.cells.value(XlsxReader::column(c) + QLatin1Char('1')).value;
    QCOMPARE(header, names());
    // A1:AM1 bold; AL1 and AM1 empty; nothing beyond.
    for (int c = 0; c < kCount + 2; ++c) {
        const QString ref = XlsxReader::column(c) + QLatin1Char('1');
        QVERIFY2(s.cells.contains(ref) && x.styleOf(s, ref).bold, qPrintable(ref));
    }
    QVERIFY(!s.cells.value(QStringLiteral("AL1")).hasValue && !s.cells.value(QStringLiteral("AM1")).hasValue);
    QVERIFY(!s.cells.contains(QStringLiteral("AN1")));
    QVERIFY(!x.styleOf(s, QStringLiteral("A2")).bold);
    // Widths and alignments of every column, rows 1 to 3; C1 centred.
    for (int c = 0; c < kCount; ++c) {
        const double w = s.widths.value(c + 1);
        QVERIFY2(w >= kColumns[c].width && w < kColumns[c].width + 1, kColumns[c].name);
        for (int r = 1; r <= 3; ++r) {
            const QString ref = XlsxReader::column(c) + QString::number(r);
            const QString expected = (c == 2 && r == 1) ? QStringLiteral("center") : horizontal(kColumns[c].align);
            QCOMPARE(x.styleOf(s, ref).horizontal, expected);
        }
    }
    // Typed values of the full row.
    auto cell = [&](const char* ref) { return s.cells.value(QString::fromLatin1(ref)); };
    QVERIFY(cell("A2").type.isEmpty() || cell("A2").type == QLatin1String("n"));
    QCOMPARE(cell("B2").type, QStringLiteral("inlineStr"));
    QCOMPARE(cell("B2").value, QStringLiteral("123"));
    QCOMPARE(cell("C2").value, QStringLiteral("M123"));
    QCOMPARE(cell("D2").value, QStringLiteral("B"));
    QVERIFY(!cell("F2").hasValue);   // an empty text: an empty cell
    QCOMPARE(cell("G2").value.toDouble(), serial(QDate(2026, 3, 31)));
    QCOMPARE(x.styleOf(s, QStringLiteral("G2")).numFormat, QStringLiteral("yyyy.mm.dd"));
    QVERIFY2(qAbs(cell("H2").value.toDouble() - (8 * 3600 + 30 * 60 + 15) / 86400.0) < 1e-9,
            qPrintable(cell("H2").value));
    QCOMPARE(x.styleOf(s, QStringLiteral("H2")).numFormat, QStringLiteral("hh:mm:ss"));
    QCOMPARE(cell("L2").value.toDouble(), 22000.5);
    QVERIFY(cell("L2").type.isEmpty() || cell("L2").type == QLatin1String("n"));
    QCOMPARE(cell("N2").value.toDouble(), 13500.25);
    QCOMPARE(cell("O2").value.toDouble(), 0.0);
    QCOMPARE(cell("S2").value, QStringLiteral("Búza"));
    QCOMPARE(cell("T2").value, QStringLiteral("őszi"));
    QCOMPARE(cell("AF2").value, QStringLiteral("Fő utca 1."));
    QCOMPARE(cell("AK2").value.toDouble(), 14.5);
    QVERIFY(!s.cells.contains(QStringLiteral("AL2")));   // jPrn, jTorolt are not exported
    // The row of no values: empty cells, numbers 0.
    QVERIFY(!cell("B3").hasValue);
    QVERIFY(!cell("G3").hasValue);
    QVERIFY(!cell("H3").hasValue);
    QVERIFY(!cell("S3").hasValue);
    QVERIFY(!cell("AI3").hasValue);
    QCOMPARE(cell("L3").value, QStringLiteral("0"));
    QVERIFY(qAbs(cell("I3").value.toDouble() - 30.25 / 24) < 1e-9);
    QCOMPARE(x.styleOf(s, QStringLiteral("I3")).numFormat, QStringLiteral("hh:mm:ss"));
}

void TestExport::emptyArchiveWritesTheHeaderAlone()
{
    TestApp app;
    QTemporaryDir dir;
    app.prompt.expectMessage(kDone);
    ArchiveExport e(app.ctx);
    QVERIFY(e.run(dir.path()));
    app.verifyScriptsDone();
    XlsxReader x(e.path());
    QCOMPARE(x.sheets().size(), 1);
    const XlsxSheet& s = x.sheets().first();
    QCOMPARE(s.rowCount, 1);
    QCOMPARE(s.cells.value(QStringLiteral("A1")).value, QStringLiteral("IDj"));
    QCOMPARE(s.cells.value(QStringLiteral("AK1")).value, QStringLiteral("jViztart"));
    QVERIFY(x.styleOf(s, QStringLiteral("AM1")).bold);
    QCOMPARE(x.styleOf(s, QStringLiteral("C1")).horizontal, QStringLiteral("center"));
    QVERIFY(s.widths.value(19) >= 40);
}

void TestExport::unwritableFolder()
{
    TestApp app;
    fullRow(app.db, 1);
    QTemporaryDir dir;
    QFile plain(dir.filePath(QStringLiteral("file")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    // The failure alone: no success message after it.
    const QString folder = dir.filePath(QStringLiteral("file/sub"));
    app.prompt.expectMessage(notSaved(folder, kNoFolder));
    ArchiveExport e(app.ctx);
    QVERIFY(!e.run(folder));
    QCOMPARE(app.prompt.shownTexts(), QStringList {notSaved(folder, kNoFolder)});
    app.verifyScriptsDone();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"file"}));
}

void TestExport::failedReadKeepsTheEarlierFile()
{
    TestApp app;
    fullRow(app.db, 1);
    fullRow(app.db, 2);
    QTemporaryDir dir;
    QFile old(dir.filePath(QStringLiteral("archiv.xlsx")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier export");
    old.close();
    app.prompt.setLenient(true);
    app.data.failStatement(2);   // the read of the rows
    ArchiveExport e(app.ctx);
    QVERIFY(!e.run(dir.path()));
    QCOMPARE(app.prompt.shownTexts().size(), 2);
    QVERIFY(app.prompt.shownTexts().at(0).startsWith(QStringLiteral("Hiba: Az archiv olvasása nem sikerült")));
    QCOMPARE(app.prompt.shownTexts().mid(1), QStringList({notSaved(dir.path(), "az archiv tábla nem olvasható")}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"archiv.xlsx"}));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("earlier export"));
    // The table data set reads the whole archive again afterwards.
    QCOMPARE(app.data.ZTable10.rowCount(), 2);
}

void TestExport::moreRowsThanASheetContinueOnNextSheets()
{
    TestApp app;
    for (int i = 1; i <= 5; ++i)
        fullRow(app.db, i);
    QTemporaryDir dir;
    app.prompt.expectMessage(kDone);
    ArchiveExport e(app.ctx);
    e.setRowsPerSheet(2);
    QVERIFY(e.run(dir.path()));
    app.verifyScriptsDone();
    QCOMPARE(e.sheets(), 3);
    XlsxReader x(e.path());
    QCOMPARE(x.sheets().size(), 3);
    QCOMPARE(x.sheetNames(), QStringList({"archiv", "archiv (2)", "archiv (3)"}));
    QStringList numbers;
    for (const XlsxSheet& s : x.sheets()) {
        QCOMPARE(s.cells.value(QStringLiteral("B1")).value, QStringLiteral("jBszam"));
        QVERIFY(x.styleOf(s, QStringLiteral("AM1")).bold);
        for (int r = 2; r <= s.rowCount; ++r)
            numbers << s.cells.value(QStringLiteral("B%1").arg(r)).value;
    }
    QCOMPARE(numbers, QStringList({"1", "2", "3", "4", "5"}));
}

void TestExport::windowExportsIntoTheChosenFolder()
{
    TestApp app;
    fullRow(app.db, 1);
    fullRow(app.db, 2);
    fullRow(app.db, 3);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("kivonat"));   // created by the export
    QString title, hint;
    bool ticked = false;
    int max = -1, value = -1;
    QList<QUrl> opened;
    app.files.expectFolder(folder);
    app.prompt.expectMessage(kDone);
    app.host.expect(QStringLiteral("TForm20"), [&](QDialog& d) {
        title = d.windowTitle();
        ticked = TestUi::child<QCheckBox>(d, QStringLiteral("CheckBox1"))->isChecked();
        hint = TestUi::child<QPushButton>(d, QStringLiteral("Button4"))->toolTip();
        static_cast<ExportWindow&>(d).setOpener([&](const QUrl& u) {
            opened << u;
            return true;
        });
        TestUi::click(d, QStringLiteral("FolderButton"));
        QCOMPARE(TestUi::text(d, QStringLiteral("FolderEdit")), folder);
        TestUi::click(d, QStringLiteral("Button6"));
        max = TestUi::child<QProgressBar>(d, QStringLiteral("ProgressBar1"))->maximum();
        value = TestUi::child<QProgressBar>(d, QStringLiteral("ProgressBar1"))->value();
        TestUi::click(d, QStringLiteral("Button4"));
    });
    // Opened again: the folder is remembered; unticked, nothing is opened.
    QString remembered;
    app.prompt.expectMessage(kDone);
    app.host.expect(QStringLiteral("TForm20"), [&](QDialog& d) {
        remembered = TestUi::text(d, QStringLiteral("FolderEdit"));
        static_cast<ExportWindow&>(d).setOpener([&](const QUrl& u) {
            opened << u;
            return true;
        });
        TestUi::child<QCheckBox>(d, QStringLiteral("CheckBox1"))->setChecked(false);
        TestUi::click(d, QStringLiteral("Button6"));
        TestUi::click(d, QStringLiteral("Button4"));
    });
    openExport(app.ctx);
    openExport(app.ctx);
    app.verifyScriptsDone();
    QCOMPARE(title, QStringLiteral("Exportálása excel  táblába"));
    QVERIFY(ticked);
    QCOMPARE(hint, QStringLiteral("Kilépés, ablak bezárás"));
    QCOMPARE(max, 3);
    QCOMPARE(value, 3);
    QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("archiv.xlsx")))}));
    QCOMPARE(remembered, folder);
    QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("archiv.xlsx"))));
}

void TestExport::windowSaysWhenNothingCanShowTheFile()
{
    TestApp app;
    fullRow(app.db, 1);
    QTemporaryDir dir;
    ExportFolder::remember(dir.path());
    const QString path = QDir(dir.path()).filePath(QStringLiteral("archiv.xlsx"));
    app.prompt.expectMessage(kDone);
    app.prompt.expectMessage(DesktopOpen::failedMessage(path));
    app.host.expect(QStringLiteral("TForm20"), [&](QDialog& d) {
        static_cast<ExportWindow&>(d).setOpener([](const QUrl&) { return false; });
        TestUi::click(d, QStringLiteral("Button6"));
        TestUi::click(d, QStringLiteral("Button4"));
    });
    openExport(app.ctx);
    app.verifyScriptsDone();
    QVERIFY(DesktopOpen::failedMessage(path).endsWith(path));
    QVERIFY(QFile::exists(path));
}

void TestExport::windowFailedSaveShowsNoSuccess()
{
    TestApp app;
    fullRow(app.db, 1);
    QTemporaryDir dir;
    QFile plain(dir.filePath(QStringLiteral("file")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    ExportFolder::remember(dir.filePath(QStringLiteral("file/sub")));
    int opened = 0;
    const QString folder = dir.filePath(QStringLiteral("file/sub"));
    app.prompt.expectMessage(notSaved(folder, kNoFolder));
    app.host.expect(QStringLiteral("TForm20"), [&](QDialog& d) {
        static_cast<ExportWindow&>(d).setOpener([&](const QUrl&) {
            ++opened;
            return true;
        });
        TestUi::click(d, QStringLiteral("Button6"));
        TestUi::click(d, QStringLiteral("Button4"));
    });
    openExport(app.ctx);
    app.verifyScriptsDone();
    QCOMPARE(app.prompt.shownTexts(), QStringList {notSaved(folder, kNoFolder)});
    QCOMPARE(opened, 0);
}

// The desktop's tools stand in a folder of their own on PATH: xdg-mime
// answers the default program for the spreadsheet type (or nothing),
// xdg-open notes what it was asked to open.
void TestExport::desktopOpenAsksForTheDefaultProgram_data()
{
    QTest::addColumn<QString>("handler");   // what xdg-mime answers
    QTest::addColumn<bool>("opened");
    QTest::newRow("a spreadsheet program is set") << QStringLiteral("libreoffice-calc.desktop") << true;
    QTest::newRow("no program for the type") << QString() << false;
}

void TestExport::desktopOpenAsksForTheDefaultProgram()
{
    QFETCH(QString, handler);
    QFETCH(bool, opened);
    QTemporaryDir bin, dir;
    const QString asked = bin.filePath(QStringLiteral("asked"));
    auto script = [&](const QString& name, const QString& body) {
        QFile f(bin.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(("#!/bin/sh\n" + body + "\n").toUtf8());
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    };
    script(QStringLiteral("xdg-mime"),
            QStringLiteral("echo \"$*\" >> '%1'\n[ \"$1 $2 $3\" = 'query default "
                           "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet' ] && echo '%2'\nexit 0")
                    .arg(asked, handler));
    script(QStringLiteral("xdg-open"), QStringLiteral("exit 0"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path);
    const QString file = dir.filePath(QStringLiteral("archiv.xlsx"));
    QFile x(file);
    QVERIFY(x.open(QIODevice::WriteOnly));
    x.close();
    const bool got = DesktopOpen::open(file);
    qputenv("PATH", path);
    QCOMPARE(got, opened);
    QFile a(asked);
    QVERIFY(a.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(a.readAll()).trimmed(),
            QStringLiteral("query default application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"));
    // A file that is not there is never handed on.
    QVERIFY(!DesktopOpen::open(dir.filePath(QStringLiteral("nincs.xlsx"))));
}

QTEST_MAIN(TestExport)
#include "test_export.moc"
