// The IN store with its alibi log entry beside the same store without the
// log (the baseline, measured in the same run, batches interleaved):
//   typed   the weight typed: the store appends a "kézi" entry and links it
//           inside its transaction;
//   read    the weight read with "Mérés": the entry appended at the read
//           (its own transaction), the store links it; both timed, and
//           the store alone (the reads appended before the timing).
// The chain is verified over every entry at the end (exit status 1 when
// broken).
//
//   bench_alibi_hook [stores per batch]      (default 200)
#include "alibi/alibilog.h"
#include "benchclock.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "scale/scaleread.h"
#include "testdb.h"
#include "ui/scriptedprompt.h"
#include "weighing/alibistore.h"
#include "weighing/weighingstore.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

WeighingRequest entryOfEmptyVehicle()
{
    WeighingRequest r;
    r.direction = Direction::In;
    r.movement = Movement::Dispatch;
    r.plateCode = QStringLiteral("1");
    return r;
}

WeighingFields typed(int i)
{
    WeighingFields f;
    f.weight1 = QString::number(8000 + i % 500);
    f.inTime = QStringLiteral("07:10:00");
    f.plateCode = QStringLiteral("1");
    return f;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int batch = argc > 1 ? QByteArray(argv[1]).toInt() : 200;
    QTextStream out(stdout);
    TestDb db;
    db.exec(QStringLiteral("INSERT INTO rendszam (rKod, rRendszam, rTara) VALUES ('1', 'ABC-123', 8000)"));
    DataModule data(db.settings());
    data.open();
    ScriptedPrompt prompt;
    prompt.setLenient(true);
    AppContext ctx(data, prompt);
    const WeighingRequest request = entryOfEmptyVehicle();
    bool allStored = true;

    // The scale reads of a batch, appended before the batch is timed (what
    // "Mérés" does before OK is pressed).
    std::vector<WeighingFields> readAhead;
    auto readBatch = [&] {
        alibiHookSetting(ctx).skip = false;
        readAhead.clear();
        for (int i = 0; i < batch; ++i) {
            WeighingFields f = typed(i);
            const QString digits = QStringLiteral("%1").arg(8000 + i % 500, 6, 10, QLatin1Char('0'));
            const ScaleRead::Taken taken {QStringLiteral("ST,GS,+  %1kg\r\n").arg(digits), QStringLiteral("ST,GS"),
                    QStringLiteral("/dev/ttyS0")};
            f.weight1 = f.scale1 = digits;
            f.alibi.number[0] = AlibiStore::recordRead(ctx, taken, digits).value_or(0);
            f.alibi.kg[0] = 8000 + i % 500;
            readAhead.push_back(f);
        }
    };
    auto storeReadAhead = [&] {
        for (const WeighingFields& f : readAhead)
            allStored = WeighingStore(ctx, request).ok(f).done() && allStored;
    };
    auto stores = [&](bool withLog, bool read) {
        alibiHookSetting(ctx).skip = !withLog;
        for (int i = 0; i < batch; ++i) {
            WeighingFields f = typed(i);
            if (read) {
                const QString digits = QStringLiteral("%1").arg(8000 + i % 500, 6, 10, QLatin1Char('0'));
                const ScaleRead::Taken taken {QStringLiteral("ST,GS,+  %1kg\r\n").arg(digits), QStringLiteral("ST,GS"),
                        QStringLiteral("/dev/ttyS0")};
                const std::optional<qint64> nr = AlibiStore::recordRead(ctx, taken, digits);
                f.weight1 = f.scale1 = digits;
                f.alibi.number[0] = nr.value_or(0);
                f.alibi.kg[0] = 8000 + i % 500;
            }
            allStored = WeighingStore(ctx, request).ok(f).done() && allStored;
        }
    };
    // Warm-up, then rounds of the three batches interleaved.
    stores(false, false);
    stores(true, false);
    std::vector<double> base, typedLog, readLog, linkOnly;
    for (int round = 0; round < 7; ++round) {
        base.push_back(medianMs(1, [&] { stores(false, false); }));
        typedLog.push_back(medianMs(1, [&] { stores(true, false); }));
        readLog.push_back(medianMs(1, [&] { stores(true, true); }));
        readBatch();
        linkOnly.push_back(medianMs(1, storeReadAhead));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double b = median(base) / batch;
    report(QStringLiteral("IN store with its typed weight's log entry (per store)"), median(typedLog) / batch,
            QStringLiteral("IN store without the log"), b);
    report(QStringLiteral("scale read's log entry + IN store linking it (per store)"), median(readLog) / batch,
            QStringLiteral("IN store without the log"), b);
    report(QStringLiteral("IN store linking a scale read appended at \"Mérés\" (per store)"), median(linkOnly) / batch,
            QStringLiteral("IN store without the log"), b);

    alibiHookSetting(ctx).skip = false;
    AlibiLog log(data);
    const AlibiLog::Verification v = log.verify();
    out << "chain over every entry of the run: " << (v.ok() ? "intact" : "BROKEN") << ", " << v.verified
        << " entries verified; all stores done: " << (allStored ? "yes" : "NO") << "\n";
    return v.ok() && allStored ? 0 : 1;
}
