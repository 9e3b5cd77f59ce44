#include "archiving.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"

#include <optional>

namespace {

const QString kMarker = QStringLiteral("A");

// The columns of vello (and munka) in table order.
const char* const kCollect
        = "INSERT INTO munka ( IDj, jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, "
          "jRogDatum, jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, jRkod, jKkod, jOkod, jAkod, "
          "jMegj, jTiszt, jViztart, jPrn, jTorolt ) "
          "SELECT IDj, jBszam, jMbszam, jMozgas, jPot, jEgymeres, :p2, jBeido, jKiido, :p2, "
          ":p2, jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, jRkod, jKkod, jOkod, jAkod, "
          "jMegj, jTiszt, jViztart, jPrn, :p1 "
          "FROM vello WHERE ( jDatum <= :p2 ) AND ( jMozgas = \"B\" OR jMozgas = \"K\" ) "
          "AND NOT EXISTS (SELECT 1 FROM sztorno WHERE sztorno.zBszam = vello.jBszam)";

// A voided ticket is never folded into a summary row and never archived: its
// rows stay in vello, listed and marked, with its void record beside them.
// The collection reads without locks, so a void committed after it is found
// here, once the run holds the rows it deletes: the run then stops.
const char* const kVoidedMeanwhile
        = "SELECT COUNT(*), MIN(munka.jBszam) FROM munka JOIN sztorno ON sztorno.zBszam = munka.jBszam";

const char* const kSummaries
        = "INSERT INTO vello ( jTkod, jKkod, jNettoBe, jNettoKi, jDatum, jModDatum, jRogDatum, jTorolt) "
          "SELECT jTkod, jKkod, COALESCE(SUM(jNettoBe), 0) AS be, COALESCE(SUM(jNettoKi), 0) AS ki, "
          "MIN(jDatum), MIN(jModDatum), MIN(jRogDatum), MIN(jTorolt) "
          "FROM munka GROUP BY jTkod, jKkod ORDER BY jTkod, jKkod";

// A collected row whose register row is missing goes into the archive with
// empty names (its numbers from the registers as 0). Every collected row
// that carries a crop code or a weight is archived, whatever its crop code
// (a trailer pass with an empty or NULL crop can still carry weights): the
// run deletes all collected rows, so a row left out here would be lost. Only
// the empty second row of a ticket without trailer (no crop, every weight 0)
// stays out; its ticket's first row is in the archive.
const char* const kArchive
        = "INSERT INTO archiv ( jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, jRogDatum, "
          "jBemeres, jKimeres, jNettobe, jNettoKi, jBemerleg, jKimerleg, jTkod, tMegnev, tMegjegy, tSztiszt, tSzviztart, "
          "jRkod, rRendszam, rTara, jKkod, kNev, jOkod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, jAkod, jMegj, "
          "jTiszt, jViztart ) "
          "SELECT jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, jRogDatum, "
          "jBemeres, jKimeres, jNettobe, jNettoKi, jBemerleg, jKimerleg, jTkod, tMegnev, tMegjegy, "
          "COALESCE(tSztiszt, 0), COALESCE(tSzviztart, 0), "
          "jRkod, rRendszam, COALESCE(rTara, 0), jKkod, kNev, jOkod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, "
          "jAkod, jMegj, jTiszt, jViztart "
          "FROM munka LEFT JOIN termeny ON termeny.tKod = jTkod LEFT JOIN termelo ON termelo.oKod = jOkod "
          "LEFT JOIN raktar ON raktar.kKod = jKkod LEFT JOIN rendszam ON rendszam.rKod = jRkod "
          "WHERE COALESCE(jTkod, \"\") <> \"\" OR COALESCE(jBemeres, 0) <> 0 OR COALESCE(jKimeres, 0) <> 0 "
          "OR COALESCE(jNettoBe, 0) <> 0 OR COALESCE(jNettoKi, 0) <> 0 OR COALESCE(jBemerleg, 0) <> 0 "
          "OR COALESCE(jKimerleg, 0) <> 0 ORDER BY munka.IDj";

}   // namespace

qint64 Archiving::ticketsUpTo(const QDate& cutOff)
{
    if (!cutOff.isValid())
        return -1;
    try {
        Query& q = m_ctx.data.ZQ91;
        q.openSql(QStringLiteral("SELECT COUNT(DISTINCT jBszam) FROM vello WHERE ( jDatum <= :p2 ) "
                                 "AND ( jMozgas = \"B\" OR jMozgas = \"K\" ) "
                                 "AND NOT EXISTS (SELECT 1 FROM sztorno WHERE sztorno.zBszam = vello.jBszam)"),
                {{QStringLiteral("p2"), cutOff}});
        const qint64 n = q.isEmpty() ? -1 : q.value(0).toLongLong();
        q.close();
        return n;
    } catch (const DbError&) {
        return -1;
    }
}

QString Archiving::confirmQuestion(const QDate& cutOff, qint64 tickets)
{
    return QStringLiteral("A(z) %1. napig bezárólag %2 mérlegjegy archiválódik. Folytatja?")
            .arg(cutOff.toString(QStringLiteral("yyyy.MM.dd")))
            .arg(tickets);
}

QString Archiving::nothingChangedLine()
{
    return QStringLiteral(" Az archiválás nem történt meg, az adatok nem változtak.");
}

void Archiving::log(const QString& line)
{
    if (m_log)
        m_log(line);
}

QString Archiving::lostCommitDoneMessage()
{
    return QStringLiteral("Az archiválás befejeződött. A lezárás (COMMIT) után megszakadt a kapcsolat az "
                          "adatbázissal, de az újracsatlakozás utáni ellenőrzés szerint az archiválás megtörtént.");
}

QString Archiving::lostCommitNotDoneMessage()
{
    return QStringLiteral("Hiba: Megszakadt a kapcsolat az adatbázissal az archiválás lezárásakor (COMMIT). "
                          "Az újracsatlakozás utáni ellenőrzés szerint semmi sem archiválódott, az adatok nem "
                          "változtak. Az archiválás újra indítható.");
}

QString Archiving::lostCommitUnknownMessage()
{
    return QStringLiteral("Hiba: Megszakadt a kapcsolat az adatbázissal az archiválás lezárásakor (COMMIT), és nem "
                          "állapítható meg, hogy az archiválás megtörtént-e. Ha a kapcsolat helyreállt, indítsa "
                          "újra az archiválást ugyanerre a dátumra: a már archivált mérlegjegyeket nem archiválja "
                          "még egyszer.");
}

void Archiving::clearFigures()
{
    m_collected = m_summaries = m_archived = m_deleted = 0;
    m_firstNumber.clear();
    m_lastNumber.clear();
    m_summaryRows.clear();
    m_firstArchiveId = 0;
}

bool Archiving::run(const QDate& cutOff)
{
    if (!cutOff.isValid())
        return false;   // the window refuses such a date before it gets here
    clearFigures();
    log(QStringLiteral(" Kérem várjon ..."));
    log(QStringLiteral(" "));

    std::optional<Transaction> t;
    bool replyLost = false;   // the COMMIT went out, its reply did not come back
    QString lostDetail;
    try {
        // The run reads the ticket table under READ COMMITTED: the collection
        // reads without locks and the rows are deleted by their IDj, so the
        // run locks only the rows it archives (and its summary rows), never
        // the gaps of the ticket table; a finalisation at another workstation
        // goes through while the run goes on. Ticket rows are never changed
        // once written, so what was collected is what gets deleted. The
        // setting holds for the next transaction only.
        step(QStringLiteral("Hiba a vello insert munka -ban!"), [&] {
            m_ctx.data.ZQ91.run(QStringLiteral("SET TRANSACTION ISOLATION LEVEL READ COMMITTED"));
            t.emplace(m_ctx.data);
        });
        steps(cutOff);
        step(QStringLiteral("Hiba: Az archiválás lezárása (COMMIT) nem sikerült "), [&] {
            try {
                t->commit();
            } catch (const DbError& e) {
                // A refused COMMIT has not committed; a lost connection
                // leaves it open whether the server committed or not.
                if (!e.connectionLost())
                    throw;
                replyLost = true;
                lostDetail = e.text();
            }
        });
    } catch (const StepFailed& f) {
        QString rollbackError;
        if (t && t->active() && !t->rollback())
            rollbackError = t->rollbackError();
        else if (t && !t->rollbackError().isEmpty())
            rollbackError = t->rollbackError();
        if (!f.message.isEmpty())
            m_ctx.prompt.message(f.message);
        log(QStringLiteral(" ") + (f.message.isEmpty() ? QStringLiteral("Hiba.") : f.message.trimmed())
                + (f.detail.isEmpty() ? QString() : QStringLiteral(" (") + f.detail + QLatin1Char(')')));
        if (!rollbackError.isEmpty())
            log(QStringLiteral(" ROLLBACK: ") + rollbackError);
        log(nothingChangedLine());
        clearFigures();
        return false;
    }
    if (replyLost && !afterLostCommit(cutOff, lostDetail))
        return false;

    log(QStringLiteral("  "));
    log(QStringLiteral(" Az arhiválás vége."));
    log(QStringLiteral("  "));
    log(QStringLiteral(" ---------- Vége. -----------"));
    return true;
}

// The COMMIT went out and the connection dropped: the server may have
// committed the run before it went. The next statements reconnect (the
// bracket is over: its ROLLBACK after the failed COMMIT went over a new
// connection) and look; the operator is told what the data show.
bool Archiving::afterLostCommit(const QDate& cutOff, const QString& detail)
{
    log(QStringLiteral(" A lezárás (COMMIT) válasza nem érkezett meg, megszakadt a kapcsolat az adatbázissal")
            + (detail.isEmpty() ? QString() : QStringLiteral(" (") + detail + QLatin1Char(')'))
            + QStringLiteral(". Ellenőrzés újracsatlakozás után ..."));
    // The operator is told once, by the report every write shares; the log
    // says the same in its own words.
    Outcome told;
    const LostCommit found = committedOrNot(cutOff);
    if (found == LostCommit::Committed)
        log(QStringLiteral(" Az archiválás megtörtént, az adatok lezárva."));
    const bool stands = reportLostCommit(told, m_ctx.prompt, found,
            {lostCommitDoneMessage(), lostCommitNotDoneMessage(), lostCommitUnknownMessage()});
    if (found == LostCommit::Unknown)
        log(QStringLiteral(" Nem állapítható meg, hogy az archiválás megtörtént-e; újra indítható."));
    else if (!stands)
        log(nothingChangedLine());
    if (!stands)
        clearFigures();
    return stands;
}

LostCommit Archiving::committedOrNot(const QDate& cutOff)
{
    Query& q = m_ctx.data.ZQ91;
    try {
        if (m_summaryRows.isEmpty()) {
            // Nothing was collected: the run only emptied the work table.
            // Emptied, the data are as a finished run leaves them.
            q.openSql(QStringLiteral("SELECT COUNT(*) FROM munka"));
            const qint64 left = q.value(0).toLongLong();
            q.close();
            return left == 0 ? LostCommit::Committed : LostCommit::NotCommitted;
        }

        // The summary rows of this run, by the row identifiers they got (an
        // identifier is never handed out twice, even when its insert was
        // rolled back) and the "K" numbers they were given.
        qint64 low = m_summaryRows.first().first, high = low;
        for (const auto& r : m_summaryRows) {
            low = qMin(low, r.first);
            high = qMax(high, r.first);
        }
        q.openSql(QStringLiteral("SELECT IDj, jBszam FROM vello WHERE IDj BETWEEN :p1 AND :p2 AND jMozgas IS NULL "
                                 "AND jDatum = :p3"),
                {{QStringLiteral("p1"), low}, {QStringLiteral("p2"), high}, {QStringLiteral("p3"), cutOff}});
        qint64 summaries = 0;
        for (bool row = q.first(); row; row = q.next()) {
            if (m_summaryRows.contains(qMakePair(q.value(0).toLongLong(), q.value(1).toString())))
                ++summaries;
        }

        // Its archive rows, by their identifiers; counter "K" at or past the
        // last number it gave; the work table holding its collected rows
        // with the cut-off and the marker, none of them left in the ticket table.
        q.openSql(QStringLiteral("SELECT (SELECT COUNT(*) FROM archiv WHERE IDj BETWEEN :p1 AND :p2), "
                                 "(SELECT sBszam FROM sorszam WHERE sKod = \"K\"), "
                                 "(SELECT COUNT(*) FROM munka), "
                                 "(SELECT COUNT(*) FROM munka WHERE jTorolt = :p3 AND jDatum = :p4), "
                                 "(SELECT COUNT(*) FROM munka JOIN vello ON vello.IDj = munka.IDj)"),
                {{QStringLiteral("p1"), m_firstArchiveId}, {QStringLiteral("p2"), m_firstArchiveId + m_archived - 1},
                        {QStringLiteral("p3"), kMarker}, {QStringLiteral("p4"), cutOff}});
        const qint64 archived = m_archived > 0 ? q.value(0).toLongLong() : 0;
        bool counterOk = false;
        const qint64 counter = q.value(1).toString().toLongLong(&counterOk);
        const qint64 work = q.value(2).toLongLong();
        const qint64 workOfRun = q.value(3).toLongLong();
        const qint64 ticketsLeft = q.value(4).toLongLong();
        q.close();

        if (summaries == m_summaries && archived == m_archived && counterOk && counter >= m_lastNumber.toLongLong()
                && work == m_collected && workOfRun == m_collected && ticketsLeft == 0)
            return LostCommit::Committed;
        if (summaries == 0 && archived == 0)
            return LostCommit::NotCommitted;
        return LostCommit::Unknown;
    } catch (const DbError& e) {
        log(QStringLiteral(" Az ellenőrzés nem sikerült (") + e.shownText() + QLatin1Char(')'));
        q.close();
        return LostCommit::Unknown;
    }
}

void Archiving::steps(const QDate& cutOff)
{
    DataModule& dm = m_ctx.data;

    // The work table keeps the rows of the last run until this one starts.
    step(QStringLiteral("Hiba: Az DELETE a munka -ban "), [&] { dm.ZQ91.run(QStringLiteral("DELETE FROM munka")); });

    // Collect every ticket row dated on or before the cut-off, stamped with
    // the marker and the cut-off date in its three date columns.
    m_collected = step(QStringLiteral("Hiba: Az INSERT-append a munka -ben "), [&] {
        return dm.ZQ91.run(
                QString::fromLatin1(kCollect), {{QStringLiteral("p1"), kMarker}, {QStringLiteral("p2"), cutOff}});
    });
    log(QStringLiteral("Kigyüjtés vége.  "));
    log(QStringLiteral("Dátum beírás.  "));

    // One summary row per crop and warehouse pair of the collected rows.
    m_summaries = step(QStringLiteral("Hiba: Az INSERT a vello -ben "),
            [&] { return dm.ZQ91.run(QString::fromLatin1(kSummaries)); });
    log(QStringLiteral("Összesített sorok visszaírása.  "));

    // Number the summary rows from counter "K", read with its row locked
    // until this run's COMMIT.
    if (m_summaries > 0) {
        Counters counters(dm);
        const Counters::Draw next = counters.readNext(Counters::K);
        if (!next.ok())
            throw StepFailed {QStringLiteral("Hiba: A \"K\" sorszám nem olvasható a Sorszam -ból "), next.error};
        qint64 n = next.number.toLongLong();
        step(QStringLiteral("Hiba: Az jBszam UPDATE vello -ben "), [&] {
            dm.ZQ23.openSql(QStringLiteral("SELECT IDj FROM vello WHERE jTorolt = :p1 ORDER BY IDj"),
                    {{QStringLiteral("p1"), kMarker}});
            for (bool row = dm.ZQ23.first(); row; row = dm.ZQ23.next()) {
                const QString number = QString::number(n);
                dm.ZQ22.run(QStringLiteral("UPDATE vello SET jBszam = :p1 WHERE IDj = :p0"),
                        {{QStringLiteral("p1"), number}, {QStringLiteral("p0"), dm.ZQ23.value(0)}});
                m_summaryRows.append(qMakePair(dm.ZQ23.value(0).toLongLong(), number));
                if (m_firstNumber.isEmpty())
                    m_firstNumber = number;
                m_lastNumber = number;
                ++n;
            }
            dm.ZQ23.close();
        });
        step(QStringLiteral("Hiba: Az jTorolt üritése UPDATE vello -ben "),
                [&] { dm.ZQ22.run(QStringLiteral("UPDATE vello SET jTorolt = \"\" WHERE jTorolt <> \"\"")); });
        log(QStringLiteral("Sorszámozás.  "));
        if (!counters.store(Counters::K, m_lastNumber)) {
            m_ctx.prompt.message(Counters::storeFailedMessage(Counters::K));
            throw StepFailed {QString(), QString()};   // its message is shown
        }
    } else {
        log(QStringLiteral("Sorszámozás.  "));
    }
    log(QStringLiteral("K sorszám letárolása.   "));

    // Copy the collected rows with a crop code into the archive, with the
    // names of their registers beside the codes.
    m_archived = step(QStringLiteral("Hiba: Az INSERT az archiv -ba "), [&] {
        const qint64 n = dm.ZQ91.run(QString::fromLatin1(kArchive));
        // The identifier of its first archive row, to recognise the rows
        // after a lost COMMIT reply (the rows of one INSERT ... SELECT get
        // consecutive identifiers under the server's default lock mode;
        // where they do not, the count falls short and the run says it
        // cannot tell).
        if (n > 0) {
            dm.ZQ91.openSql(QStringLiteral("SELECT LAST_INSERT_ID()"));
            m_firstArchiveId = dm.ZQ91.value(0).toLongLong();
            dm.ZQ91.close();
        }
        return n;
    });
    log(QStringLiteral("Archiválás az archiv táblába.  "));

    // Delete the collected rows from the ticket table by their row
    // identifier, never by number (a summary number may equal a ticket's).
    m_deleted = step(QStringLiteral("Hiba: Az DELETE a vello -ben "),
            [&] { return dm.ZQ22.run(QStringLiteral("DELETE vello FROM vello JOIN munka ON munka.IDj = vello.IDj")); });
    log(QStringLiteral("Tételek törlése a vello -ből.  "));

    step(QStringLiteral("Hiba: Az DELETE a vello -ben "), [&] {
        dm.ZQ91.openSql(QString::fromLatin1(kVoidedMeanwhile));
        const qint64 voided = dm.ZQ91.value(0).toLongLong();
        const QString first = dm.ZQ91.value(1).toString();
        dm.ZQ91.close();
        if (voided > 0)
            throw StepFailed {QStringLiteral("Archiválás közben egy másik munkaállomás sztornózta a(z) %1. "
                                             "mérlegjegyet. Indítsa újra az archiválást.")
                                      .arg(first),
                    QString()};
    });
}
