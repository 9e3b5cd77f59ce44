// The backup's common ground: where dumps go, their names, and the client
// programs (mariadb-dump, mariadb, gzip) it runs in pairs.
#include "databasebackup.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <unistd.h>

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

QStringList DatabaseBackup::clientArguments(const QString& user) const
{
    QStringList a;
    a << QStringLiteral("--user=") + user;
    if (!m_settings.socket.isEmpty()) {
        a << QStringLiteral("--socket=") + m_settings.socket;
    } else {
        a << QStringLiteral("--host=") + m_settings.host
          << QStringLiteral("--port=") + QString::number(m_settings.port);
    }
    // The same TLS as the program's own connection.
    if (!m_settings.sslCa.isEmpty())
        a << QStringLiteral("--ssl-ca=") + m_settings.sslCa;
    if (!m_settings.sslCert.isEmpty())
        a << QStringLiteral("--ssl-cert=") + m_settings.sslCert;
    if (!m_settings.sslKey.isEmpty())
        a << QStringLiteral("--ssl-key=") + m_settings.sslKey;
    return a;
}

namespace {
// The environment of one program of a pipe: the caller's, without a
// password, and with `password` where the program is the one to have it.
QProcessEnvironment environmentWith(const QString& password)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("MYSQL_PWD"));
    if (!password.isEmpty())
        env.insert(QStringLiteral("MYSQL_PWD"), password);   // never on the command line
    return env;
}
}   // namespace

// first [args] (< inputFile) | second [args] (> outputFile); both must end with 0.
bool DatabaseBackup::runPipe(const Program& first, const Program& second, const QString& inputFile, int outputFd)
{
    QProcess a, b;
    a.setProcessEnvironment(environmentWith(first.password));
    b.setProcessEnvironment(environmentWith(second.password));
    a.setStandardOutputProcess(&b);
    if (!inputFile.isEmpty())
        a.setStandardInputFile(inputFile);
    if (outputFd >= 0)
        b.setChildProcessModifier([outputFd] { ::dup2(outputFd, STDOUT_FILENO); });
    a.start(first.name, first.args);
    b.start(second.name, second.args);
    const bool startedA = a.waitForStarted(-1);
    const bool startedB = b.waitForStarted(-1);
    if (!startedA || !startedB) {
        m_error = QStringLiteral("a(z) %1 nem indítható.").arg(!startedA ? first.name : second.name);
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
        m_error = QStringLiteral("%1: %2").arg(first.name, errA.isEmpty() ? QString::number(a.exitCode()) : errA);
        return false;
    }
    if (b.exitStatus() != QProcess::NormalExit || b.exitCode() != 0) {
        m_error = QStringLiteral("%1: %2").arg(second.name, errB.isEmpty() ? QString::number(b.exitCode()) : errB);
        return false;
    }
    return true;
}
