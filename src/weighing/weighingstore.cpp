#include "weighingstore.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "data/transaction.h"

const QString WeighingStore::InModeText = QStringLiteral("Új  \"BE\" mérés");
const QString WeighingStore::OutSelectText = QStringLiteral("\"Ki\" -választ");
const QString WeighingStore::OutModeText = QStringLiteral(" \"KI\" -választ mérés");

namespace {

const QString NotStartedMessage = QStringLiteral("Hiba az append vagy edit közben az meres-ban!");
const QString InStoreMessage = QStringLiteral("Hiba: Újban, INSERT-append a meres-ben ");
const QString TareMessage = QStringLiteral("Hiba: tara-s mérésnél, REPLACE-edit a meres-ban ");
const QString TrailerTareMessage = QStringLiteral("Pótos szerelvénynél nincs tara-s mérés!");
const QString OutStoreMessage = QStringLiteral("Hiba: KI-ben, REPLACE-edit a meres-ban ");

QString chopTrailing(const QString& s)
{
    int n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    return s.left(n);
}

QString flag(bool on)
{
    return on ? QStringLiteral("I") : QStringLiteral("");
}

// A text bound as a text: the empty text, never "no value".
QString text(const QString& s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

QString code(const QString& s)
{
    return text(s.trimmed());
}

// A weight that counts as measured: a number other than 0.
bool hasWeight(const QString& text)
{
    const auto v = TextConv::toNumber(text);
    return v && *v != 0;
}

bool picked(const QString& code)
{
    return !code.trimmed().isEmpty();
}

// The number fields of a store, each read as a decimal number.
struct Numbers {
    double weight1 = 0, scale1 = 0, weight2 = 0, scale2 = 0, purity = 0, moisture = 0;
};

std::optional<Numbers> readNumbers(const WeighingFields& f, bool withPercentages)
{
    Numbers n;
    const std::pair<const QString*, double*> all[] = {
        {&f.weight1, &n.weight1}, {&f.scale1, &n.scale1}, {&f.weight2, &n.weight2}, {&f.scale2, &n.scale2},
        {&f.purity, &n.purity}, {&f.moisture, &n.moisture}};
    int i = 0;
    for (const auto& [text, value] : all) {
        if (i++ >= 4 && !withPercentages)
            break;
        const auto v = TextConv::toNumber(*text);
        if (!v)
            return std::nullopt;
        *value = *v;
    }
    return n;
}

} // namespace

bool WeighingStore::inMode(const WeighingState& state)
{
    return state.modeText == InModeText;
}

bool WeighingStore::pickersShown(const WeighingState& state)
{
    const bool loaded = state.movement == QLatin1String("B");
    return loaded == inMode(state);
}

bool WeighingStore::loadedPass(const WeighingState& state)
{
    return pickersShown(state);
}

std::optional<QString> WeighingStore::tarePreset(const QString& plateCode)
{
    const WeighingState& st = m_ctx.weighing;
    if (!st.singleWeighing || st.movement != QLatin1String("K"))
        return std::nullopt;
    Query& q = m_ctx.data.ZQ33;
    try {
        q.openSql(QStringLiteral("SELECT * FROM rendszam WHERE rKod = :p0"), {{QStringLiteral("p0"), plateCode}});
        if (q.isEmpty())
            return std::nullopt;
        return TextConv::number(q.value(QStringLiteral("rTara")).toDouble());
    } catch (const DbError&) {
        return std::nullopt;
    }
}

WeighingOutcome WeighingStore::ok(const WeighingFields& fields, const QDateTime& at)
{
    WeighingOutcome c = check(fields);
    if (c.result != WeighingOutcome::Stored)
        return c;
    return inMode(m_ctx.weighing) ? storeIn(fields, at) : storeOut(fields, at);
}

WeighingOutcome WeighingStore::check(const WeighingFields& f)
{
    const WeighingState& st = m_ctx.weighing;
    const QString weight1 = chopTrailing(f.weight1);
    if (weight1.isEmpty())
        return refuse(QStringLiteral("Üres a mértsúly!"), QStringLiteral("Edit1"));
    if (f.weight1 == QLatin1String("0"))
        return refuse(QStringLiteral("Nulla a mértsúly!"), QStringLiteral("Edit1"));

    // The loaded pass records what the load is and where it goes: a
    // measurement with a weight and no crop or warehouse would become a
    // ticket that no ticket, stock or archive list shows.
    if (loadedPass(st)) {
        if (!picked(f.crop1))
            return refuse(QStringLiteral("Nincs kiválasztva a termény!"), QStringLiteral("Button3"));
        if (!picked(f.warehouse1))
            return refuse(QStringLiteral("Nincs kiválasztva a raktár!"), QStringLiteral("Button4"));
        if (st.trailer && hasWeight(f.weight2)) {
            if (!picked(f.crop2))
                return refuse(QStringLiteral("Nincs kiválasztva a pótkocsi terménye!"), QStringLiteral("Button7"));
            if (!picked(f.warehouse2))
                return refuse(QStringLiteral("Nincs kiválasztva a pótkocsi raktára!"), QStringLiteral("Button8"));
        }
    }

    if (inMode(st) && st.movement == QLatin1String("B")) {
        if (chopTrailing(f.purity).isEmpty())
            return refuse(QStringLiteral("Üres a tisztaság!"), QStringLiteral("Edit32"));
        if (chopTrailing(f.moisture).isEmpty())
            return refuse(QStringLiteral("Üres a viztartalom!"), QStringLiteral("Edit33"));
        const auto purity = TextConv::toNumber(f.purity);
        const auto moisture = TextConv::toNumber(f.moisture);
        const auto stdPurity = TextConv::toNumber(f.standardPurity);
        const auto stdMoisture = TextConv::toNumber(f.standardMoisture);
        if (purity && stdPurity && *purity > *stdPurity)
            return refuse(QStringLiteral("Nagyobb mint a szabványnak megadott tisztaság!"), QStringLiteral("Edit32"));
        if (moisture && stdMoisture && *moisture < *stdMoisture)
            return refuse(QStringLiteral("Nem lehet kisebb a szabványnak megadott viztartalomnál!"),
                          QStringLiteral("Edit33"));
    }
    WeighingOutcome o;
    o.result = WeighingOutcome::Stored;
    return o;
}

WeighingOutcome WeighingStore::storeIn(const WeighingFields& f, const QDateTime& atGiven)
{
    const QDateTime at = atGiven.isValid() ? atGiven : QDateTime::currentDateTime();
    WeighingState& st = m_ctx.weighing;

    // Every number is read before anything is sent: a field that is not a
    // number fails the store with nothing written.
    const auto n = readNumbers(f, true);
    if (!n)
        return fail(WeighingOutcome::Failed, InStoreMessage);

    std::optional<Transaction> t;
    try {
        t.emplace(m_ctx.data);
    } catch (const DbError&) {
        return fail(WeighingOutcome::NotStarted, NotStartedMessage);
    }

    // The "M" counter row stays locked until the COMMIT or ROLLBACK, so the
    // number is issued once and only together with its pending weighing.
    Counters counters(m_ctx.data, m_ctx.prompt);
    const Counters::Draw d = counters.readNext(Counters::M);
    if (!d.ok()) {
        t->rollback();
        return fail(WeighingOutcome::NotStarted, NotStartedMessage);
    }
    const QString number = d.number;

    Query& q = m_ctx.data.ZQ12;
    try {
        q.run(QStringLiteral(
                  "INSERT INTO meres ( mBszam, mMozgas, mPot, mDatum, mRkod, mBemerleg1, mBemeres1, mTkod1, mKkod1, "
                  "mBemerleg2, mBemeres2, mTkod2, mKkod2, mBeido, mMegj, mTiszt, mViztart, mNetto1 ) VALUES ( :p0, :p1, "
                  ":p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9, :p10, :p11, :p12, :p13, :p14, :p15, :p16, :p17 )"),
              {{QStringLiteral("p0"), number},
               {QStringLiteral("p1"), text(st.movement)},
               {QStringLiteral("p2"), flag(st.trailer)},
               {QStringLiteral("p3"), at.date()},
               {QStringLiteral("p4"), text(st.plateCode)},
               {QStringLiteral("p5"), n->scale1},
               {QStringLiteral("p6"), n->weight1},
               {QStringLiteral("p7"), code(f.crop1)},
               {QStringLiteral("p8"), code(f.warehouse1)},
               {QStringLiteral("p9"), n->scale2},
               {QStringLiteral("p10"), n->weight2},
               {QStringLiteral("p11"), code(f.crop2)},
               {QStringLiteral("p12"), code(f.warehouse2)},
               {QStringLiteral("p13"), text(f.inTime)},
               {QStringLiteral("p14"), text(f.remark)},
               {QStringLiteral("p15"), n->purity},
               {QStringLiteral("p16"), n->moisture},
               {QStringLiteral("p17"), n->weight1 + n->weight2}});
    } catch (const DbError&) {
        t->rollback();
        return fail(WeighingOutcome::Failed, InStoreMessage);
    }

    // The counter store shows its own message; the number must not be used
    // without it, so the whole store goes back.
    if (!counters.store(Counters::M, number)) {
        t->rollback();
        WeighingOutcome o = fail(WeighingOutcome::Failed, InStoreMessage);
        o.messages.prepend(Counters::storeFailedMessage(Counters::M));
        return o;
    }

    QStringList shown;
    bool tareCompleted = false;
    if (st.singleWeighing) {
        if (st.trailer) {
            m_ctx.prompt.message(TrailerTareMessage);
            shown << TrailerTareMessage;
        } else {
            const QString plate = f.plateCode.isEmpty() ? st.plateCode : f.plateCode;
            if (!completeTare(plate, at.time())) {
                t->rollback();
                return fail(WeighingOutcome::Failed, TareMessage);
            }
            tareCompleted = true;
        }
    }

    try {
        t->commit();
    } catch (const DbError&) {
        return fail(WeighingOutcome::Failed, tareCompleted ? TareMessage : InStoreMessage);
    }
    st.weighingNumber = number;
    WeighingOutcome o;
    o.result = WeighingOutcome::Stored;
    o.messages = shown;
    return o;
}

bool WeighingStore::completeTare(const QString& plateCode, const QTime& now)
{
    const WeighingState& st = m_ctx.weighing;
    try {
        Query& plate = m_ctx.data.ZQ33;
        plate.openSql(QStringLiteral("SELECT * FROM rendszam WHERE rKod = :p0"), {{QStringLiteral("p0"), plateCode}});
        if (plate.isEmpty())
            return false;
        const double tare = plate.value(QStringLiteral("rTara")).toDouble();
        // A vehicle that came in empty has its tare on the IN side, one that
        // came in loaded on the OUT side. Only the row just inserted.
        const QString sql = st.movement == QLatin1String("K")
            ? QStringLiteral("UPDATE meres SET mBeido = :p1, mBemeres1 = :p2, mBemeres2 = 0, mBemerleg1 = 0, "
                             "mBemerleg2 = 0, mNetto1 = :p2, mEgymeres = \"I\" WHERE IDm = LAST_INSERT_ID()")
            : QStringLiteral("UPDATE meres SET mKiido = :p1, mKimeres1 = :p2, mKimeres2 = 0, mKimerleg1 = 0, "
                             "mKimerleg2 = 0, mNetto2 = :p2, mEgymeres = \"I\" WHERE IDm = LAST_INSERT_ID()");
        return m_ctx.data.ZQ12.run(sql, {{QStringLiteral("p1"), TextConv::time(now)}, {QStringLiteral("p2"), tare}}) == 1;
    } catch (const DbError&) {
        return false;
    }
}

WeighingOutcome WeighingStore::storeOut(const WeighingFields& f, const QDateTime& atGiven)
{
    const QDateTime at = atGiven.isValid() ? atGiven : QDateTime::currentDateTime();
    WeighingState& st = m_ctx.weighing;
    const auto n = readNumbers(f, false);
    if (!n)
        return fail(WeighingOutcome::Failed, OutStoreMessage);

    Query& q = m_ctx.data.ZQ12;
    QString number;
    try {
        // The weighing being weighed out; it may have gone since the list was read.
        q.openSql(QStringLiteral("SELECT mBszam FROM meres WHERE IDm = :p0"), {{QStringLiteral("p0"), st.weighingId}});
        if (q.isEmpty())
            return fail(WeighingOutcome::Failed, OutStoreMessage);
        number = q.text(QStringLiteral("mBszam"));

        QString sql = QStringLiteral("UPDATE meres SET mKiido = :p1, mKimeres1 = :p2, mKimeres2 = :p3, mKimerleg1 = :p4, "
                                     "mKimerleg2 = :p5, mNetto2 = :p6");
        Query::Binds binds{{QStringLiteral("p0"), st.weighingId},
                           {QStringLiteral("p1"), TextConv::time(at.time())},
                           {QStringLiteral("p2"), n->weight1},
                           {QStringLiteral("p3"), n->weight2},
                           {QStringLiteral("p4"), n->scale1},
                           {QStringLiteral("p5"), n->scale2},
                           {QStringLiteral("p6"), n->weight1 + n->weight2}};
        if (st.movement == QLatin1String("K")) {
            sql += QStringLiteral(", mTkod1 = :p7, mTkod2 = :p8, mKkod1 = :p9, mKkod2 = :p10");
            binds << qMakePair(QStringLiteral("p7"), QVariant(code(f.crop1)))
                  << qMakePair(QStringLiteral("p8"), QVariant(code(f.crop2)))
                  << qMakePair(QStringLiteral("p9"), QVariant(code(f.warehouse1)))
                  << qMakePair(QStringLiteral("p10"), QVariant(code(f.warehouse2)));
        }
        sql += QStringLiteral(" WHERE IDm = :p0");
        q.run(sql, binds);
    } catch (const DbError&) {
        return fail(WeighingOutcome::Failed, OutStoreMessage);
    }
    st.weighingNumber = number;
    WeighingOutcome o;
    o.result = WeighingOutcome::Stored;
    return o;
}

WeighingOutcome WeighingStore::refuse(const QString& message, const QString& focus)
{
    m_ctx.prompt.message(message);
    WeighingOutcome o;
    o.result = WeighingOutcome::Refused;
    o.messages << message;
    o.focus = focus;
    return o;
}

WeighingOutcome WeighingStore::fail(WeighingOutcome::Result result, const QString& message)
{
    m_ctx.prompt.message(message);
    WeighingOutcome o;
    o.result = result;
    o.messages << message;
    return o;
}
