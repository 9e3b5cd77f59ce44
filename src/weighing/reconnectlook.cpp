#include "reconnectlook.h"

#include "data/datamodule.h"
#include "data/dberror.h"

#include <QStringList>
#include <algorithm>

namespace ReconnectLook {

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

}   // namespace ReconnectLook
