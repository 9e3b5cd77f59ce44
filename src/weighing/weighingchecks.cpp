#include "weighingstore.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "weighing/weighingfieldtext.h"
#include "weighing/weighingtexts.h"

#include <vector>

WeighingOutcome WeighingStore::check(const WeighingFields& f)
{
    const WeighingRequest& r = m_request;
    const QString weight1 = WeighingFieldText::chopTrailing(f.weight1);
    if (weight1.isEmpty())
        return end(Outcome::Refused, QStringLiteral("Üres a mértsúly!"), QStringLiteral("Edit1"));
    if (f.weight1 == QLatin1String("0"))
        return end(Outcome::Refused, QStringLiteral("Nulla a mértsúly!"), QStringLiteral("Edit1"));

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

// The codes of the loaded pass are the ones stored and later deducted,
// listed and summed by: each must be a row of its register.
std::optional<WeighingOutcome> WeighingStore::checkCodes(const WeighingFields& f)
{
    m_crop1.reset();
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

    // The standards of the crop the deductions will use: the code in the
    // field when coming in, the code of the pending weighing when leaving.
    std::optional<Crop> standard;
    try {
        if (r.in()) {
            standard = m_crop1;   // looked up by checkCodes (a loaded vehicle coming in)
        } else {
            Query& q = m_ctx.data.ZQ53;
            q.openSql(QStringLiteral("SELECT tMegnev, tSztiszt, tSzviztart FROM meres JOIN termeny ON termeny.tKod = "
                                     "meres.mTkod1 WHERE meres.IDm = :p0"),
                    {{QStringLiteral("p0"), r.weighingId}});
            if (!q.isEmpty())
                standard = Crop {q.text(QStringLiteral("tMegnev")), q.value(QStringLiteral("tSztiszt")).toDouble(),
                        q.value(QStringLiteral("tSzviztart")).toDouble()};
        }
    } catch (const DbError& e) {
        return end(Outcome::NotStarted, e.said(r.in() ? WeighingTexts::notStarted() : WeighingTexts::outStore()));
    }
    if (!standard)
        return std::nullopt;   // no crop: refused by the pick check (IN) or by the finalisation (OUT)
    if (*purity > standard->standardPurity)
        return end(Outcome::Refused, QStringLiteral("Nagyobb mint a szabványnak megadott tisztaság!"), purityFocus);
    if (*moisture < standard->standardMoisture)
        return end(Outcome::Refused, QStringLiteral("Nem lehet kisebb a szabványnak megadott viztartalomnál!"),
                moistureFocus);
    return std::nullopt;
}
