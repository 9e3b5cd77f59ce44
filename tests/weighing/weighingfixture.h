#pragma once
// Registers and pending weighings for the weighing tests.
#include "testapp.h"

#include "context/appcontext.h"
#include "weighing/weighingstore.h"

#include <QString>

namespace WeighingFixture {

// Plates 1 (tare 8000) and 2 (tare 7950,5); producers 1 and 2; crops
// 1 "Búza" (standard 100 / 14) and 2 "Kukorica" (98 / 14); warehouses 1, 2;
// the site row.
inline void seedRegisters(TestDb& db)
{
    db.exec(QStringLiteral(
            "INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) VALUES "
            "('1', 'ABC-123', 8000, 'Kovács István', '06-30-123-4567', 'Kovács és Társa Kft.', 'Kiskunhalas', 'Kovács Péter', '1'),"
            "('2', 'XYZ-987', 7950.5, 'Nagy Béla', '', 'Nagy Fuvar Bt.', 'Kecskemét', '', '2')"));
    db.exec(QStringLiteral(
            "INSERT INTO termelo (oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, oBankszla) VALUES "
            "('1', 'Kovács István', '6400', 'Kiskunhalas', 'Fő u. 12.', '12345678211', '11700000-12345678'),"
            "('2', 'Alföldi Mag Zrt.', '6000', 'Kecskemét', 'Rákóczi út 3.', '23456789203', '10400000-23456789')"));
    db.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev, tMegjegy, tSztiszt, tSzviztart) VALUES "
                           "('1', 'Búza', 'étkezési', 100, 14), ('2', 'Kukorica', '', 98, 14)"));
    db.exec(QStringLiteral(
            "INSERT INTO raktar (kKod, kNev, kMegj) VALUES ('1', 'Síkraktár 1', ''), ('2', 'Siló 2', '')"));
    db.exec(QStringLiteral(
            "UPDATE atvevo SET aNeve = 'Alföldi Gabona Kft.', aIrszam = '6400', aHelyseg = 'Kiskunhalas', "
            "aUtca = 'Majsai út 8.', aAdoszam = '11223344-2-03' WHERE IDa = 1"));
}

// A pending weighing as the weighing window leaves it; returns its IDm.
struct Pending {
    QString number = QStringLiteral("7");
    QString movement = QStringLiteral("B");
    QString trailer;
    QString single;
    double in1 = 20000, in2 = 0, out1 = 8000, out2 = 0;
    QString crop1 = QStringLiteral("1"), crop2;
    QString warehouse1 = QStringLiteral("1"), warehouse2;
    QString producer = QStringLiteral("1");
    QString plate = QStringLiteral("1");
    double purity = 98, moisture = 16;
};

inline qint64 addPending(TestDb& db, const Pending& p)
{
    const auto q = [](const QString& s) { return QStringLiteral("'%1'").arg(s); };
    db.exec(QStringLiteral(
            "INSERT INTO meres (mBszam, mMozgas, mPot, mEgymeres, mDatum, mBeido, mKiido, mRkod, mBemerleg1, mBemeres1, "
            "mBemerleg2, mBemeres2, mKimerleg1, mKimeres1, mKimerleg2, mKimeres2, mTkod1, mTkod2, mKkod1, mKkod2, "
            "mOkod, mTiszt, mViztart, mNetto1, mNetto2) VALUES (%1, %2, %3, %4, '2024-03-05', '07:10:00', '07:40:00', "
            "%5, %6, %6, %7, %7, %8, %8, %9, %9, %10, %11, %12, %13, %14, %15, %16, %17, %18)")
                    .arg(q(p.number), q(p.movement), q(p.trailer), q(p.single), q(p.plate))
                    .arg(p.in1)
                    .arg(p.in2)
                    .arg(p.out1)
                    .arg(p.out2)
                    .arg(q(p.crop1), q(p.crop2), q(p.warehouse1), q(p.warehouse2), q(p.producer))
                    .arg(p.purity)
                    .arg(p.moisture)
                    .arg(p.in1 + p.in2)
                    .arg(p.out1 + p.out2));
    return db.scalar(QStringLiteral("SELECT MAX(IDm) FROM meres")).toLongLong();
}

inline QString counter(const TestDb& db, const QString& kind)
{
    return db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = '%1'").arg(kind)).toString();
}

// The request of an IN weighing as the vehicle kind dialog makes it
// (movement "B" or "K").
inline WeighingRequest requestIn(
        const QString& movement, bool trailer = false, bool single = false, const QString& plate = QStringLiteral("1"))
{
    WeighingRequest r;
    r.direction = Direction::In;
    r.movement = Passes::movementOrDispatch(movement);
    r.trailer = trailer;
    r.singleWeighing = single;
    r.plateCode = plate;
    return r;
}

// ... and of an OUT weighing of pending weighing `idm`.
inline WeighingRequest requestOut(qint64 idm, const QString& movement, bool trailer = false)
{
    WeighingRequest r;
    r.direction = Direction::Out;
    r.movement = Passes::movementOrDispatch(movement);
    r.trailer = trailer;
    r.weighingId = idm;
    return r;
}

// The fields of a loaded vehicle's entry with everything picked: weight and
// scale 20000, crop 1, warehouse 1, purity 98 and moisture 16 against the
// standard 100 and 14, plate 1.
inline WeighingFields loadedFields()
{
    WeighingFields f;
    f.weight1 = QStringLiteral("20000");
    f.scale1 = QStringLiteral("20000");
    f.crop1 = QStringLiteral("1");
    f.warehouse1 = QStringLiteral("1");
    f.purity = QStringLiteral("98");
    f.moisture = QStringLiteral("16");
    f.standardPurity = QStringLiteral("100");
    f.standardMoisture = QStringLiteral("14");
    f.inTime = QStringLiteral("07:10:00");
    f.plateCode = QStringLiteral("1");
    return f;
}

}   // namespace WeighingFixture
