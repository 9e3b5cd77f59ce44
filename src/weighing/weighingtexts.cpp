#include "weighingtexts.h"

namespace {

const QString NotStartedMessage = QStringLiteral("Hiba az append vagy edit közben az meres-ban!");
const QString InStoreMessage = QStringLiteral("Hiba: Újban, INSERT-append a meres-ben ");
const QString TareMessage = QStringLiteral("Hiba: tara-s mérésnél, REPLACE-edit a meres-ban ");
const QString TrailerTareMessage = QStringLiteral("Pótos szerelvénynél nincs tara-s mérés!");
const QString OutStoreMessage = QStringLiteral("Hiba: KI-ben, REPLACE-edit a meres-ban ");
const QString GoneMessage = QStringLiteral("A mérést egy másik munkaállomás már véglegesítette vagy törölte.");
const QString InLostCommitDoneMessage = QStringLiteral(
        "A mérés tárolva, a sorszáma %1. A lezárás (COMMIT) után megszakadt a kapcsolat az adatbázissal, de az "
        "újracsatlakozás utáni ellenőrzés szerint a mérés tárolódott.");
const QString InLostCommitNotDoneMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a mérés tárolásakor (COMMIT). Az újracsatlakozás utáni "
        "ellenőrzés szerint a mérés nem tárolódott, sorszám nem fogyott el; a mérés újra rögzíthető.");
const QString InLostCommitUnknownMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a mérés tárolásakor (COMMIT), és nem állapítható meg, hogy a "
        "mérés tárolódott-e. Nézze meg a bent lévő járművek listáját, mielőtt újra rögzíti.");
const QString OutLostCommitDoneMessage = QStringLiteral(
        "A kimenő mérés tárolva. A lezárás (COMMIT) után megszakadt a kapcsolat az adatbázissal, de az "
        "újracsatlakozás utáni ellenőrzés szerint a kimenő mérés tárolódott.");
const QString OutLostCommitNotDoneMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a kimenő mérés tárolásakor (COMMIT). Az újracsatlakozás utáni "
        "ellenőrzés szerint a kimenő mérés nem tárolódott; a kimenő mérés újra rögzíthető.");
const QString OutLostCommitUnknownMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a kimenő mérés tárolásakor (COMMIT), és nem állapítható meg, "
        "hogy a kimenő mérés tárolódott-e. Nézze meg a bent lévő járművek listáját, mielőtt újra rögzíti.");
const QString UnknownCropMessage = QStringLiteral("Nincs ilyen termény: %1");
const QString UnknownWarehouseMessage = QStringLiteral("Nincs ilyen raktár: %1");
const QString PurityRangeMessage = QStringLiteral("A tisztaság 0 és 100 közötti szám lehet!");
const QString MoistureRangeMessage = QStringLiteral("A viztartalom 0 és 100 közötti szám lehet!");

}   // namespace

namespace WeighingTexts {

QString notStarted()
{
    return NotStartedMessage;
}
QString inStore()
{
    return InStoreMessage;
}
QString tare()
{
    return TareMessage;
}
QString trailerTare()
{
    return TrailerTareMessage;
}
QString outStore()
{
    return OutStoreMessage;
}
QString gone()
{
    return GoneMessage;
}
QString unknownCrop()
{
    return UnknownCropMessage;
}
QString unknownWarehouse()
{
    return UnknownWarehouseMessage;
}
QString purityRange()
{
    return PurityRangeMessage;
}
QString moistureRange()
{
    return MoistureRangeMessage;
}

LostCommitMessages inLostCommit(const QString& number)
{
    return {InLostCommitDoneMessage.arg(number), InLostCommitNotDoneMessage, InLostCommitUnknownMessage};
}

LostCommitMessages outLostCommit()
{
    return {OutLostCommitDoneMessage, OutLostCommitNotDoneMessage, OutLostCommitUnknownMessage};
}

}   // namespace WeighingTexts
