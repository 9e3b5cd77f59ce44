#include "columnhints.h"

#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

namespace ColumnHints {

namespace {

    const QHash<QString, QString>& meanings()
    {
        static const QHash<QString, QString> m = {
                // the pending weighing (meres)
                {QStringLiteral("IDm"), QStringLiteral("A mérés azonosítója")},
                {QStringLiteral("mBszam"), QStringLiteral("Mérés sorszáma")},
                {QStringLiteral("mMozgas"), QStringLiteral("Mozgás iránya (B: beszállítás, K: kiszállítás)")},
                {QStringLiteral("mRakott"), QStringLiteral("Rakott-e")},
                {QStringLiteral("mPot"), QStringLiteral("Pótkocsis szerelvény (I: igen)")},
                {QStringLiteral("mEgymeres"), QStringLiteral("Egy mérés a törzsbeli tárával (I: igen)")},
                {QStringLiteral("mDatum"), QStringLiteral("A mérés dátuma")},
                {QStringLiteral("mBeido"), QStringLiteral("Belépés időpontja")},
                {QStringLiteral("mKiido"), QStringLiteral("Kilépés időpontja")},
                {QStringLiteral("mNetto1"), QStringLiteral("Belépő súly összesen")},
                {QStringLiteral("mNetto2"), QStringLiteral("Kilépő súly összesen")},
                {QStringLiteral("mBemeres1"), QStringLiteral("Belépő súly 1")},
                {QStringLiteral("mBemeres2"), QStringLiteral("Belépő súly 2 (pótkocsi)")},
                {QStringLiteral("mKimeres1"), QStringLiteral("Kilépő súly 1")},
                {QStringLiteral("mKimeres2"), QStringLiteral("Kilépő súly 2 (pótkocsi)")},
                {QStringLiteral("mBemerleg1"), QStringLiteral("Belépő mérleg 1 (a mérleg által mutatott súly)")},
                {QStringLiteral("mBemerleg2"), QStringLiteral("Belépő mérleg 2 (pótkocsi, a mérleg által mutatott)")},
                {QStringLiteral("mKimerleg1"), QStringLiteral("Kilépő mérleg 1 (a mérleg által mutatott súly)")},
                {QStringLiteral("mKimerleg2"), QStringLiteral("Kilépő mérleg 2 (pótkocsi, a mérleg által mutatott)")},
                {QStringLiteral("mRkod"), QStringLiteral("Rendszám kódja")},
                {QStringLiteral("mTkod1"), QStringLiteral("Termény kódja 1")},
                {QStringLiteral("mTkod2"), QStringLiteral("Termény kódja 2 (pótkocsi)")},
                {QStringLiteral("mKkod1"), QStringLiteral("Raktár kódja 1")},
                {QStringLiteral("mKkod2"), QStringLiteral("Raktár kódja 2 (pótkocsi)")},
                {QStringLiteral("mAkod"), QStringLiteral("Átvevő kódja")},
                {QStringLiteral("mOkod"), QStringLiteral("Termelő kódja")},
                {QStringLiteral("mMegj"), QStringLiteral("Megjegyzés")},
                {QStringLiteral("mTiszt"), QStringLiteral("Tisztaság (%)")},
                {QStringLiteral("mViztart"), QStringLiteral("Víztartalom (%)")},
                // the ticket rows (vello)
                {QStringLiteral("IDj"), QStringLiteral("A mérlegjegy-sor azonosítója")},
                {QStringLiteral("jBszam"), QStringLiteral("Mérlegjegy száma")},
                {QStringLiteral("sztorno"),
                        QStringLiteral("Sztornózott mérlegjegy (SZTORNÓ; javításnál a helyette kiadott száma)")},
                {QStringLiteral("jMbszam"), QStringLiteral("A mérés sorszáma")},
                {QStringLiteral("jMozgas"), QStringLiteral("Mozgás iránya (B: beszállítás, K: kiszállítás)")},
                {QStringLiteral("jPot"), QStringLiteral("Pótkocsis szerelvény (I: igen)")},
                {QStringLiteral("jEgymeres"), QStringLiteral("Egy mérés a törzsbeli tárával (I: igen)")},
                {QStringLiteral("jDatum"), QStringLiteral("A mérés dátuma")},
                {QStringLiteral("jBeido"), QStringLiteral("Belépés időpontja")},
                {QStringLiteral("jKiido"), QStringLiteral("Kilépés időpontja")},
                {QStringLiteral("jModDatum"), QStringLiteral("Módosítás dátuma")},
                {QStringLiteral("jRogDatum"), QStringLiteral("Rögzítés dátuma")},
                {QStringLiteral("jBemeres"), QStringLiteral("Belépő súly")},
                {QStringLiteral("jKimeres"), QStringLiteral("Kilépő súly")},
                {QStringLiteral("jBemerleg"), QStringLiteral("Belépő mérleg (a mérleg által mutatott súly)")},
                {QStringLiteral("jKimerleg"), QStringLiteral("Kilépő mérleg (a mérleg által mutatott súly)")},
                {QStringLiteral("jNettoBe"), QStringLiteral("Betárolt nettó (levonások után)")},
                {QStringLiteral("jNettoKi"), QStringLiteral("Kiszállított nettó")},
                {QStringLiteral("jTkod"), QStringLiteral("Termény kódja")},
                {QStringLiteral("jKkod"), QStringLiteral("Raktár kódja")},
                {QStringLiteral("jRkod"), QStringLiteral("Rendszám kódja")},
                {QStringLiteral("jAkod"), QStringLiteral("Átvevő kódja")},
                {QStringLiteral("jOkod"), QStringLiteral("Termelő kódja")},
                {QStringLiteral("jMegj"), QStringLiteral("Megjegyzés")},
                {QStringLiteral("jTiszt"), QStringLiteral("Tisztaság (%)")},
                {QStringLiteral("jViztart"), QStringLiteral("Víztartalom (%)")},
                {QStringLiteral("jPrn"), QStringLiteral("Nyomtatva")},
                {QStringLiteral("jTorolt"), QStringLiteral("Törölt / összesítő jel")},
                // the registers
                {QStringLiteral("IDr"), QStringLiteral("A rendszám azonosítója")},
                {QStringLiteral("rKod"), QStringLiteral("Rendszám kódja")},
                {QStringLiteral("rRendszam"), QStringLiteral("Rendszám")},
                {QStringLiteral("rTara"), QStringLiteral("Tára (kg)")},
                {QStringLiteral("rNev"), QStringLiteral("Név")},
                {QStringLiteral("rOkod"), QStringLiteral("A jármű termelőjének kódja")},
                {QStringLiteral("rTelefon"), QStringLiteral("Telefon")},
                {QStringLiteral("rCeg"), QStringLiteral("Cég")},
                {QStringLiteral("rCim"), QStringLiteral("Cím")},
                {QStringLiteral("rUgyintez"), QStringLiteral("Ügyintéző")},
                {QStringLiteral("IDo"), QStringLiteral("A termelő azonosítója")},
                {QStringLiteral("oKod"), QStringLiteral("Termelő kódja")},
                {QStringLiteral("oNev"), QStringLiteral("Termelő neve")},
                {QStringLiteral("oIrszam"), QStringLiteral("Irányítószám")},
                {QStringLiteral("oHelysegnev"), QStringLiteral("Helységnév")},
                {QStringLiteral("oUtca"), QStringLiteral("Utca")},
                {QStringLiteral("oAdoszam"), QStringLiteral("Adószám")},
                {QStringLiteral("oBankszla"), QStringLiteral("Bankszámla")},
                {QStringLiteral("IDt"), QStringLiteral("A termény azonosítója")},
                {QStringLiteral("tKod"), QStringLiteral("Termény kódja")},
                {QStringLiteral("tMegnev"), QStringLiteral("Termény megnevezése")},
                {QStringLiteral("tMegjegy"), QStringLiteral("Megjegyzés a terményhez")},
                {QStringLiteral("tSztiszt"), QStringLiteral("Szabvány tisztaság (%)")},
                {QStringLiteral("tSzviztart"), QStringLiteral("Szabvány víztartalom (%)")},
                {QStringLiteral("tAr"), QStringLiteral("Termény ára")},
                {QStringLiteral("tTisztAr"), QStringLiteral("Tisztítás ára")},
                {QStringLiteral("tSzaritAr"), QStringLiteral("Szárítás ára")},
                {QStringLiteral("IDk"), QStringLiteral("A raktár azonosítója")},
                {QStringLiteral("kKod"), QStringLiteral("Raktár kódja")},
                {QStringLiteral("kNev"), QStringLiteral("Raktár neve")},
                {QStringLiteral("kMegj"), QStringLiteral("Megjegyzés a raktárhoz")},
                // the stock lists' sums
                {QStringLiteral("Netto"), QStringLiteral("Mérlegelt nettó (kg)")},
                {QStringLiteral("Betarolt"), QStringLiteral("Betárolt (kg)")},
                {QStringLiteral("Kiszallitva"), QStringLiteral("Kiszállított (kg)")},
                {QStringLiteral("Keszlet"), QStringLiteral("Készlet (kg)")},
                {QStringLiteral("Be"), QStringLiteral("Betárolt (kg)")},
                {QStringLiteral("Ki"), QStringLiteral("Kiszállított (kg)")},
        };
        return m;
    }

    class Filter : public QObject {
    public:
        explicit Filter(QHeaderView* header) : QObject(header), m_header(header) { }
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() != QEvent::ToolTip)
                return false;
            auto* help = static_cast<QHelpEvent*>(e);
            const QString hint = hintAt(m_header, m_header->logicalIndexAt(help->pos()));
            if (hint.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), hint, m_header);
            return true;
        }

    private:
        QHeaderView* m_header;
    };

}   // namespace

QString meaning(const QString& column)
{
    const auto& m = meanings();
    auto it = m.constFind(column);
    if (it != m.constEnd())
        return *it;
    // Column names are matched as the server matches them.
    for (auto i = m.constBegin(); i != m.constEnd(); ++i)
        if (i.key().compare(column, Qt::CaseInsensitive) == 0)
            return i.value();
    return QString();
}

QString hintAt(const QHeaderView* header, int section)
{
    if (!header || !header->model() || section < 0)
        return QString();
    return meaning(header->model()->headerData(section, header->orientation()).toString());
}

void install(QHeaderView* header)
{
    header->viewport()->installEventFilter(new Filter(header));
}

}   // namespace ColumnHints
