// Files that may hold what others must not read or lose: the settings file
// (it may hold the database password) is made readable by its owner alone
// and stays so when the settings are written; a PDF save replaces an
// earlier file only with a whole one.
#include "data/connectionsettings.h"
#include "reports/pagedreport.h"
#include "reports/reportpainter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {
int modeOf(const QString& path)
{
    struct stat st { };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}
}   // namespace

class TestPrivateFiles : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        QFile::remove(ConnectionSettings::settingsFilePath());
    }

    // Read first by the program, written later as the settings windows do:
    // 0600 from the start, and still 0600 after the write.
    void settingsFileIsTheOwnersAlone()
    {
        const QString path = ConnectionSettings::settingsFilePath();
        QVERIFY(path.startsWith(m_home.path()));
        QVERIFY(!QFileInfo::exists(path));
        ConnectionSettings::configured();
        QCOMPARE(modeOf(path), 0600);
        {
            QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vello"), QStringLiteral("vello"));
            s.setValue(QStringLiteral("database/password"), QStringLiteral("titok"));
            s.sync();
            QCOMPARE(s.status(), QSettings::NoError);
        }
        QCOMPARE(modeOf(path), 0600);
        QCOMPARE(ConnectionSettings::configured().password, QStringLiteral("titok"));
    }

    // A file the user made is the user's: its mode is left as it is.
    void existingSettingsFileIsLeftAsItIs()
    {
        const QString path = ConnectionSettings::settingsFilePath();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[database]\nport=3307\n");
        f.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QCOMPARE(ConnectionSettings::configured().port, 3307);
        QCOMPARE(modeOf(path), 0640);
    }

    // A save that fails leaves the earlier PDF of that name whole.
    void failedPdfSaveKeepsTheEarlierFile()
    {
        const QString pdf = m_home.filePath(QStringLiteral("jegy.pdf"));
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4 korabbi\n");
        f.close();
        QString error;
        QVERIFY(!ReportPainter::writePdf(PagedReport(), pdf, &error));   // no page to print
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("%PDF-1.4 korabbi\n"));
        QCOMPARE(QDir(m_home.path()).entryList({QStringLiteral("jegy*")}, QDir::Files | QDir::Hidden),
                QStringList {QStringLiteral("jegy.pdf")});
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(TestPrivateFiles)
#include "test_privatefiles.moc"
