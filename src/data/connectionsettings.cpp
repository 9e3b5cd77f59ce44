#include "connectionsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QSettings>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QString kGroup = QStringLiteral("database");

QString text(const QVariant& v)
{
    // An unquoted value with commas reads back as a list: join it again.
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}
}   // namespace

QString ConnectionSettings::settingsFilePath()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vello"), QStringLiteral("vello"))
            .fileName();
}

void ConnectionSettings::createSettingsFile()
{
    const QString path = settingsFilePath();
    if (QFileInfo::exists(path) || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    // O_EXCL: made here, or left to whoever made it a moment ago.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

ConnectionSettings ConnectionSettings::configured(QString* problem)
{
    createSettingsFile();
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vello"), QStringLiteral("vello"));
    return fromSettings(s, problem);
}

ConnectionSettings ConnectionSettings::fromFile(const QString& path, QString* problem)
{
    QSettings s(path, QSettings::IniFormat);
    return fromSettings(s, problem);
}

ConnectionSettings ConnectionSettings::fromSettings(QSettings& settings, QString* problem)
{
    ConnectionSettings c = fixed();
    if (problem)
        problem->clear();
    settings.beginGroup(kGroup);
    auto present = [&](const char* key) { return settings.contains(QLatin1String(key)); };
    // host and user: an empty value is taken as missing (there is no empty
    // host or user to connect as); socket and password may be empty.
    if (present("host")) {
        const QString h = text(settings.value(QStringLiteral("host"))).trimmed();
        if (!h.isEmpty())
            c.host = h;
    }
    if (present("user")) {
        const QString u = text(settings.value(QStringLiteral("user"))).trimmed();
        if (!u.isEmpty())
            c.user = u;
    }
    if (present("socket"))
        c.socket = text(settings.value(QStringLiteral("socket"))).trimmed();
    if (present("password"))
        c.password = text(settings.value(QStringLiteral("password")));
    c.sslCa = text(settings.value(QStringLiteral("ssl-ca"))).trimmed();
    c.sslCert = text(settings.value(QStringLiteral("ssl-cert"))).trimmed();
    c.sslKey = text(settings.value(QStringLiteral("ssl-key"))).trimmed();
    if (present("port")) {
        const QString p = text(settings.value(QStringLiteral("port"))).trimmed();
        bool ok = false;
        const int n = p.toInt(&ok);
        if (ok && n >= 1 && n <= 65535)
            c.port = n;
        else if (!p.isEmpty() && problem)
            *problem = QStringLiteral("A beállítófájl (%1) [database] szakaszában a port értéke hibás: \"%2\".\r"
                                      "A program a %3-es portot használja.")
                               .arg(settings.fileName(), p, QString::number(c.port));
    }
    settings.endGroup();
    return c;
}

QString ConnectionSettings::connectOptions() const
{
    // The option parser splits at ';' and '=': a path holding either cannot
    // be handed over, and is left out (the connection then fails, or goes
    // without the file, never with another one).
    auto usable = [](const QString& v) { return !v.contains(QLatin1Char(';')) && !v.contains(QLatin1Char('=')); };
    QStringList o {QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=5")};
    if (!socket.isEmpty() && usable(socket))
        o << QStringLiteral("UNIX_SOCKET=") + socket;
    const struct {
        const char* key;
        const QString& value;
    } tls[] = {{"SSL_CA", sslCa}, {"SSL_CERT", sslCert}, {"SSL_KEY", sslKey}};
    for (const auto& t : tls)
        if (!t.value.isEmpty() && usable(t.value))
            o << QLatin1String(t.key) + QLatin1Char('=') + t.value;
    return o.join(QLatin1Char(';'));
}

QString ConnectionSettings::settingsSection() const
{
    // The settings file's own writer does the quoting, so what is printed
    // here reads back exactly.
    QTemporaryDir dir;
    if (!dir.isValid())
        return QString();
    const QString path = dir.filePath(QStringLiteral("section.ini"));
    {
        QSettings s(path, QSettings::IniFormat);
        s.beginGroup(kGroup);
        s.setValue(QStringLiteral("host"), host);
        s.setValue(QStringLiteral("port"), port);
        if (!socket.isEmpty())
            s.setValue(QStringLiteral("socket"), socket);
        s.setValue(QStringLiteral("user"), user);
        s.setValue(QStringLiteral("password"), password);
        if (!sslCa.isEmpty())
            s.setValue(QStringLiteral("ssl-ca"), sslCa);
        if (!sslCert.isEmpty())
            s.setValue(QStringLiteral("ssl-cert"), sslCert);
        if (!sslKey.isEmpty())
            s.setValue(QStringLiteral("ssl-key"), sslKey);
        s.endGroup();
        s.sync();
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QString out = QString::fromUtf8(f.readAll());
    f.close();
    QFile::remove(path);
    return out;
}
