#pragma once
// Tickets made as the scale house makes them (IN store, OUT store,
// finalisation, with their alibi log links), for the void and reissue tests.
#include "weighingfixture.h"

#include "alibi/alibilog.h"
#include "data/transaction.h"
#include "weighing/finalisation.h"
#include "weighing/ticketreissue.h"
#include "weighing/weighingstore.h"

#include <QSqlQuery>
#include <QThread>
#include <atomic>
#include <functional>

namespace VoidFixture {

using namespace WeighingFixture;

const QDate Today(2024, 3, 6);

// A ticket through the real weighing: a delivery ("B": in 20000 / 15000 on
// the trailer, out 8000 / 6000, crops 1 and 2, warehouses 1 and 2, purity
// 98, moisture 16) or a dispatch ("K": in 8000, out 21000, crop 1,
// warehouse 1). Returns the ticket number.
inline QString weighTicket(TestApp& app, const QString& movement, bool trailer, const QString& plate = "1")
{
    const QDateTime at(QDate(2024, 3, 5), QTime(7, 10));
    const bool delivery = movement == QLatin1String("B");
    WeighingFields in;
    in.inTime = QStringLiteral("07:10:00");
    in.plateCode = plate;
    in.purity = QStringLiteral("98");
    in.moisture = QStringLiteral("16");
    if (delivery) {
        in.weight1 = in.scale1 = QStringLiteral("20000");
        in.crop1 = in.warehouse1 = QStringLiteral("1");
        if (trailer) {
            in.weight2 = in.scale2 = QStringLiteral("15000");
            in.crop2 = in.warehouse2 = QStringLiteral("2");
        }
    } else {
        in.weight1 = in.scale1 = QStringLiteral("8000");
    }
    const WeighingOutcome stored = WeighingStore(app.ctx, requestIn(movement, trailer, false, plate)).ok(in, at);
    if (!stored.done())
        return QString();
    const qint64 idm
            = app.db.scalar(QStringLiteral("SELECT IDm FROM meres WHERE mBszam = '%1'").arg(stored.weighingNumber))
                      .toLongLong();
    app.db.exec(QStringLiteral("UPDATE meres SET mOkod = '1' WHERE IDm = %1").arg(idm));
    WeighingFields out;
    out.purity = QStringLiteral("98");
    out.moisture = QStringLiteral("16");
    if (delivery) {
        out.weight1 = out.scale1 = QStringLiteral("8000");
        if (trailer)
            out.weight2 = out.scale2 = QStringLiteral("6000");
    } else {
        out.weight1 = out.scale1 = QStringLiteral("21000");
        out.crop1 = out.warehouse1 = QStringLiteral("1");
    }
    if (!WeighingStore(app.ctx, requestOut(idm, movement, trailer)).ok(out, at.addSecs(1800)).done())
        return QString();
    Finalisation::Input f;
    f.weighingId = idm;
    f.weighingNumber = stored.weighingNumber;
    f.netText = QStringLiteral("1");
    f.today = QDate(2024, 3, 5);
    return Finalisation(app.ctx).store(f).ticketNumber;
}

// The reissue fields as the dialog starts them, with a reason.
inline ReissueFields unchanged(const ReissueSource& s, const QString& reason = QStringLiteral("rossz termelő"))
{
    ReissueFields f = s.fields;
    f.reason = reason;
    return f;
}

// The links of a ticket as "direction+measurement:nr", in measurement order.
inline QString links(TestApp& app, const QString& ticket)
{
    AlibiLog log(app.data);
    QStringList out;
    for (const AlibiLog::Link& l : log.linksOfTicket(ticket))
        out << QStringLiteral("%1%2:%3").arg(AlibiLog::directionCode(l.direction)).arg(l.slot).arg(l.number);
    return out.join(QLatin1Char(' '));
}

// Everything a void or reissue may write, in a stable text.
inline QString snapshot(const TestApp& app)
{
    QStringList out;
    QSqlQuery q(app.db.admin());
    for (const QString& sql :
            {QStringLiteral("SELECT CONCAT_WS('|', IDj, jBszam, jMbszam, jTkod, jKkod, jOkod, jNettoBe, "
                            "jNettoKI, jTiszt, jViztart, jMegj) FROM vello ORDER BY IDj"),
                    QStringLiteral("SELECT CONCAT_WS('|', zBszam, zOk, COALESCE(zHelyette, '-')) FROM sztorno"),
                    QStringLiteral("SELECT CONCAT_WS('|', sKod, sBszam) FROM sorszam ORDER BY sKod"),
                    QStringLiteral("SELECT COUNT(*) FROM `%1`.kapcsolat").arg(AlibiLog::databaseFor(app.db.name()))}) {
        q.exec(sql);
        while (q.next())
            out << q.value(0).toString();
        out << QStringLiteral("--");
    }
    return out.join(QLatin1Char('\n'));
}

// The second workstation: its own data module on the same database, on a
// thread of its own, so that it can wait for a lock the first one holds.
class Other {
public:
    using Operation = std::function<void(AppContext&)>;
    explicit Other(const TestDb& db) : m_settings(db.settings()), m_db(db) { }
    ~Other() { join(); }

    // Starts `op` and returns when it is through or waits for a lock (the
    // server's own view, no timing).
    void runUntilThroughOrWaiting(Operation op)
    {
        m_thread = QThread::create([this, op] {
            DataModule data(m_settings);
            data.open();
            {
                QSqlQuery q(data.database());
                if (q.exec(QStringLiteral("SELECT CONNECTION_ID()")) && q.next())
                    m_connection = q.value(0).toLongLong();
            }
            ScriptedPrompt prompt;
            prompt.setLenient(true, true);
            AppContext ctx(data, prompt);
            op(ctx);
            m_messages = prompt.shownTexts();
            m_done = true;
        });
        m_thread->start();
        for (qint64 i = 0; !m_done; ++i) {
            QVERIFY2(i < 100000000, "the second workstation neither finished nor waited for a lock");
            if (m_connection > 0 && waitingForLock(m_connection)) {
                m_waited = true;
                return;
            }
            QThread::yieldCurrentThread();
        }
    }
    bool waitingForLock(qint64 id) const
    {
        QSqlQuery q(m_db.admin());
        if (!q.exec(QStringLiteral("SHOW ENGINE INNODB STATUS")) || !q.next())
            return false;
        const QString thread = QStringLiteral(" thread id %1,").arg(id);
        for (const QString& trx : q.value(2).toString().split(QStringLiteral("---TRANSACTION")))
            if (trx.contains(thread) && trx.contains(QLatin1String("LOCK WAIT")))
                return true;
        return false;
    }
    void join()
    {
        if (m_thread) {
            m_thread->wait();
            delete m_thread;
            m_thread = nullptr;
        }
    }
    bool waited() const { return m_waited; }
    QStringList messages() const { return m_messages; }

private:
    ConnectionSettings m_settings;
    const TestDb& m_db;
    QThread* m_thread = nullptr;
    std::atomic<qint64> m_connection {0};
    std::atomic<bool> m_done {false};
    bool m_waited = false;
    QStringList m_messages;
};

}   // namespace VoidFixture
