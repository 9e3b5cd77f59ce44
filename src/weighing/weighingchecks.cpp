#include "weighingstore.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "registers/fieldcheck.h"
#include "scale/portsetting.h"
#include "weighing/weighingfieldtext.h"
#include "weighing/weighingtexts.h"

#include <vector>

namespace {

const QString EmptyWeightMessage = QStringLiteral("Üres a %1 mező!");
const QString NotWeightMessage = QStringLiteral("A(z) %1 csak szám lehet: \"%2\".");
const QString CapacityMessage = QStringLiteral("A súly nagyobb a mérleg méréshatáránál (%1 kg)!");
const QString NotScaleMessage
        = QStringLiteral("A mérlegtől kapott adat nem súly: \"%1\". Kérdezze le újra a mérleget (Mérés)!");
const QString TrailerPurityMessage
        = QStringLiteral("Nagyobb mint a pótkocsi terményének (%1) szabványban megadott tisztaság!");
const QString TrailerMoistureMessage
        = QStringLiteral("Nem lehet kisebb a pótkocsi terményének (%1) szabványban megadott viztartalomnál!");

}   // namespace

WeighingOutcome WeighingStore::check(const WeighingFields& f)
{
    const WeighingRequest& r = m_request;
    const QString weight1 = WeighingFieldText::chopTrailing(f.weight1);
    if (weight1.isEmpty())
        return end(Outcome::Refused, QStringLiteral("Üres a mértsúly!"), QStringLiteral("Edit1"));
    if (f.weight1 == QLatin1String("0"))
        return end(Outcome::Refused, QStringLiteral("Nulla a mértsúly!"), QStringLiteral("Edit1"));

    if (auto refused = checkColumns(f))
        return *refused;

    // The loaded pass records what the load is and where it goes: a
    // measurement with a weight and no crop or warehouse would become a
    // ticket that no ticket, stock or archive list shows.
    if (r.loadedPass()) {
        if (!WeighingFieldText::picked(f.crop1))
            return end(Outcome::Refused, QStringLiteral("Nincs kiválasztva a termény!"), QStringLiteral("Button3"));
        if (!WeighingFieldText::picked(f.warehouse1))
            return end(Outcome::Refused, QStringLiteral("Nincs kiválasztva a raktár!"), QStringLiteral("Button4"));
        if (r.trailer && WeighingFieldText::hasWeight(f.weight2)) {
            if (!WeighingFieldText::picked(f.crop2))
                return end(Outcome::Refused, QStringLiteral("Nincs kiválasztva a pótkocsi terménye!"),
                        QStringLiteral("Button7"));
            if (!WeighingFieldText::picked(f.warehouse2))
                return end(Outcome::Refused, QStringLiteral("Nincs kiválasztva a pótkocsi raktára!"),
                        QStringLiteral("Button8"));
        }
    }

    if (auto refused = checkCodes(f))
        return *refused;
    if (auto refused = checkPercentages(f))
        return *refused;
    return WeighingOutcome();
}

// Every field the stores write, against what its column holds, before any
// statement: a field the server would refuse is named and focused, and the
// window keeps everything typed.
std::optional<WeighingOutcome> WeighingStore::checkColumns(const WeighingFields& f)
{
    const int capacity = PortSetting::capacityKg();
    struct Weight {
        const QString& weight;
        const QString& scale;
        const char* label;
        const char* focus;
        const char* readButton;
    };
    const Weight weights[] = {{f.weight1, f.scale1, "Mértsúly (1)", "Edit1", "Button2"},
            {f.weight2, f.scale2, "Mértsúly (2)", "Edit7", "Button6"}};
    for (const Weight& w : weights) {
        if (WeighingFieldText::chopTrailing(w.weight).isEmpty())
            return end(Outcome::Refused, EmptyWeightMessage.arg(QString::fromUtf8(w.label)), QLatin1String(w.focus));
        const auto kg = TextConv::toNumber(w.weight);
        if (!kg || *kg < 0)
            return end(Outcome::Refused, NotWeightMessage.arg(QString::fromUtf8(w.label), w.weight),
                    QLatin1String(w.focus));
        if (*kg > capacity)
            return end(Outcome::Refused, CapacityMessage.arg(TextConv::groupedKg(capacity)), QLatin1String(w.focus));
        // The scale figure comes from the indicator; a bad one is read again.
        if (!TextConv::toNumber(w.scale))
            return end(Outcome::Refused, NotScaleMessage.arg(w.scale), QLatin1String(w.readButton));
    }
    struct Text {
        const QString& text;
        FieldCheck::Column column;
        const char* focus;
    };
    const Text texts[] = {{f.crop1, {QStringLiteral("Terménykód (1)"), 5}, "Edit5"},
            {f.warehouse1, {QStringLiteral("Raktárkód (1)"), 5}, "Edit6"},
            {f.crop2, {QStringLiteral("Terménykód (2)"), 5}, "Edit11"},
            {f.warehouse2, {QStringLiteral("Raktárkód (2)"), 5}, "Edit12"},
            {f.remark, {QStringLiteral("Megjegyzés"), 200}, "Edit31"}};
    for (const Text& t : texts) {
        // Codes are stored without the blanks around them.
        const QString stored = t.column.width == 5 ? t.text.trimmed() : t.text;
        if (const std::optional<QString> message = FieldCheck::check(t.column, stored))
            return end(Outcome::Refused, *message, QLatin1String(t.focus));
    }
    return std::nullopt;
}

// The codes of the loaded pass are the ones stored and later deducted,
// listed and summed by: each must be a row of its register.
std::optional<WeighingOutcome> WeighingStore::checkCodes(const WeighingFields& f)
{
    m_crop1.reset();
    m_crop2.reset();
    if (!m_request.loadedPass())
        return std::nullopt;
    struct Code {
        const QString& text;
        bool isCrop;
        const char* focus;
    };
    std::vector<Code> codes {{f.crop1, true, "Edit5"}, {f.warehouse1, false, "Edit6"}};
    if (m_request.trailer) {
        codes.push_back({f.crop2, true, "Edit11"});
        codes.push_back({f.warehouse2, false, "Edit12"});
    }
    try {
        for (const Code& c : codes) {
            const QString code = c.text.trimmed();
            if (code.isEmpty())
                continue;   // measurement 2 not weighed: no pick needed
            bool known;
            if (c.isCrop) {
                const std::optional<Crop> found = crop(code);
                if (&c.text == &f.crop1)
                    m_crop1 = found;   // its standards count for the intake checks
                else if (WeighingFieldText::hasWeight(f.weight2))
                    m_crop2 = found;   // ... and those of a weighed trailer's crop
                known = found.has_value();
            } else {
                known = warehouse(code).has_value();
            }
            if (!known)
                return end(Outcome::Refused,
                        (c.isCrop ? WeighingTexts::unknownCrop() : WeighingTexts::unknownWarehouse()).arg(code),
                        QLatin1String(c.focus));
        }
    } catch (const DbError& e) {
        return end(
                Outcome::NotStarted, e.said(m_request.in() ? WeighingTexts::notStarted() : WeighingTexts::outStore()));
    }
    return std::nullopt;
}

std::optional<WeighingOutcome> WeighingStore::checkPercentages(const WeighingFields& f)
{
    const WeighingRequest& r = m_request;
    const QString purityFocus = QStringLiteral("Edit32");
    const QString moistureFocus = QStringLiteral("Edit33");
    // An empty vehicle coming in has no sample: its figures are stored as
    // given and read by no check.
    const bool sampled = !r.in() || r.delivery();
    if (sampled && WeighingFieldText::chopTrailing(f.purity).isEmpty())
        return end(Outcome::Refused, QStringLiteral("Üres a tisztaság!"), purityFocus);
    if (sampled && WeighingFieldText::chopTrailing(f.moisture).isEmpty())
        return end(Outcome::Refused, QStringLiteral("Üres a viztartalom!"), moistureFocus);
    const auto percentage = [](const QString& text) -> std::optional<double> {
        const auto v = TextConv::toNumber(text);
        if (!v || *v < 0 || *v > 100)
            return std::nullopt;
        return v;
    };
    const auto purity = percentage(f.purity);
    const auto moisture = percentage(f.moisture);
    if (!purity && !(WeighingFieldText::chopTrailing(f.purity).isEmpty() && !sampled))
        return end(Outcome::Refused, WeighingTexts::purityRange(), purityFocus);
    if (!moisture && !(WeighingFieldText::chopTrailing(f.moisture).isEmpty() && !sampled))
        return end(Outcome::Refused, WeighingTexts::moistureRange(), moistureFocus);
    if (!r.delivery())
        return std::nullopt;

    // The standards of the crops the deductions will use: the codes in the
    // fields when coming in, the codes of the pending weighing when leaving.
    std::optional<Crop> standard[2];
    try {
        if (r.in()) {
            standard[0] = m_crop1;   // looked up by checkCodes (a loaded vehicle coming in)
            standard[1] = m_crop2;
        } else {
            Query& q = m_ctx.data.ZQ53;
            q.openSql(QStringLiteral("SELECT t1.tMegnev AS name1, t1.tSztiszt AS purity1, t1.tSzviztart AS moisture1, "
                                     "t2.tMegnev AS name2, t2.tSztiszt AS purity2, t2.tSzviztart AS moisture2, "
                                     "meres.mBemeres2 FROM meres LEFT JOIN termeny t1 ON t1.tKod = meres.mTkod1 "
                                     "LEFT JOIN termeny t2 ON t2.tKod = meres.mTkod2 WHERE meres.IDm = :p0"),
                    {{QStringLiteral("p0"), r.weighingId}});
            for (int i = 0; i < 2 && !q.isEmpty(); ++i) {
                const QString n = QString::number(i + 1);
                if (q.value(QStringLiteral("name") + n).isNull())
                    continue;
                if (i == 1 && (!r.trailer || q.value(QStringLiteral("mBemeres2")).toDouble() == 0))
                    continue;   // no trailer weighed in
                standard[i]
                        = Crop {q.text(QStringLiteral("name") + n), q.value(QStringLiteral("purity") + n).toDouble(),
                                q.value(QStringLiteral("moisture") + n).toDouble()};
            }
        }
    } catch (const DbError& e) {
        return end(Outcome::NotStarted, e.said(r.in() ? WeighingTexts::notStarted() : WeighingTexts::outStore()));
    }
    // No crop: refused by the pick check (IN) or by the finalisation (OUT).
    // Every loaded pass by the same rules, against its own crop.
    for (int i = 0; i < 2; ++i) {
        if (!standard[i])
            continue;
        if (*purity > standard[i]->standardPurity)
            return end(Outcome::Refused,
                    i == 0 ? QStringLiteral("Nagyobb mint a szabványnak megadott tisztaság!")
                           : TrailerPurityMessage.arg(standard[i]->name),
                    purityFocus);
        if (*moisture < standard[i]->standardMoisture)
            return end(Outcome::Refused,
                    i == 0 ? QStringLiteral("Nem lehet kisebb a szabványnak megadott viztartalomnál!")
                           : TrailerMoistureMessage.arg(standard[i]->name),
                    moistureFocus);
    }
    return std::nullopt;
}
