// The archive export of a decade's archive (1,000,000 rows of every column)
// beside libxlsxwriter writing the same kinds of cells from memory in the
// same layout; and the export's peak resident memory.
//
//   bench_export [rows]      (default 1000000)
#include "benchclock.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "generator.h"
#include "periodclose/archivecolumns.h"
#include "periodclose/archiveexport.h"
#include "testdb.h"
#include "ui/scriptedprompt.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTime>

#include <sys/resource.h>
#include <vector>
#include <xlsxwriter.h>

namespace {

long peakRssKb()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The archive as archiving leaves it: every column filled from the registers.
void fillArchive(TestDb& db, qint64 rows, const Generator::Size& s)
{
    db.exec(QStringLiteral(
            "INSERT INTO archiv (jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, jRogDatum, "
            "jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, tMegnev, tMegjegy, tSztiszt, tSzviztart, "
            "jRkod, rRendszam, rTara, jKkod, kNev, jOkod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, jAkod, jMegj, "
            "jTiszt, jViztart) "
            "SELECT seq, seq, IF(seq % 7 = 0, 'K', 'B'), '', '', DATE_ADD('2016-01-01', INTERVAL seq DIV 274 DAY), "
            "'08:00:00', '08:20:00', '2026-01-01', '2026-01-01', 22000 + seq % 5000, 8000, 13500 + seq % 5000, 0, 22000, "
            "8000, t.tKod, t.tMegnev, '', t.tSztiszt, t.tSzviztart, r.rKod, r.rRendszam, r.rTara, k.kKod, k.kNev, o.oKod, "
            "o.oNev, o.oIrszam, o.oHelysegnev, o.oUtca, o.oAdoszam, '', 'szállítólevél', 97, 14.5 "
            "FROM seq_1_to_%1 JOIN termeny t ON t.IDt = 1 + seq % %2 JOIN rendszam r ON r.IDr = 1 + seq % %3 "
            "JOIN raktar k ON k.IDk = 1 + seq % %4 JOIN termelo o ON o.IDo = 1 + seq % %5")
                    .arg(rows)
                    .arg(s.crops)
                    .arg(s.plates)
                    .arg(s.warehouses)
                    .arg(s.producers));
}

// A cell held in memory, ready for the writer.
struct Cell {
    enum Kind { Blank, Number, Text, Date, Time } kind = Blank;
    double number = 0;
    QByteArray text;
    lxw_datetime dt {};
};

// libxlsxwriter alone: the same sheet layout and formats, rows taken from
// memory (a block of archive rows read beforehand, repeated).
double writeFromMemory(
        const std::vector<std::vector<Cell>>& block, const QStringList& header, qint64 rows, const QString& file)
{
    using namespace ArchiveColumns;
    QElapsedTimer t;
    t.start();
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    const QByteArray name = file.toLocal8Bit();
    lxw_workbook* wb = workbook_new_opt(name.constData(), &options);
    lxw_format* f[2][3];
    for (int a = 0; a < 2; ++a)
        for (int k = 0; k < 3; ++k) {
            f[a][k] = workbook_add_format(wb);
            format_set_align(f[a][k], a == 0 ? LXW_ALIGN_LEFT : LXW_ALIGN_RIGHT);
            if (k == 1)
                format_set_num_format(f[a][k], "yyyy.mm.dd");
            if (k == 2)
                format_set_num_format(f[a][k], "hh:mm:ss");
        }
    lxw_format* bold = workbook_add_format(wb);
    format_set_bold(bold);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "archiv");
    for (int c = 0; c < kCount; ++c) {
        worksheet_set_column(ws, c, c, kColumns[c].width, nullptr);
        worksheet_write_string(ws, 0, c, header[c].toUtf8().constData(), bold);
    }
    worksheet_write_blank(ws, 0, kCount, bold);
    worksheet_write_blank(ws, 0, kCount + 1, bold);
    for (qint64 r = 0; r < rows; ++r) {
        const auto& row = block[r % block.size()];
        for (int c = 0; c < kCount; ++c) {
            lxw_format* const* fa = f[kColumns[c].align == Align::Left ? 0 : 1];
            const Cell& x = row[c];
            switch (x.kind) {
            case Cell::Blank:
                worksheet_write_blank(ws, r + 1, c, fa[0]);
                break;
            case Cell::Number:
                worksheet_write_number(ws, r + 1, c, c == 0 ? double(r + 1) : x.number, fa[0]);
                break;
            case Cell::Text:
                worksheet_write_string(ws, r + 1, c, x.text.constData(), fa[0]);
                break;
            case Cell::Date:
                worksheet_write_datetime(ws, r + 1, c, const_cast<lxw_datetime*>(&x.dt), fa[1]);
                break;
            case Cell::Time:
                worksheet_write_number(ws, r + 1, c, x.number, fa[2]);
                break;
            }
        }
    }
    workbook_close(wb);
    return t.nsecsElapsed() / 1e6;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 1000000;
    QTextStream out(stdout);
    TestDb db;
    Generator::Size s;
    QElapsedTimer gen;
    gen.start();
    Generator::registers(db, s);
    fillArchive(db, rows, s);
    out << "generated " << db.count(QStringLiteral("archiv")) << " archive rows in " << gen.elapsed() / 1000.0
        << " s\n";
    out.flush();
    QTemporaryDir dir;

    // The export, as the window runs it.
    double exportMs = 0;
    long rssKb = 0;
    qint64 size = 0;
    {
        DataModule data(db.settings());
        data.open();
        ScriptedPrompt prompt;
        prompt.setLenient(true);
        AppContext ctx(data, prompt);
        ArchiveExport e(ctx);
        qint64 progressed = 0;
        e.setProgress([&](qint64 done, qint64) { progressed = done; });
        QElapsedTimer t;
        t.start();
        const bool saved = e.run(dir.path());
        exportMs = t.nsecsElapsed() / 1e6;
        rssKb = peakRssKb();
        size = QFileInfo(e.path()).size();
        out << "export " << (saved ? "saved" : "NOT saved") << " " << progressed << " rows, " << size / 1048576.0
            << " MB\n";
    }

    // The baseline: a block of archive rows in memory, written to the same count.
    std::vector<std::vector<Cell>> block;
    QStringList header;
    {
        QSqlQuery q(db.admin());
        q.exec(QStringLiteral("SELECT * FROM archiv ORDER BY IDj LIMIT 4096"));
        for (int c = 0; c < ArchiveColumns::kCount; ++c)
            header << q.record().fieldName(c);
        while (q.next()) {
            std::vector<Cell> row(ArchiveColumns::kCount);
            for (int c = 0; c < ArchiveColumns::kCount; ++c) {
                const QVariant v = q.value(c);
                Cell& x = row[c];
                if (v.isNull()) {
                    x.kind = Cell::Blank;
                } else if (ArchiveColumns::isTime(c)) {
                    x.kind = Cell::Time;
                    x.number
                            = QTime(0, 0).secsTo(QTime::fromString(v.toString(), QStringLiteral("hh:mm:ss"))) / 86400.0;
                } else if (v.metaType().id() == QMetaType::QDate) {
                    const QDate d = v.toDate();
                    x.kind = Cell::Date;
                    x.dt = {d.year(), d.month(), d.day(), 0, 0, 0};
                } else if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::LongLong) {
                    x.kind = Cell::Number;
                    x.number = v.toDouble();
                } else {
                    x.text = v.toString().toUtf8();
                    x.kind = x.text.isEmpty() ? Cell::Blank : Cell::Text;
                }
            }
            block.push_back(std::move(row));
        }
    }
    const double baseMs = writeFromMemory(block, header, rows, dir.filePath(QStringLiteral("memory.xlsx")));
    out << "from memory: " << QFileInfo(dir.filePath(QStringLiteral("memory.xlsx"))).size() / 1048576.0 << " MB\n";

    report(QStringLiteral("export of %1 archive rows").arg(rows), exportMs,
            QStringLiteral("libxlsxwriter writing the same cells from memory"), baseMs);
    out << "peak resident memory of the export: " << rssKb / 1024.0 << " MB\n";
    out << "goals: <= 1.3 against the writer alone: " << (exportMs <= 1.3 * baseMs ? "met" : "NOT met")
        << "; <= 150 MB: " << (rssKb <= 150 * 1024 ? "met" : "NOT met") << "\n";
    return 0;
}
