#include "firststart.h"

#include <QStringList>

namespace FirstStart {

namespace {
    const QString Heading = QStringLiteral("A program adatbázisa nem érhető el.");
    const QString WhereText = QStringLiteral("Kiszolgáló: %1, felhasználó: %2, adatbázis: %3.");
    const QString NoAnswerText = QStringLiteral("Mi történt: a megadott címen nem válaszol adatbázis-kiszolgáló.");
    const QString WrongLoginText
            = QStringLiteral("Mi történt: a kiszolgáló válaszol, de a felhasználónevet vagy a jelszót nem fogadta el.");
    const QString NoDatabaseText = QStringLiteral(
            "Mi történt: a kiszolgáló válaszol és a belépés sikerült, de nincs ilyen adatbázis (vagy a felhasználó "
            "nem érheti el).");
    const QString DamagedText = QStringLiteral("Mi történt: a mérlegjegy adatbázis megvan, de hiányzik egy táblája.");
    const QString LocalNoAnswerSteps = QStringLiteral(
            "Teendő (rendszergazdaként, terminálban):\r"
            "1. A MariaDB adatbázis-kiszolgáló telepítése és indítása:\r"
            "      sudo apt install mariadb-server\r"
            "      sudo systemctl start mariadb\r"
            "2. A mérlegjegy adatbázis létrehozása (egyszer):\r"
            "      sudo vello-create\r"
            "3. Ezután indítsa el újra a programot.\r"
            "Ha a kiszolgáló más porton vagy socketen fut, írja azt a beállítási fájl [database] részébe (%1).");
    const QString RemoteNoAnswerSteps = QStringLiteral(
            "Teendő: ez a munkaállomás a(z) %1 gép adatbázisát használja, saját adatbázis-kiszolgáló és "
            "vello-create itt nem kell.\r"
            "1. Ellenőrizze, hogy a(z) %1 gép be van-e kapcsolva, és fut-e rajta az adatbázis-kiszolgáló.\r"
            "2. Ellenőrizze a beállítási fájl [database] részében a host és port értékét (%2).\r"
            "3. A kiszolgálón a %3-es portnak elérhetőnek kell lennie erről a gépről (bind-address, tűzfal).");
    const QString LocalNoUserSteps = QStringLiteral(
            "Teendő (rendszergazdaként, terminálban): a fix beállítás a jelszó nélküli vello felhasználó; ha még nincs "
            "létrehozva, hozza létre az adatbázissal együtt (egyszer):\r"
            "      sudo vello-create\r"
            "Ha a felhasználónak jelszót adtak, írja a beállítási fájl [database] részébe (%1).");
    const QString WrongLoginSteps = QStringLiteral(
            "Teendő: ellenőrizze a beállítási fájl [database] részében a user és password értékét (%1); a helyes "
            "jelszót az adatbázis rendszergazdája adja meg (a vello-create --allow-host kiírja ennek a gépnek a "
            "beállításait). vello-create ezen a munkaállomáson nem kell.");
    const QString LocalNoDatabaseSteps
            = QStringLiteral("Teendő (rendszergazdaként, terminálban): a mérlegjegy adatbázis létrehozása (egyszer):\r"
                             "      sudo vello-create\r"
                             "Ezután indítsa el újra a programot.");
    const QString RemoteNoDatabaseSteps = QStringLiteral(
            "Teendő: az adatbázist a(z) %1 gépen kell létrehozni, egyszer, ott rendszergazdaként: sudo vello-create. "
            "Ezen a munkaállomáson vello-create nem kell; ellenőrizze azt is, hogy a beállítási fájl (%2) a jó "
            "kiszolgálót nevezi-e meg.");
    const QString DamagedSteps = QStringLiteral(
            "Teendő: állítsa vissza az adatbázist a legutóbbi mentésből (lásd a kezelési útmutató „Mentés” "
            "fejezetét), vagy kérjen segítséget a rendszergazdától. Ne futtassa a vello-create-et: a meglévő "
            "adatbázishoz nem nyúl.");
    const QString DetailsText = QStringLiteral(
            "Részletek: man vello-create, és a kezelési útmutató (F1) „Telepítés és első indítás” fejezete.");
    const QString ServerSaysText = QStringLiteral("A kiszolgáló válasza: ");

    QString address(const ConnectionSettings& s)
    {
        if (!s.socket.isEmpty())
            return QStringLiteral("%1 (socket: %2)").arg(s.host, s.socket);
        return QStringLiteral("%1, %2-es port").arg(s.host).arg(s.port);
    }
}   // namespace

Cause causeOf(int errorCode)
{
    switch (errorCode) {
    case 1045:   // access denied for the user (wrong password, or no such user)
    case 1698:   // access denied (no such user on the server)
        return Cause::WrongLogin;
    case 1044:   // access denied to the database (not there, or not granted)
    case 1049:   // unknown database
        return Cause::NoDatabase;
    case 1146:   // a table is missing
        return Cause::Damaged;
    default:   // 2002/2003 cannot connect, 2005 unknown host, 2006/2013 lost, anything else
        return Cause::NoAnswer;
    }
}

bool serverOnThisMachine(const ConnectionSettings& s)
{
    const QString h = s.host.trimmed().toLower();
    return !s.socket.isEmpty() || h.isEmpty() || h == QLatin1String("localhost") || h.startsWith(QLatin1String("127."))
            || h == QLatin1String("::1");
}

QString guidance(const ConnectionSettings& s, int errorCode, const QString& errorText)
{
    const QString file = ConnectionSettings::settingsFilePath();
    const bool local = serverOnThisMachine(s);
    QString what;
    QString steps;
    switch (causeOf(errorCode)) {
    case Cause::NoAnswer:
        what = NoAnswerText;
        steps = local ? LocalNoAnswerSteps.arg(file) : RemoteNoAnswerSteps.arg(s.host, file).arg(s.port);
        break;
    case Cause::WrongLogin:
        what = WrongLoginText;
        steps = local && s.password.isEmpty() ? LocalNoUserSteps.arg(file) : WrongLoginSteps.arg(file);
        break;
    case Cause::NoDatabase:
        what = NoDatabaseText;
        steps = local ? LocalNoDatabaseSteps : RemoteNoDatabaseSteps.arg(s.host, file);
        break;
    case Cause::Damaged:
        what = DamagedText;
        steps = DamagedSteps;
        break;
    }
    QStringList parts {Heading, WhereText.arg(address(s), s.user, s.database), what, steps, DetailsText};
    if (!errorText.trimmed().isEmpty())
        parts << ServerSaysText + errorText.trimmed();
    return parts.join(QStringLiteral("\r\r"));
}

}   // namespace FirstStart
