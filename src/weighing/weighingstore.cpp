#include "weighingstore.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "data/transaction.h"

#include <algorithm>
#include <vector>

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

QString chopTrailing(const QString& s)
{
    int n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    return s.left(n);
}

QString code(const QString& s)
{
    return Query::notNull(s.trimmed());
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
    const std::pair<const QString*, double*> all[] = {{&f.weight1, &n.weight1}, {&f.scale1, &n.scale1},
            {&f.weight2, &n.weight2}, {&f.scale2, &n.scale2}, {&f.purity, &n.purity}, {&f.moisture, &n.moisture}};
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

// After a lost COMMIT reply of the IN store: the pending weighing with the
// number drawn and the values written (`row`, the INSERT's binds p1..p17) is
// there only if the store committed; the "M" row stayed locked until then,
// so no other weighing got that number while this one was open.
LostCommit inStored(DataModule& dm, const QString& number, const Query::Binds& row)
{
    Query::Binds binds {{QStringLiteral("p0"), number}};
    for (const auto& b : row)
        if (QStringList {"p1", "p2", "p3", "p4", "p7", "p8", "p11", "p12", "p14"}.contains(b.first))
            binds << b;
    try {
        Query& q = dm.ZQ12;
        q.openSql(QStringLiteral("SELECT COUNT(*) AS db FROM meres WHERE mBszam = :p0 AND mMozgas = :p1 AND mPot = :p2 "
                                 "AND mDatum = :p3 AND mRkod = :p4 AND mTkod1 = :p7 AND mKkod1 = :p8 AND mTkod2 = :p11 "
                                 "AND mKkod2 = :p12 AND mMegj = :p14"),
                binds);
        return q.value(QStringLiteral("db")).toLongLong() > 0 ? LostCommit::Committed : LostCommit::NotCommitted;
    } catch (const DbError&) {
        return LostCommit::Unknown;
    }
}

// After a lost COMMIT reply of the OUT store: the exit values of pending
// weighing `id` as written (the SET list's values by name) mean it committed;
// other values mean it did not; a weighing gone since (finalised or deleted
// at another workstation) leaves it unknown.
LostCommit outStored(DataModule& dm, qint64 id, const Query::Binds& written)
{
    // The SET list's columns by the name of their value in `written`; the
    // codes are there only when they were written.
    static const QList<QPair<QString, QString>> columns {{"mKiido", "p1"}, {"mKimeres1", "p2"}, {"mKimeres2", "p3"},
            {"mKimerleg1", "p4"}, {"mKimerleg2", "p5"}, {"mNetto2", "p6"}, {"mTkod1", "p7"}, {"mTkod2", "p8"},
            {"mKkod1", "p9"}, {"mKkod2", "p10"}, {"mTiszt", "p11"}, {"mViztart", "p12"}};
    try {
        Query& q = dm.ZQ12;
        q.openSql(QStringLiteral("SELECT * FROM meres WHERE IDm = :p0"), {{QStringLiteral("p0"), id}});
        if (q.isEmpty())
            return LostCommit::Unknown;
        for (const auto& [column, name] : columns) {
            const auto it = std::find_if(
                    written.begin(), written.end(), [&name = name](const auto& b) { return b.first == name; });
            if (it == written.end())
                continue;
            const QVariant want = it->second;
            const QVariant have = q.value(column);
            const bool same = want.typeId() == QMetaType::Double ? have.toDouble() == want.toDouble()
                                                                 : have.toString() == want.toString();
            if (!same)
                return LostCommit::NotCommitted;
        }
        return LostCommit::Committed;
    } catch (const DbError&) {
        return LostCommit::Unknown;
    }
}

}   // namespace

std::optional<QString> WeighingStore::tarePreset(const QString& plateCode)
{
    if (!m_request.singleWeighing || m_request.delivery())
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
    if (!c.done())
        return c;
    return m_request.in() ? storeIn(fields, at) : storeOut(fields, at);
}

WeighingOutcome WeighingStore::check(const WeighingFields& f)
{
    const WeighingRequest& r = m_request;
    const QString weight1 = chopTrailing(f.weight1);
    if (weight1.isEmpty())
        return end(Outcome::Refused, QStringLiteral("Üres a mértsúly!"), QStringLiteral("Edit1"));
    if (f.weight1 == QLatin1String("0"))
        return end(Outcome::Refused, QStringLiteral("Nulla a mértsúly!"), QStringLiteral("Edit1"));

    // The loaded pass records what the load is and where it goes: a
    // measurement with a weight and no crop or warehouse would become a
    // ticket that no ticket, stock or archive list shows.
    if (r.loadedPass()) {
        if (!picked(f.crop1))
            return end(Outcome::Refused, QStringLiteral("Nincs kiválasztva a termény!"), QStringLiteral("Button3"));
        if (!picked(f.warehouse1))
            return end(Outcome::Refused, QStringLiteral("Nincs kiválasztva a raktár!"), QStringLiteral("Button4"));
        if (r.trailer && hasWeight(f.weight2)) {
            if (!picked(f.crop2))
                return end(Outcome::Refused, QStringLiteral("Nincs kiválasztva a pótkocsi terménye!"),
                        QStringLiteral("Button7"));
            if (!picked(f.warehouse2))
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

std::optional<WeighingStore::Crop> WeighingStore::crop(const QString& code)
{
    Query& q = m_ctx.data.ZQ53;
    q.openSql(QStringLiteral("SELECT tMegnev, tSztiszt, tSzviztart FROM termeny WHERE tKod = :p0"),
            {{QStringLiteral("p0"), Query::notNull(code.trimmed())}});
    if (q.isEmpty())
        return std::nullopt;
    Crop c;
    c.name = q.text(QStringLiteral("tMegnev"));
    c.standardPurity = q.value(QStringLiteral("tSztiszt")).toDouble();
    c.standardMoisture = q.value(QStringLiteral("tSzviztart")).toDouble();
    return c;
}

std::optional<QString> WeighingStore::warehouse(const QString& code)
{
    Query& q = m_ctx.data.ZQ63;
    q.openSql(QStringLiteral("SELECT kNev FROM raktar WHERE kKod = :p0"),
            {{QStringLiteral("p0"), Query::notNull(code.trimmed())}});
    if (q.isEmpty())
        return std::nullopt;
    return q.text(QStringLiteral("kNev"));
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
                return end(Outcome::Refused, (c.isCrop ? UnknownCropMessage : UnknownWarehouseMessage).arg(code),
                        QLatin1String(c.focus));
        }
    } catch (const DbError&) {
        return end(Outcome::NotStarted, m_request.in() ? NotStartedMessage : OutStoreMessage);
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
    if (sampled && chopTrailing(f.purity).isEmpty())
        return end(Outcome::Refused, QStringLiteral("Üres a tisztaság!"), purityFocus);
    if (sampled && chopTrailing(f.moisture).isEmpty())
        return end(Outcome::Refused, QStringLiteral("Üres a viztartalom!"), moistureFocus);
    const auto percentage = [](const QString& text) -> std::optional<double> {
        const auto v = TextConv::toNumber(text);
        if (!v || *v < 0 || *v > 100)
            return std::nullopt;
        return v;
    };
    const auto purity = percentage(f.purity);
    const auto moisture = percentage(f.moisture);
    if (!purity && !(chopTrailing(f.purity).isEmpty() && !sampled))
        return end(Outcome::Refused, PurityRangeMessage, purityFocus);
    if (!moisture && !(chopTrailing(f.moisture).isEmpty() && !sampled))
        return end(Outcome::Refused, MoistureRangeMessage, moistureFocus);
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
    } catch (const DbError&) {
        return end(Outcome::NotStarted, r.in() ? NotStartedMessage : OutStoreMessage);
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

WeighingOutcome WeighingStore::storeIn(const WeighingFields& f, const QDateTime& atGiven)
{
    const QDateTime at = atGiven.isValid() ? atGiven : QDateTime::currentDateTime();
    const WeighingRequest& r = m_request;

    // Every number is read before anything is sent: a field that is not a
    // number fails the store with nothing written.
    const auto n = readNumbers(f, true);
    if (!n)
        return end(Outcome::Failed, InStoreMessage);
    const Query::Binds row {{QStringLiteral("p1"), WeighingRequest::code(r.movement)},
            {QStringLiteral("p2"), WeighingRequest::flag(r.trailer)}, {QStringLiteral("p3"), at.date()},
            {QStringLiteral("p4"), Query::notNull(r.plateCode)}, {QStringLiteral("p5"), n->scale1},
            {QStringLiteral("p6"), n->weight1}, {QStringLiteral("p7"), code(f.crop1)},
            {QStringLiteral("p8"), code(f.warehouse1)}, {QStringLiteral("p9"), n->scale2},
            {QStringLiteral("p10"), n->weight2}, {QStringLiteral("p11"), code(f.crop2)},
            {QStringLiteral("p12"), code(f.warehouse2)}, {QStringLiteral("p13"), Query::notNull(f.inTime)},
            {QStringLiteral("p14"), Query::notNull(f.remark)}, {QStringLiteral("p15"), n->purity},
            {QStringLiteral("p16"), n->moisture}, {QStringLiteral("p17"), n->weight1 + n->weight2}};

    // The "M" counter row stays locked until the COMMIT or ROLLBACK, so the
    // number is issued once and only together with its pending weighing. A
    // lock conflict runs the whole transaction again: the number of the
    // failed attempt went back with it.
    WeighingOutcome o;
    bool started = false;
    bool trailerTold = false;   // the trailer message belongs to this store (shown once, after it)
    bool replyLost = false;
    QString number;
    try {
        retryLockConflicts(m_ctx.data, [&] {
            started = trailerTold = false;
            std::optional<Transaction> t;
            begin(t, m_ctx.data, NotStartedMessage);
            Counters counters(m_ctx.data);
            const Counters::Draw d = counters.readNext(Counters::M);
            require(d.ok(), NotStartedMessage, d.code);
            started = true;
            number = d.number;

            Query::Binds binds {{QStringLiteral("p0"), d.number}};
            binds << row;
            step(InStoreMessage, [&] {
                m_ctx.data.ZQ12.run(
                        QStringLiteral(
                                "INSERT INTO meres ( mBszam, mMozgas, mPot, mDatum, mRkod, mBemerleg1, mBemeres1, mTkod1, mKkod1, "
                                "mBemerleg2, mBemeres2, mTkod2, mKkod2, mBeido, mMegj, mTiszt, mViztart, mNetto1 ) VALUES ( :p0, :p1, "
                                ":p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9, :p10, :p11, :p12, :p13, :p14, :p15, :p16, :p17 )"),
                        binds);
            });
            // The number must not be used without its counter store.
            const bool counted = counters.store(Counters::M, d.number);
            require(counted, Counters::storeFailedMessage(Counters::M), counters.storeError());
            QString commitMessage = InStoreMessage;
            if (r.singleWeighing && r.trailer) {
                trailerTold = true;
            } else if (r.singleWeighing) {
                completeTare(f.plateCode.isEmpty() ? r.plateCode : f.plateCode, at.time());
                commitMessage = TareMessage;
            }
            // Every stored weight linked to its alibi log entry, in this transaction.
            require(step(commitMessage, [&] { return AlibiStore(m_ctx, r, f.alibi).recordIn(o); }), commitMessage);
            replyLost = commitOrReplyLost(*t, commitMessage);
        });
    } catch (const StepFailed& failed) {
        // The bracket has rolled back on its way out of the try block.
        if (trailerTold)
            o.show(m_ctx.prompt, TrailerTareMessage);
        if (failed.message == Counters::storeFailedMessage(Counters::M)) {
            o.show(m_ctx.prompt, failed.message);
            o.end(m_ctx.prompt, Outcome::Failed, InStoreMessage);
            return o;
        }
        o.end(m_ctx.prompt, started ? Outcome::Failed : Outcome::NotStarted, failed.message);
        return o;
    }
    if (trailerTold)
        o.show(m_ctx.prompt, TrailerTareMessage);
    if (replyLost) {
        // The COMMIT went out and its reply did not come back: the row with
        // the number drawn and these values is there only if it committed.
        switch (inStored(m_ctx.data, number, row)) {
        case LostCommit::Committed:
            o.show(m_ctx.prompt, InLostCommitDoneMessage.arg(number));
            break;
        case LostCommit::NotCommitted:
            o.end(m_ctx.prompt, Outcome::Failed, InLostCommitNotDoneMessage);
            return o;
        case LostCommit::Unknown:
            o.end(m_ctx.prompt, Outcome::Failed, InLostCommitUnknownMessage);
            return o;
        }
    }
    o.weighingNumber = number;
    return o;
}

void WeighingStore::completeTare(const QString& plateCode, const QTime& now)
{
    Query& plate = m_ctx.data.ZQ33;
    step(TareMessage, [&] {
        plate.openSql(QStringLiteral("SELECT * FROM rendszam WHERE rKod = :p0"), {{QStringLiteral("p0"), plateCode}});
    });
    require(!plate.isEmpty(), TareMessage);
    const double tare = plate.value(QStringLiteral("rTara")).toDouble();
    // A vehicle that came in empty has its tare on the IN side, one that
    // came in loaded on the OUT side. Only the row just inserted.
    const QString sql = m_request.delivery()
            ? QStringLiteral("UPDATE meres SET mKiido = :p1, mKimeres1 = :p2, mKimeres2 = 0, mKimerleg1 = 0, "
                             "mKimerleg2 = 0, mNetto2 = :p2, mEgymeres = \"I\" WHERE IDm = LAST_INSERT_ID()")
            : QStringLiteral("UPDATE meres SET mBeido = :p1, mBemeres1 = :p2, mBemeres2 = 0, mBemerleg1 = 0, "
                             "mBemerleg2 = 0, mNetto1 = :p2, mEgymeres = \"I\" WHERE IDm = LAST_INSERT_ID()");
    const int updated = step(TareMessage, [&] {
        return m_ctx.data.ZQ12.run(sql, {{QStringLiteral("p1"), TextConv::time(now)}, {QStringLiteral("p2"), tare}});
    });
    require(updated == 1, TareMessage);
}

WeighingOutcome WeighingStore::storeOut(const WeighingFields& f, const QDateTime& atGiven)
{
    const QDateTime at = atGiven.isValid() ? atGiven : QDateTime::currentDateTime();
    const WeighingRequest& r = m_request;
    const auto n = readNumbers(f, true);
    if (!n)
        return end(Outcome::Failed, OutStoreMessage);

    QString sql = QStringLiteral("UPDATE meres SET mKiido = :p1, mKimeres1 = :p2, mKimeres2 = :p3, mKimerleg1 = :p4, "
                                 "mKimerleg2 = :p5, mNetto2 = :p6, mTiszt = :p11, mViztart = :p12");
    Query::Binds binds {{QStringLiteral("p0"), r.weighingId}, {QStringLiteral("p1"), TextConv::time(at.time())},
            {QStringLiteral("p2"), n->weight1}, {QStringLiteral("p3"), n->weight2}, {QStringLiteral("p4"), n->scale1},
            {QStringLiteral("p5"), n->scale2}, {QStringLiteral("p6"), n->weight1 + n->weight2},
            {QStringLiteral("p11"), n->purity}, {QStringLiteral("p12"), n->moisture}};
    if (!r.delivery()) {
        sql += QStringLiteral(", mTkod1 = :p7, mTkod2 = :p8, mKkod1 = :p9, mKkod2 = :p10");
        binds << qMakePair(QStringLiteral("p7"), QVariant(code(f.crop1)))
              << qMakePair(QStringLiteral("p8"), QVariant(code(f.crop2)))
              << qMakePair(QStringLiteral("p9"), QVariant(code(f.warehouse1)))
              << qMakePair(QStringLiteral("p10"), QVariant(code(f.warehouse2)));
    }
    sql += QStringLiteral(" WHERE IDm = :p0");

    // The weighing being weighed out is locked until the COMMIT: another
    // workstation may have finalised or deleted it since the list was read,
    // and none can while its exit weights are written.
    Query& q = m_ctx.data.ZQ12;
    QString number;
    bool gone = false;
    bool replyLost = false;
    WeighingOutcome o;
    try {
        retryLockConflicts(m_ctx.data, [&] {
            gone = false;
            o = WeighingOutcome();
            std::optional<Transaction> t;
            begin(t, m_ctx.data, OutStoreMessage);
            step(OutStoreMessage, [&] {
                q.openSql(QStringLiteral("SELECT mBszam FROM meres WHERE IDm = :p0 FOR UPDATE"),
                        {{QStringLiteral("p0"), r.weighingId}});
            });
            gone = q.isEmpty();
            if (gone)
                return;   // nothing to write: the bracket rolls back
            number = q.text(QStringLiteral("mBszam"));
            step(OutStoreMessage, [&] { q.run(sql, binds); });
            // The exit weights and their alibi log links together.
            require(step(OutStoreMessage, [&] { return AlibiStore(m_ctx, r, f.alibi).recordOut(o); }), OutStoreMessage);
            replyLost = commitOrReplyLost(*t, OutStoreMessage);
        });
    } catch (const StepFailed& failed) {
        o.end(m_ctx.prompt, Outcome::Failed, failed.message);
        return o;
    }
    if (gone)
        return end(Outcome::Failed, GoneMessage);
    if (replyLost) {
        switch (outStored(m_ctx.data, r.weighingId, binds)) {
        case LostCommit::Committed:
            o.show(m_ctx.prompt, OutLostCommitDoneMessage);
            break;
        case LostCommit::NotCommitted:
            o.end(m_ctx.prompt, Outcome::Failed, OutLostCommitNotDoneMessage);
            return o;
        case LostCommit::Unknown:
            o.end(m_ctx.prompt, Outcome::Failed, OutLostCommitUnknownMessage);
            return o;
        }
    }
    o.weighingNumber = number;
    return o;
}

WeighingOutcome WeighingStore::end(Outcome::Result result, const QString& message, const QString& focus)
{
    WeighingOutcome o;
    o.end(m_ctx.prompt, result, message, focus);
    return o;
}
