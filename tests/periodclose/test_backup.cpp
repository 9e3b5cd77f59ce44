// The database backup: a dump, the tables dropped, the dump restored, every
// table compared; and the vello-backup tool both ways.
#include "archivefixture.h"
#include "testapp.h"
#include "widgets.h"

#include "periodclose/databasebackup.h"
#include "periodclose/periodclosewindows.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

using namespace ArchiveFixture;

namespace {

QStringList tables(const TestDb& db)
{
    QStringList out;
    QSqlQuery q(db.admin());
    q.exec(QStringLiteral("SHOW TABLES"));
    while (q.next())
        out << q.value(0).toString();
    out.sort();
    return out;
}

// Every row of every table, in a stable order.
QStringList content(const TestDb& db)
{
    QStringList out;
    for (const QString& t : tables(db)) {
        QSqlQuery q(db.admin());
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(t));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
            out << t + QLatin1Char(':') + cells.join(QLatin1Char('|'));
        }
    }
    return out;
}

void dropAll(const TestDb& db)
{
    for (const QString& t : tables(db))
        db.exec(QStringLiteral("DROP TABLE %1").arg(t));
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dumpDropRestoreCompare();
    void toolDumpsAndRestores();
    void missingDumpIsRefused();
    void windowButtonShowsThePath();

private:
    QTemporaryDir m_home;
};

void TestBackup::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
}

void TestBackup::dumpDropRestoreCompare()
{
    TestApp app;
    fill(app.db);
    app.db.exec(QStringLiteral("INSERT INTO archiv (jBszam, tMegnev, jBeido) VALUES ('1', 'Őszi búza \"kiváló\"', '08:00:00')"));
    const QStringList before = content(app.db);
    const QStringList names = tables(app.db);
    QCOMPARE(names.size(), 10);
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString path = backup.dump(dir.filePath(QStringLiteral("mentes")));
    QVERIFY2(!path.isEmpty(), qPrintable(backup.error()));
    QVERIFY(QFileInfo(path).fileName().startsWith(app.db.name() + QLatin1Char('-')));
    QVERIFY(path.endsWith(QLatin1String(".sql.gz")));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("mentes"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
    dropAll(app.db);
    QVERIFY(tables(app.db).isEmpty());
    QVERIFY2(backup.restore(path), qPrintable(backup.error()));
    QCOMPARE(tables(app.db), names);
    QCOMPARE(content(app.db), before);
}

void TestBackup::toolDumpsAndRestores()
{
    TestApp app;
    fill(app.db);
    const QStringList before = content(app.db);
    QTemporaryDir dir;
    const QString tool = qEnvironmentVariable("VELLO_BINARY_DIR") + QStringLiteral("/vello-backup");
    const QStringList conn = {QStringLiteral("--socket"), TestDb::socket(), QStringLiteral("--user"),
                              QStringLiteral("root"), QStringLiteral("--database"), app.db.name()};
    QProcess p;
    p.start(tool, QStringList{QStringLiteral("--folder"), dir.path()} + conn);
    QVERIFY(p.waitForFinished(-1));
    QCOMPARE(p.exitCode(), 0);
    const QString path = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    QVERIFY(QFileInfo(path).isFile());
    dropAll(app.db);
    p.start(tool, QStringList{QStringLiteral("--restore"), path} + conn);
    QVERIFY(p.waitForFinished(-1));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    QCOMPARE(content(app.db), before);
}

void TestBackup::missingDumpIsRefused()
{
    TestApp app;
    DatabaseBackup backup(app.db.settings());
    QVERIFY(!backup.restore(QStringLiteral("/nonexistent/vello.sql.gz")));
    QVERIFY(!backup.error().isEmpty());
    QCOMPARE(tables(app.db).size(), 10);
}

void TestBackup::windowButtonShowsThePath()
{
    TestApp app;
    QString shown;
    app.prompt.setLenient(true);
    app.host.expect(QStringLiteral("TForm19"), [&](QDialog& w) {
        TestUi::click(w, QStringLiteral("BackupButton"));
        shown = TestUi::text(w, QStringLiteral("BackupPath"));
        TestUi::click(w, QStringLiteral("Button5"));
    });
    openArchiving(app.ctx);
    const QString folder = DatabaseBackup::defaultFolder();
    QVERIFY2(folder.startsWith(m_home.path()), qPrintable(folder));
    const QStringList files = QDir(folder).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY2(shown.endsWith(QDir(folder).filePath(files.first())), qPrintable(shown));
    QVERIFY(app.prompt.shownTexts().last().startsWith(QStringLiteral("A biztonsági mentés elkészült:")));
}

QTEST_MAIN(TestBackup)
#include "test_backup.moc"
