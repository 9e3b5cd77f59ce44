#include "firststart.h"

namespace FirstStart {

Cause causeOf(int errorCode)
{
    switch (errorCode) {
    case 1044:   // access denied to the database
    case 1045:   // access denied for the user
    case 1049:   // unknown database
    case 1698:   // access denied (no such user on the server)
        return Cause::NotCreated;
    case 1146:   // a table is missing
        return Cause::Damaged;
    default:   // 2002/2003 cannot connect, 2006/2013 lost, anything else
        return Cause::NoServer;
    }
}

QString guidance(int errorCode, const QString& errorText)
{
    QString steps;
    switch (causeOf(errorCode)) {
    case Cause::NoServer:
        steps = QStringLiteral("Ezen a gépen nem válaszol adatbázis-kiszolgáló (localhost, 3306-os port).\r"
                               "\r"
                               "Teendő (rendszergazdaként, terminálban):\r"
                               "1. A MariaDB adatbázis-kiszolgáló telepítése és indítása:\r"
                               "      sudo apt install mariadb-server\r"
                               "      sudo systemctl start mariadb\r"
                               "2. A mérlegjegy adatbázis létrehozása (egyszer):\r"
                               "      sudo vello-create\r"
                               "3. Ezután indítsa el újra a programot.");
        break;
    case Cause::NotCreated:
        steps = QStringLiteral("Az adatbázis-kiszolgáló válaszol, de a mérlegjegy adatbázis (vello)\r"
                               "még nincs létrehozva, vagy a vello felhasználó nem léphet be.\r"
                               "\r"
                               "Teendő (rendszergazdaként, terminálban):\r"
                               "1. A mérlegjegy adatbázis létrehozása (egyszer):\r"
                               "      sudo vello-create\r"
                               "2. Ezután indítsa el újra a programot.");
        break;
    case Cause::Damaged:
        steps = QStringLiteral("A mérlegjegy adatbázis (vello) megvan, de hiányzik egy táblája.\r"
                               "\r"
                               "Teendő: állítsa vissza az adatbázist a legutóbbi mentésből (lásd a\r"
                               "kezelési útmutató „Mentés” fejezetét), vagy kérjen segítséget a\r"
                               "rendszergazdától. Ne futtassa a vello-create-et: a meglévő\r"
                               "adatbázishoz nem nyúl.");
        break;
    }
    QString text = QStringLiteral("Első indítás: a program adatbázisa nem érhető el.\r\r") + steps
            + QStringLiteral("\r\rRészletek: man vello-create, és a kezelési útmutató (F1)\r"
                             "„Telepítés és első indítás” fejezete.");
    if (!errorText.trimmed().isEmpty())
        text += QStringLiteral("\r\rA kiszolgáló válasza: ") + errorText.trimmed();
    return text;
}

}   // namespace FirstStart
