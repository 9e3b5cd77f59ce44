// The backup's common ground: where dumps go, their names, and the client
// programs (mariadb-dump, mariadb, gzip) it runs in pairs.
#include "databasebackup.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

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
        a << QStringLiteral("--host=") + m_settings.host
          << QStringLiteral("--port=") + QString::number(m_settings.port);
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
