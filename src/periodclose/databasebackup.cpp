#include "databasebackup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <cstdio>

QString DatabaseBackup::defaultFolder()
{
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        docs = QDir::homePath();
    return QDir(docs).filePath(QStringLiteral("vello-mentesek"));
}

QString DatabaseBackup::fileName(const QString& database, const QDateTime& when)
{
    return database + when.toString(QStringLiteral("-yyyy-MM-dd-hhmmss")) + QStringLiteral(".sql.gz");
}

QStringList DatabaseBackup::clientArguments() const
{
    QStringList a;
    a << QStringLiteral("--user=") + m_settings.user;
    if (!m_settings.socket.isEmpty()) {
        a << QStringLiteral("--socket=") + m_settings.socket;
    } else {
        a << QStringLiteral("--host=") + m_settings.host << QStringLiteral("--port=") + QString::number(m_settings.port);
    }
    return a;
}

// first [args] (< inputFile) | second [args] (> outputFile); both must end with 0.
bool DatabaseBackup::runPipe(const QString& first, const QStringList& firstArgs, const QString& second,
                             const QStringList& secondArgs, const QString& inputFile, const QString& outputFile)
{
    QProcess a, b;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!m_settings.password.isEmpty())
        env.insert(QStringLiteral("MYSQL_PWD"), m_settings.password);   // never on the command line
    a.setProcessEnvironment(env);
    b.setProcessEnvironment(env);
    a.setStandardOutputProcess(&b);
    if (!inputFile.isEmpty())
        a.setStandardInputFile(inputFile);
    if (!outputFile.isEmpty())
        b.setStandardOutputFile(outputFile);
    a.start(first, firstArgs);
    b.start(second, secondArgs);
    const bool startedA = a.waitForStarted(-1);
    const bool startedB = b.waitForStarted(-1);
    if (!startedA || !startedB) {
        m_error = QStringLiteral("a(z) %1 nem indítható.").arg(!startedA ? first : second);
        a.kill();
        b.kill();
        a.waitForFinished(-1);
        b.waitForFinished(-1);
        return false;
    }
    a.waitForFinished(-1);
    b.waitForFinished(-1);
    const QString errA = QString::fromLocal8Bit(a.readAllStandardError()).trimmed();
    const QString errB = QString::fromLocal8Bit(b.readAllStandardError()).trimmed();
    if (a.exitStatus() != QProcess::NormalExit || a.exitCode() != 0) {
        m_error = QStringLiteral("%1: %2").arg(first, errA.isEmpty() ? QString::number(a.exitCode()) : errA);
        return false;
    }
    if (b.exitStatus() != QProcess::NormalExit || b.exitCode() != 0) {
        m_error = QStringLiteral("%1: %2").arg(second, errB.isEmpty() ? QString::number(b.exitCode()) : errB);
        return false;
    }
    return true;
}

QString DatabaseBackup::dump(const QString& folder)
{
    m_error.clear();
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("a mappa nem hozható létre: ") + folder;
        return QString();
    }
    const QString target = QDir(folder).filePath(fileName(m_settings.database, QDateTime::currentDateTime()));
    const QString part = target + QStringLiteral(".part");
    QStringList args = clientArguments();
    args << QStringLiteral("--single-transaction") << QStringLiteral("--no-tablespaces")
         << QStringLiteral("--default-character-set=utf8mb4") << QStringLiteral("--routines")
         << QStringLiteral("--triggers") << m_settings.database;
    const bool ok = runPipe(QStringLiteral("mariadb-dump"), args, QStringLiteral("gzip"), {QStringLiteral("-c")},
                            QString(), part);
    if (!ok || !QFileInfo(part).isFile() || QFileInfo(part).size() == 0) {
        if (ok)
            m_error = QStringLiteral("a mentés fájlja nem íródott meg: ") + part;
        QFile::remove(part);
        return QString();
    }
    // rename() replaces atomically; the folder never shows a half dump.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        m_error = QStringLiteral("a mentés fájlja nem nevezhető át: ") + target;
        QFile::remove(part);
        return QString();
    }
    return target;
}

bool DatabaseBackup::restore(const QString& file)
{
    m_error.clear();
    if (!QFileInfo(file).isFile()) {
        m_error = QStringLiteral("nincs ilyen fájl: ") + file;
        return false;
    }
    // The database itself first (a restore onto a fresh server).
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!m_settings.password.isEmpty())
            env.insert(QStringLiteral("MYSQL_PWD"), m_settings.password);
        p.setProcessEnvironment(env);
        QString name = m_settings.database;
        name.replace(QLatin1Char('`'), QLatin1String("``"));
        p.start(QStringLiteral("mariadb"),
                clientArguments() << QStringLiteral("-e")
                                  << QStringLiteral("CREATE DATABASE IF NOT EXISTS `%1` DEFAULT CHARACTER SET cp1250")
                                         .arg(name));
        if (!p.waitForStarted(-1)) {
            m_error = QStringLiteral("a(z) mariadb nem indítható.");
            return false;
        }
        p.waitForFinished(-1);
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            m_error = QStringLiteral("mariadb: ") + QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
            return false;
        }
    }
    QStringList args = clientArguments();
    args << QStringLiteral("--default-character-set=utf8mb4") << m_settings.database;
    return runPipe(QStringLiteral("gzip"), {QStringLiteral("-dc")}, QStringLiteral("mariadb"), args, file, QString());
}
