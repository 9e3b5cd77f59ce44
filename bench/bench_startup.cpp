// Start-up (connection and the ten table data sets) on an empty database
// against the same on a decade of tickets and archive: the figure should stay
// flat, because opening a table data set reads no rows.
#include "benchclock.h"
#include "data/datamodule.h"
#include "generator.h"
#include "testdb.h"

#include <QCoreApplication>
#include <QElapsedTimer>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestDb empty;
    TestDb full;
    QElapsedTimer gen;
    gen.start();
    Generator::decade(full);
    QTextStream(stdout) << "generated " << full.count("vello") << " ticket rows and " << full.count("archiv")
                        << " archive rows in " << gen.elapsed() / 1000.0 << " s\n";

    auto openOn = [](TestDb& db) {
        return medianMs(21, [&] {
            DataModule dm(db.settings());
            dm.open();
        });
    };
    const double base = openOn(empty);
    const double decade = openOn(full);
    report(QStringLiteral("start-up on a decade of data"), decade, QStringLiteral("start-up on an empty database"),
            base);
    return 0;
}
