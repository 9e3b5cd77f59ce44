#include "connectionsettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

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

ConnectionSettings ConnectionSettings::configured(QString* problem)
{
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

QList<ConnectionSettings::Node> ConnectionSettings::nodes() const
{
    QList<Node> out;
    for (const QString& part : host.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        Node n {part.trimmed(), port};
        // "name:port"; a bracketed IPv6 address keeps its colons ("[::1]:3307").
        // An IPv6 address without brackets has no port.
        const int colon = n.host.lastIndexOf(QLatin1Char(':'));
        const bool bracketed = n.host.startsWith(QLatin1Char('['));
        if (colon > 0 && (bracketed ? n.host.at(colon - 1) == QLatin1Char(']') : n.host.count(QLatin1Char(':')) == 1)) {
            bool ok = false;
            const int p = n.host.mid(colon + 1).toInt(&ok);
            if (ok && p >= 1 && p <= 65535) {
                n.port = p;
                n.host.truncate(colon);
            }
        }
        if (n.host.startsWith(QLatin1Char('[')) && n.host.endsWith(QLatin1Char(']')))
            n.host = n.host.mid(1, n.host.size() - 2);
        if (!n.host.isEmpty())
            out << n;
    }
    if (out.isEmpty())
        out << Node {QStringLiteral("localhost"), port};
    return out;
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
