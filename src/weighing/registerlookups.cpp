#include "weighingstore.h"

#include "context/appcontext.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"

// The register rows the weighing window and the checks of OK look up by code.

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

QString WeighingStore::vehicleHeader()
{
    // Leaving: the pending weighing's plate and its producer, once picked;
    // coming in: the plate chosen in the vehicle kind dialog.
    Query& q = m_ctx.data.ZQ33;
    try {
        if (m_request.in())
            q.openSql(QStringLiteral("SELECT rRendszam, rNev, '' AS oNev FROM rendszam WHERE rKod = :p0"),
                    {{QStringLiteral("p0"), Query::notNull(m_request.plateCode)}});
        else
            q.openSql(
                    QStringLiteral("SELECT rRendszam, rNev, oNev FROM meres JOIN rendszam ON rendszam.rKod = "
                                   "meres.mRkod LEFT JOIN termelo ON termelo.oKod = meres.mOkod WHERE meres.IDm = :p0"),
                    {{QStringLiteral("p0"), m_request.weighingId}});
        if (q.isEmpty())
            return QStringLiteral("Rendszám: %1").arg(m_request.in() ? m_request.plateCode : QString());
        QString header = QStringLiteral("Rendszám: %1").arg(q.text(QStringLiteral("rRendszam")));
        const QString driver = q.text(QStringLiteral("rNev")).trimmed();
        if (!driver.isEmpty())
            header += QStringLiteral("   (%1)").arg(driver);
        const QString producer = q.text(QStringLiteral("oNev")).trimmed();
        if (!producer.isEmpty())
            header += QStringLiteral("   Termelő: %1").arg(producer);
        return header;
    } catch (const DbError&) {
        return QStringLiteral("Rendszám: %1").arg(m_request.plateCode);
    }
}
