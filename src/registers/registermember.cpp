#include "registermember.h"

#include "data/datamodule.h"

#include <QHash>

namespace {

using F = RegisterField;

RegisterMember plates()
{
    RegisterMember m;
    m.kind = RegisterKind::Plates;
    m.table = QStringLiteral("rendszam");
    m.codeColumn = QStringLiteral("rKod");
    m.nameColumn = QStringLiteral("rRendszam");
    m.idColumn = QStringLiteral("IDr");
    m.listQueryName = QStringLiteral("ZQ30");
    m.sideQueryName = QStringLiteral("ZQ33");
    m.writeQueryName = QStringLiteral("ZQ32");
    m.listWindow = QStringLiteral("TForm5");
    m.listTitle = QStringLiteral("Rendszámok");
    m.searchLabel = QStringLiteral("Rendszám:");
    m.newHint = QStringLiteral("Új rendszám. Ablak nyitás");
    m.modifyHint = QStringLiteral("Kiválasztott módositása");
    m.newModeText = QStringLiteral("Új rendszám");
    m.modifyModeText = QStringLiteral("Rendszám módositás");
    m.initialCaptionWord = QStringLiteral("Rendszám");
    m.searchCaptionWord = QStringLiteral("Rendszám");
    m.columns = {
            {QStringLiteral("rKod"), QStringLiteral("Kód"), QStringLiteral("rKod"), QStringLiteral("Kód")},
            {QStringLiteral("rRendszam"), QStringLiteral("Rendszám"), QStringLiteral("rRendszam"),
                    QStringLiteral("Rendszám")},
            {QStringLiteral("rTara"), QStringLiteral("Tara"), QStringLiteral("rTara"), QStringLiteral("Tara")},
            {QStringLiteral("rNev"), QStringLiteral("Név"), QStringLiteral("rNev"), QStringLiteral("Név")},
            {QStringLiteral("rTelefon"), QStringLiteral("Telefon"), QStringLiteral("rTelefon"),
                    QStringLiteral("Telefon")},
            {QStringLiteral("rCeg"), QStringLiteral("Cég"), QStringLiteral("rCeg"), QStringLiteral("Cég")},
            {QStringLiteral("rCim"), QStringLiteral("Cim"), QStringLiteral("rCim"), QStringLiteral("Cim")},
            {QStringLiteral("rUgyintez"), QStringLiteral("Ügyintéző"), QStringLiteral("rUgyintez"),
                    QStringLiteral("Ügyintézö")},
            {QStringLiteral("rOkod"), QStringLiteral("Termelőkód"), QStringLiteral("rOkod"),
                    QStringLiteral("Termelökód")},
            {QStringLiteral("IDr"), QStringLiteral("IDr"), QStringLiteral("IDr"),
                    QStringLiteral("Beviteli sorrend (ID)")},
    };
    m.ticketColumn = QStringLiteral("jRkod");
    m.pendingColumns = {QStringLiteral("mRkod")};
    m.inUseQuestion = QStringLiteral("A rendszám már használatban van ! Javitja ?");
    m.inUseNotice = QStringLiteral("A rendszám már szerepel a tavrinban !");
    m.deletedMessage = QStringLiteral("A rendszám törlölve!");
    m.deleteErrorMessage = QStringLiteral("Hiba: rendszám DELETE törlésekor");
    m.printTemplate = QStringLiteral("rendszam.frf");
    m.orientation = QPageLayout::Landscape;

    m.dialogWindow = QStringLiteral("TForm7");
    m.dialogTitle = QStringLiteral("Rendszám bevitel");
    m.fields = {
            {QStringLiteral("Edit1"), QStringLiteral("Rendszám"), QStringLiteral("rRendszam"), F::Required,
                    QStringLiteral("Üres a rendszám!"), {}, {}},
            {QStringLiteral("Edit2"), QStringLiteral("Tara"), QStringLiteral("rTara"), F::Digits | F::Number, {}, {},
                    {}},
            {QStringLiteral("Edit3"), QStringLiteral("Név"), QStringLiteral("rNev"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit4"), QStringLiteral("Telefon"), QStringLiteral("rTelefon"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit5"), QStringLiteral("Cég"), QStringLiteral("rCeg"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit6"), QStringLiteral("Cim"), QStringLiteral("rCim"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit7"), QStringLiteral("Ügyintéző"), QStringLiteral("rUgyintez"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit12"), QStringLiteral("IDr"), QStringLiteral("IDr"), F::ReadOnly, {}, {}, {}},
            {QStringLiteral("Edit13"), QStringLiteral("Kód"), QStringLiteral("rKod"), F::ReadOnly, {}, {}, {}},
            {QStringLiteral("Edit8"), {}, QStringLiteral("rOkod"), F::ReadOnly | F::Hidden, {}, {}, {}},
    };
    m.afterSaveCaption = QStringLiteral("A lista, \"rendszám\" szerint");
    m.insertSql = QStringLiteral(
            "INSERT INTO rendszam ( rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod ) "
            "VALUES ( :p0, :p1, :p2, :p3, :p4, :p5, :p6, :p7, :p8 )");
    m.insertControls
            = {QStringLiteral("Edit1"), QStringLiteral("Edit2"), QStringLiteral("Edit3"), QStringLiteral("Edit4"),
                    QStringLiteral("Edit5"), QStringLiteral("Edit6"), QStringLiteral("Edit7"), QStringLiteral("Edit8")};
    m.replaceControls = QStringList {QStringLiteral("Edit12"), QStringLiteral("Edit13")} + m.insertControls;
    m.idControl = QStringLiteral("Edit12");
    m.codeControl = QStringLiteral("Edit13");
    m.insertFailed = QStringLiteral("Hiba: Újban, INSERT-append a rendszam-ban ");
    m.replaceFailed = QStringLiteral("Hiba: Módisitás, REPLACE-edit a renszam-ban ");
    m.unhandledFailed = QStringLiteral("Hiba az append vagy edit közben az rendszam-ban!");
    m.notReadable = QStringLiteral("Hiba az rendszam módosítás Edit-ben való megjelenitésekor!");
    return m;
}

RegisterMember producers()
{
    RegisterMember m;
    m.kind = RegisterKind::Producers;
    m.table = QStringLiteral("termelo");
    m.codeColumn = QStringLiteral("oKod");
    m.nameColumn = QStringLiteral("oNev");
    m.idColumn = QStringLiteral("IDo");
    m.listQueryName = QStringLiteral("ZQ40");
    m.sideQueryName = QStringLiteral("ZQ43");
    m.writeQueryName = QStringLiteral("ZQ42");
    m.listWindow = QStringLiteral("TForm8");
    m.listTitle = QStringLiteral("Termelők");
    m.searchLabel = QStringLiteral("Termelő neve:");
    m.newHint = QStringLiteral("Új termelö. Ablak nyitás");
    m.modifyHint = QStringLiteral("Kiválasztott név módositása");
    m.newModeText = QStringLiteral("Új termelö");
    m.modifyModeText = QStringLiteral("Termelö módositás");
    m.initialCaptionWord = QStringLiteral("Termelö");
    m.searchCaptionWord = QStringLiteral("Név");
    m.columns = {
            {QStringLiteral("oKod"), QStringLiteral("Kód"), QStringLiteral("oKod"), QStringLiteral("Kód")},
            {QStringLiteral("oNev"), QStringLiteral("Név"), QStringLiteral("oNev"), QStringLiteral("Név")},
            {QStringLiteral("oIrszam"), QStringLiteral("Ir.szám"), QStringLiteral("oIrszam"),
                    QStringLiteral("Irányitószám")},
            {QStringLiteral("oHelysegnev"), QStringLiteral("Helységnév"), QStringLiteral("oHelysegnev"),
                    QStringLiteral("Helységnév")},
            {QStringLiteral("oUtca"), QStringLiteral("Utca"), QStringLiteral("oUtca"), QStringLiteral("Utca")},
            {QStringLiteral("oAdoszam"), QStringLiteral("Adószám"), QStringLiteral("oAdoszam"),
                    QStringLiteral("Adószám")},
            {QStringLiteral("oBankszla"), QStringLiteral("Bank.szla"), QStringLiteral("oBankszla"),
                    QStringLiteral("Bank számla")},
            {QStringLiteral("IDo"), QStringLiteral("IDo"), QStringLiteral("IDo"), QStringLiteral("ID")},
    };
    m.ticketColumn = QStringLiteral("jOkod");
    m.pendingColumns = {QStringLiteral("mOkod")};
    m.inUseQuestion = QStringLiteral("A termelö már használatban van ! Javitja ?");
    m.inUseNotice = QStringLiteral("A termelö már szerepel a tavrinban !");
    m.deletedMessage = QStringLiteral("A termelö törlölve!");
    m.deleteErrorMessage = QStringLiteral("Hiba: termelö DELETE törlésekor");
    m.printTemplate = QStringLiteral("termelo.frf");
    m.orientation = QPageLayout::Landscape;

    m.dialogWindow = QStringLiteral("TForm9");
    m.dialogTitle = QStringLiteral("Termelö bevitel");
    m.fields = {
            {QStringLiteral("Edit1"), QStringLiteral("Név"), QStringLiteral("oNev"), F::Required,
                    QStringLiteral("Üres a név!"), {}, {}},
            {QStringLiteral("Edit2"), QStringLiteral("Ir.szám"), QStringLiteral("oIrszam"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit3"), QStringLiteral("Helységnév"), QStringLiteral("oHelysegnev"), F::Plain, {}, {},
                    {}},
            {QStringLiteral("Edit4"), QStringLiteral("Utca"), QStringLiteral("oUtca"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit5"), QStringLiteral("Adószám"), QStringLiteral("oAdoszam"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit6"), QStringLiteral("Bank.szla"), QStringLiteral("oBankszla"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit7"), QStringLiteral("IDo"), QStringLiteral("IDo"), F::ReadOnly, {}, {}, {}},
            {QStringLiteral("Edit8"), QStringLiteral("Kód"), QStringLiteral("oKod"), F::ReadOnly, {}, {}, {}},
    };
    m.afterSaveCaption = QStringLiteral("A lista, \"név\" szerint");
    m.insertSql = QStringLiteral("INSERT INTO termelo ( oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, oBankszla ) "
                                 "VALUES ( :p0, :p1, :p2, :p3, :p4, :p5, :p6 )");
    m.insertControls = {QStringLiteral("Edit1"), QStringLiteral("Edit2"), QStringLiteral("Edit3"),
            QStringLiteral("Edit4"), QStringLiteral("Edit5"), QStringLiteral("Edit6")};
    m.replaceControls = QStringList {QStringLiteral("Edit7"), QStringLiteral("Edit8")} + m.insertControls;
    m.idControl = QStringLiteral("Edit7");
    m.codeControl = QStringLiteral("Edit8");
    m.insertFailed = QStringLiteral("Hiba: Újban, INSERT-append a termelo-ben ");
    m.replaceFailed = QStringLiteral("Hiba: Módisitás, REPLACE-edit a termelo-ben ");
    m.unhandledFailed = QStringLiteral("Hiba az append vagy edit közben az termelo-ban!");
    m.notReadable = QStringLiteral("Hiba az termelo módosítás Edit-ben való megjelenitésekor!");
    return m;
}

RegisterMember crops()
{
    RegisterMember m;
    m.kind = RegisterKind::Crops;
    m.table = QStringLiteral("termeny");
    m.codeColumn = QStringLiteral("tKod");
    m.nameColumn = QStringLiteral("tMegnev");
    m.idColumn = QStringLiteral("IDt");
    m.listQueryName = QStringLiteral("ZQ50");
    m.sideQueryName = QStringLiteral("ZQ53");
    m.writeQueryName = QStringLiteral("ZQ52");
    m.listWindow = QStringLiteral("TForm10");
    m.listTitle = QStringLiteral("Termény");
    m.searchLabel = QStringLiteral("Termény neve:");
    m.newHint = QStringLiteral("Új termény. Ablak nyitás");
    m.modifyHint = QStringLiteral("Kiválasztott név módositása");
    m.newModeText = QStringLiteral("Új termény");
    m.modifyModeText = QStringLiteral("Termény módositás");
    m.initialCaptionWord = QStringLiteral("Megnevezés");
    m.searchCaptionWord = QStringLiteral("Megnevezés");
    m.columns = {
            {QStringLiteral("tKod"), QStringLiteral("Kód"), QStringLiteral("tKod"), QStringLiteral("Kód")},
            {QStringLiteral("tMegnev"), QStringLiteral("Megnevezés"), QStringLiteral("tMegnev"),
                    QStringLiteral("Megnevezés")},
            {QStringLiteral("tMegjegy"), QStringLiteral("Megjegyzés"), QStringLiteral("tMegjegy"),
                    QStringLiteral("Megjegyzés")},
            {QStringLiteral("tSztiszt"), QStringLiteral("Szabványos tisztaság"), {}, {}},
            {QStringLiteral("tSzviztart"), QStringLiteral("Szabványos viztartalom"), {}, {}},
            {QStringLiteral("IDt"), QStringLiteral("IDt"), QStringLiteral("IDt"), QStringLiteral("ID")},
    };
    m.ticketColumn = QStringLiteral("jTkod");
    m.pendingColumns = {QStringLiteral("mTkod1"), QStringLiteral("mTkod2")};
    m.inUseQuestion = QStringLiteral("A termény már használatban van ! Javitja ?");
    m.inUseNotice = QStringLiteral("A termény már szerepel a tavrinban !");
    m.deletedMessage = QStringLiteral("A termény törlölve!");
    m.deleteErrorMessage = QStringLiteral("Hiba: termeny DELETE törlésekor");
    m.printTemplate = QStringLiteral("termeny.frf");
    m.orientation = QPageLayout::Portrait;

    m.dialogWindow = QStringLiteral("TForm11");
    m.dialogTitle = QStringLiteral("Termény");
    m.fields = {
            {QStringLiteral("Edit1"), QStringLiteral("Megnevezés"), QStringLiteral("tMegnev"), F::Required,
                    QStringLiteral("Üres a megnevezés!"), {}, {}},
            {QStringLiteral("Edit2"), QStringLiteral("Megjegyzés"), QStringLiteral("tMegjegy"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit5"), QStringLiteral("Szabványos tisztaság:"), QStringLiteral("tSztiszt"),
                    F::Required | F::Digits | F::Number, QStringLiteral("Üres a tisztaság!"), QStringLiteral("100"),
                    QStringLiteral("%")},
            {QStringLiteral("Edit6"), QStringLiteral("Szabányos viztartalom:"), QStringLiteral("tSzviztart"),
                    F::Required | F::Digits | F::Number, QStringLiteral("Üres a viztartalom!"), QStringLiteral("0"),
                    QStringLiteral("%")},
            {QStringLiteral("Edit3"), QStringLiteral("IDt"), QStringLiteral("IDt"), F::ReadOnly, {}, {}, {}},
            {QStringLiteral("Edit4"), QStringLiteral("Kód"), QStringLiteral("tKod"), F::ReadOnly, {}, {}, {}},
    };
    m.afterSaveCaption = QStringLiteral("A lista, \"megnevezés\" szerint");
    m.insertSql = QStringLiteral(
            "INSERT INTO termeny ( tKod, tMegnev, tMegjegy, tSztiszt, tSzviztart) VALUES ( :p0, :p1, :p2, :p3, :p4 )");
    m.insertControls
            = {QStringLiteral("Edit1"), QStringLiteral("Edit2"), QStringLiteral("Edit5"), QStringLiteral("Edit6")};
    m.replaceControls = QStringList {QStringLiteral("Edit3"), QStringLiteral("Edit4")} + m.insertControls;
    m.idControl = QStringLiteral("Edit3");
    m.codeControl = QStringLiteral("Edit4");
    m.insertFailed = QStringLiteral("Hiba: Újban, INSERT-append a termeny-ben ");
    m.replaceFailed = QStringLiteral("Hiba: Módisitás, REPLACE-edit a termeny-ben ");
    m.unhandledFailed = QStringLiteral("Hiba az append vagy edit közben az termeny-ban!");
    m.notReadable = QStringLiteral("Hiba az termeny módosítás Edit-ben való megjelenitésekor!");
    return m;
}

RegisterMember warehouses()
{
    RegisterMember m;
    m.kind = RegisterKind::Warehouses;
    m.table = QStringLiteral("raktar");
    m.codeColumn = QStringLiteral("kKod");
    m.nameColumn = QStringLiteral("kNev");
    m.idColumn = QStringLiteral("IDk");
    m.listQueryName = QStringLiteral("ZQ60");
    m.sideQueryName = QStringLiteral("ZQ63");
    m.writeQueryName = QStringLiteral("ZQ62");
    m.listWindow = QStringLiteral("TForm12");
    m.listTitle = QStringLiteral("Raktár");
    m.searchLabel = QStringLiteral("Raktár neve:");
    m.newHint = QStringLiteral("Új raktár. Ablak nyitás");
    m.modifyHint = QStringLiteral("Kiválasztott név módositása");
    m.newModeText = QStringLiteral("Új raktár");
    m.modifyModeText = QStringLiteral("Raktár módositás");
    m.initialCaptionWord = QStringLiteral("Név");
    m.searchCaptionWord = QStringLiteral("Név");
    m.columns = {
            {QStringLiteral("kKod"), QStringLiteral("Kód"), QStringLiteral("kKod"), QStringLiteral("Kód")},
            {QStringLiteral("kNev"), QStringLiteral("Név"), QStringLiteral("kNev"), QStringLiteral("Név")},
            {QStringLiteral("kMegj"), QStringLiteral("Megjegyzés"), QStringLiteral("kMegj"),
                    QStringLiteral("Megjegyzés")},
            {QStringLiteral("IDk"), QStringLiteral("IDk"), QStringLiteral("IDk"), QStringLiteral("ID")},
    };
    m.ticketColumn = QStringLiteral("jKkod");
    m.pendingColumns = {QStringLiteral("mKkod1"), QStringLiteral("mKkod2")};
    m.inUseQuestion = QStringLiteral("A raktár már használatban van ! Javitja ?");
    m.inUseNotice = QStringLiteral("A raktár már szerepel a tavrinban !");
    m.deletedMessage = QStringLiteral("A raktár törlölve!");
    m.deleteErrorMessage = QStringLiteral("Hiba: raktar DELETE törlésekor");
    m.printTemplate = QStringLiteral("raktar.frf");
    m.orientation = QPageLayout::Portrait;

    m.dialogWindow = QStringLiteral("TForm13");
    m.dialogTitle = QStringLiteral("Raktár");
    m.fields = {
            {QStringLiteral("Edit1"), QStringLiteral("Név"), QStringLiteral("kNev"), F::Required,
                    QStringLiteral("Üres a név!"), {}, {}},
            {QStringLiteral("Edit2"), QStringLiteral("Megjegyzés"), QStringLiteral("kMegj"), F::Plain, {}, {}, {}},
            {QStringLiteral("Edit3"), QStringLiteral("IDk"), QStringLiteral("IDk"), F::ReadOnly, {}, {}, {}},
            {QStringLiteral("Edit4"), QStringLiteral("Kód"), QStringLiteral("kKod"), F::ReadOnly, {}, {}, {}},
    };
    m.afterSaveCaption = QStringLiteral("A lista, \"Név\" szerint");
    m.insertSql = QStringLiteral("INSERT INTO raktar ( kKod, kNev, kMegj ) VALUES ( :p0, :p1, :p2 )");
    m.insertControls = {QStringLiteral("Edit1"), QStringLiteral("Edit2")};
    m.replaceControls = QStringList {QStringLiteral("Edit3"), QStringLiteral("Edit4")} + m.insertControls;
    m.idControl = QStringLiteral("Edit3");
    m.codeControl = QStringLiteral("Edit4");
    m.insertFailed = QStringLiteral("Hiba: Újban, INSERT-append a raktar-ben ");
    m.replaceFailed = QStringLiteral("Hiba: Módisitás, REPLACE-edit a raktar-ben ");
    m.unhandledFailed = QStringLiteral("Hiba az append vagy edit közben az raktar-ban!");
    m.notReadable = QStringLiteral("Hiba az raktar módosítás Edit-ben való megjelenitésekor!");
    return m;
}

Query& byName(DataModule& dm, const QString& name)
{
    Query* q = dm.find(name);
    Q_ASSERT(q);
    return *q;
}

}   // namespace

QString RegisterMember::defaultOrderSql() const
{
    return QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, nameColumn);
}

QString RegisterMember::caption(const QString& word) const
{
    return QStringLiteral("A lista, \"%1\" szerint").arg(word);
}

const RegisterColumn* RegisterMember::columnByField(const QString& f) const
{
    for (const RegisterColumn& c : columns)
        if (c.field.compare(f, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

int RegisterMember::columnWidth(const QString& column)
{
    static const QHash<QString, int> widths = {
            {QStringLiteral("rkod"), 5},
            {QStringLiteral("rrendszam"), 25},
            {QStringLiteral("rnev"), 45},
            {QStringLiteral("rtelefon"), 45},
            {QStringLiteral("rceg"), 45},
            {QStringLiteral("rcim"), 45},
            {QStringLiteral("rugyintez"), 45},
            {QStringLiteral("rokod"), 5},
            {QStringLiteral("okod"), 5},
            {QStringLiteral("onev"), 45},
            {QStringLiteral("oirszam"), 4},
            {QStringLiteral("ohelysegnev"), 45},
            {QStringLiteral("outca"), 45},
            {QStringLiteral("oadoszam"), 11},
            {QStringLiteral("obankszla"), 24},
            {QStringLiteral("tkod"), 5},
            {QStringLiteral("tmegnev"), 45},
            {QStringLiteral("tmegjegy"), 45},
            {QStringLiteral("kkod"), 5},
            {QStringLiteral("knev"), 45},
            {QStringLiteral("kmegj"), 45},
    };
    return widths.value(column.toLower(), 0);
}

const RegisterField* RegisterMember::field(const QString& control) const
{
    for (const RegisterField& f : fields)
        if (f.control == control)
            return &f;
    return nullptr;
}

Query& RegisterMember::listQuery(DataModule& dm) const
{
    return byName(dm, listQueryName);
}
Query& RegisterMember::sideQuery(DataModule& dm) const
{
    return byName(dm, sideQueryName);
}
Query& RegisterMember::writeQuery(DataModule& dm) const
{
    return byName(dm, writeQueryName);
}

const RegisterMember& registerMember(RegisterKind kind)
{
    static const RegisterMember members[] = {plates(), producers(), crops(), warehouses()};
    return members[static_cast<int>(kind)];
}

const QList<RegisterKind>& registerKinds()
{
    static const QList<RegisterKind> kinds
            = {RegisterKind::Plates, RegisterKind::Producers, RegisterKind::Crops, RegisterKind::Warehouses};
    return kinds;
}
