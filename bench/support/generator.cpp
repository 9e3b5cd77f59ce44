#include "generator.h"

#include "testdb.h"

namespace Generator {

void registers(TestDb& db, const Size& s)
{
    db.exec(QStringLiteral(
            "INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rCeg, rOkod) "
            "SELECT seq, CONCAT(CHAR(65 + seq % 26), CHAR(65 + (seq DIV 26) % 26), CHAR(65 + (seq DIV 676) % 26), "
            "'-', LPAD(seq % 1000, 3, '0')), 6000 + (seq % 50) * 200, CONCAT('Fuvarozó ', seq), "
            "CONCAT('Cég ', seq % 40), 1 + seq % %2 FROM seq_1_to_%1")
                    .arg(s.plates)
                    .arg(s.producers));
    db.exec(QStringLiteral(
            "INSERT INTO termelo (oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam) "
            "SELECT seq, CONCAT('Termelő ', LPAD(seq, 5, '0')), 6000 + seq % 900, CONCAT('Település ', seq % 60), "
            "CONCAT('Fő utca ', seq), LPAD(seq, 11, '1') FROM seq_1_to_%1")
                    .arg(s.producers));
    db.exec(QStringLiteral(
            "INSERT INTO termeny (tKod, tMegnev, tSztiszt, tSzviztart) "
            "SELECT seq, ELT(seq, 'Búza', 'Kukorica', 'Napraforgó', 'Árpa', 'Repce', 'Zab', 'Rozs', 'Szója'), "
            "96 + seq % 3, 13 + seq % 3 FROM seq_1_to_%1")
                    .arg(s.crops));
    db.exec(QStringLiteral("INSERT INTO raktar (kKod, kNev) SELECT seq, CONCAT('Raktár ', seq) FROM seq_1_to_%1")
                    .arg(s.warehouses));
}

void tickets(TestDb& db, const Size& s)
{
    const qint64 count = qint64(s.years) * 365 * s.ticketsPerDay;
    // Row 2n-1 is measurement 1 of ticket n, row 2n its measurement 2 (no
    // trailer: zero weights, empty crop code). Every seventh ticket goes out.
    db.exec(QStringLiteral(
            "INSERT INTO vello (jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, jRogDatum, "
            "jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, jRkod, jKkod, jOkod, jTiszt, jViztart) "
            "SELECT t, t, IF(t % 7 = 0, 'K', 'B'), '', '', d, '08:00:00', '08:20:00', d, d, "
            "IF(m = 1, IF(t % 7 = 0, 8000, 22000 + t % 5000), 0), IF(m = 1, IF(t % 7 = 0, 21000 + t % 4000, 8000), 0), "
            "IF(m = 1 AND t % 7 <> 0, 13500 + t % 5000, 0), IF(m = 1 AND t % 7 = 0, 13000 + t % 4000, 0), "
            "IF(m = 1, 22000, 0), IF(m = 1, 8000, 0), IF(m = 1, 1 + t % %2, ''), 1 + t % %3, 1 + t % %4, 1 + t % %5, "
            "IF(m = 1, 97, 0), IF(m = 1, 14.5, 0) "
            "FROM (SELECT (seq + 1) DIV 2 AS t, 2 - seq % 2 AS m, "
            "DATE_ADD('2016-01-01', INTERVAL ((seq + 1) DIV 2) DIV %6 DAY) AS d FROM seq_1_to_%1) g")
                    .arg(count * 2)
                    .arg(s.crops)
                    .arg(s.plates)
                    .arg(s.warehouses)
                    .arg(s.producers)
                    .arg(s.ticketsPerDay));
    db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '%1' WHERE sKod = 'J'").arg(count));
    db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '%1' WHERE sKod = 'M'").arg(count));
}

void archive(TestDb& db, const Size& s)
{
    const qint64 rows = qint64(s.years) * 365 * s.ticketsPerDay;
    db.exec(QStringLiteral(
            "INSERT INTO archiv (jBszam, jMbszam, jMozgas, jDatum, jBemeres, jKimeres, jNettoBe, jNettoKI, jTkod, "
            "tMegnev, jRkod, rRendszam, jKkod, kNev, jOkod, oNev) "
            "SELECT seq, seq, 'B', DATE_ADD('2006-01-01', INTERVAL seq DIV %2 DAY), 22000, 8000, 14000, 0, "
            "1 + seq % 4, 'Búza', 1, 'ABC-123', 1, 'Raktár 1', 1, 'Termelő' FROM seq_1_to_%1")
                    .arg(rows)
                    .arg(s.ticketsPerDay));
}

}   // namespace Generator
