#include "templatereader.h"

#include <QHash>
#include <QXmlStreamReader>
#include <cmath>

namespace {

struct Failure {
    QString text;
};

class Reader {
public:
    explicit Reader(const QByteArray& xml) : m_xml(xml) { }

    ReportTemplate run()
    {
        ReportTemplate t;
        if (!nextElement())
            fail(QStringLiteral("no root element"));
        if (m_xml.name() != QLatin1String("frf"))
            fail(QStringLiteral("the root element is <%1>, not <frf>").arg(m_xml.name().toString()));
        const auto attrs = m_xml.attributes();
        checkAttributes(attrs, {"version", "title"});
        bool ok = false;
        const int version = attrs.value(QLatin1String("version")).toInt(&ok);
        if (!ok || version < 1)
            fail(QStringLiteral("missing or invalid version"));
        if (version > ReportTemplate::FormatVersion)
            fail(QStringLiteral("format version %1 is newer than %2").arg(version).arg(ReportTemplate::FormatVersion));
        t.version = version;
        t.title = text(attrs, "title", 200);
        while (nextChild(1)) {
            const auto n = m_xml.name();
            if (n == QLatin1String("part"))
                readPart();
            else if (n == QLatin1String("page"))
                t.pages.append(readPage());
            else
                fail(QStringLiteral("unknown element <%1>").arg(n.toString()));
        }
        if (t.pages.isEmpty())
            fail(QStringLiteral("the template has no page"));
        if (t.pages.size() > TemplateReader::MaxPages)
            fail(QStringLiteral("more than %1 pages").arg(TemplateReader::MaxPages));
        // Nothing may follow the root element but comments and blanks.
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement() || m_xml.isDTD())
                fail(QStringLiteral("content after the root element"));
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return t;
    }

private:
    [[noreturn]] void fail(const QString& why)
    {
        throw Failure {QStringLiteral("line %1: %2").arg(m_xml.lineNumber()).arg(why)};
    }

    // Advances to the next start element (document level).
    bool nextElement()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isDTD() || m_xml.isEntityReference())
                fail(QStringLiteral("document type declarations are not allowed"));
            if (m_xml.isStartElement())
                return true;
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return false;
    }

    // Next child element of the element open at `depth`; false at its end.
    bool nextChild(int depth)
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isDTD() || m_xml.isEntityReference())
                fail(QStringLiteral("document type declarations are not allowed"));
            if (m_xml.isStartElement()) {
                if (depth + 1 > TemplateReader::MaxDepth)
                    fail(QStringLiteral("elements nested too deeply"));
                return true;
            }
            if (m_xml.isEndElement())
                return false;
            if (m_xml.isCharacters() && !m_xml.isWhitespace())
                fail(QStringLiteral("unexpected text \"%1\"").arg(m_xml.text().left(40).toString()));
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        fail(QStringLiteral("unexpected end of the file"));
    }

    void checkAttributes(const QXmlStreamAttributes& attrs, std::initializer_list<const char*> allowed)
    {
        for (const auto& a : attrs) {
            bool known = false;
            for (const char* k : allowed)
                known = known || a.name() == QLatin1String(k);
            if (!known)
                fail(QStringLiteral("unknown attribute %1 of <%2>").arg(a.name().toString(), m_xml.name().toString()));
        }
    }

    QString text(const QXmlStreamAttributes& attrs, const char* name, int maxLength)
    {
        const QString v = attrs.value(QLatin1String(name)).toString();
        if (v.size() > maxLength)
            fail(QStringLiteral("attribute %1 is too long").arg(QLatin1String(name)));
        return v;
    }

    double number(const QXmlStreamAttributes& attrs, const char* name, double def, double min, double max)
    {
        if (!attrs.hasAttribute(QLatin1String(name)))
            return def;
        bool ok = false;
        const double v = attrs.value(QLatin1String(name)).toString().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < min || v > max)
            fail(QStringLiteral("attribute %1 must be a number from %2 to %3")
                            .arg(QLatin1String(name))
                            .arg(min)
                            .arg(max));
        return v;
    }

    bool flag(const QXmlStreamAttributes& attrs, const char* name)
    {
        const QString v = attrs.value(QLatin1String(name)).toString();
        if (v.isEmpty() || v == QLatin1String("0") || v == QLatin1String("false"))
            return false;
        if (v == QLatin1String("1") || v == QLatin1String("true"))
            return true;
        fail(QStringLiteral("attribute %1 must be 1 or 0").arg(QLatin1String(name)));
    }

    void countObject()
    {
        if (++m_objects > TemplateReader::MaxObjects)
            fail(QStringLiteral("more than %1 objects").arg(TemplateReader::MaxObjects));
    }

    ReportObject readObject()
    {
        const auto n = m_xml.name();
        const auto a = m_xml.attributes();
        const double X = TemplateReader::MaxExtent;
        ReportObject o;
        countObject();
        if (n == QLatin1String("line")) {
            checkAttributes(a, {"x1", "y1", "x2", "y2", "width"});
            o.kind = ReportObject::Line;
            o.box = QRectF(QPointF(number(a, "x1", 0, -X, X), number(a, "y1", 0, -X, X)),
                    QPointF(number(a, "x2", 0, -X, X), number(a, "y2", 0, -X, X)));
            o.lineWidth = number(a, "width", 0.2, 0.05, 5);
            skipToEnd();
            return o;
        }
        if (n == QLatin1String("rect")) {
            checkAttributes(a, {"x", "y", "w", "h", "width"});
            o.kind = ReportObject::Rect;
            o.box = QRectF(number(a, "x", 0, -X, X), number(a, "y", 0, -X, X), number(a, "w", 0, 0, X),
                    number(a, "h", 0, 0, X));
            o.lineWidth = number(a, "width", 0.2, 0.05, 5);
            skipToEnd();
            return o;
        }
        if (n != QLatin1String("text"))
            fail(QStringLiteral("unknown element <%1>").arg(n.toString()));
        checkAttributes(a,
                {"x", "y", "w", "h", "size", "bold", "italic", "underline", "wrap", "align", "valign", "frame", "width",
                        "format"});
        o.kind = ReportObject::Text;
        o.box = QRectF(
                number(a, "x", 0, -X, X), number(a, "y", 0, -X, X), number(a, "w", 0, 0, X), number(a, "h", 0, 0, X));
        o.fontSize = number(a, "size", 10, 1, 144);
        o.bold = flag(a, "bold");
        o.italic = flag(a, "italic");
        o.underline = flag(a, "underline");
        o.wrap = flag(a, "wrap");
        o.lineWidth = number(a, "width", 0.2, 0.05, 5);
        o.format = text(a, "format", 20);
        if (!ReportFormat::isKnown(o.format))
            fail(QStringLiteral("unknown format \"%1\"").arg(o.format));
        Qt::Alignment h = Qt::AlignLeft, v = Qt::AlignVCenter;
        const QString al = a.value(QLatin1String("align")).toString();
        if (al == QLatin1String("center"))
            h = Qt::AlignHCenter;
        else if (al == QLatin1String("right"))
            h = Qt::AlignRight;
        else if (!al.isEmpty() && al != QLatin1String("left"))
            fail(QStringLiteral("align must be left, center or right"));
        const QString va = a.value(QLatin1String("valign")).toString();
        if (va == QLatin1String("top"))
            v = Qt::AlignTop;
        else if (va == QLatin1String("bottom"))
            v = Qt::AlignBottom;
        else if (!va.isEmpty() && va != QLatin1String("center"))
            fail(QStringLiteral("valign must be top, center or bottom"));
        o.align = h | v;
        const QString fr = a.value(QLatin1String("frame")).toString();
        for (const QString& side : fr.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString s = side.trimmed();
            if (s == QLatin1String("all"))
                o.frame |= ReportObject::FrameAll;
            else if (s == QLatin1String("left"))
                o.frame |= ReportObject::FrameLeft;
            else if (s == QLatin1String("top"))
                o.frame |= ReportObject::FrameTop;
            else if (s == QLatin1String("right"))
                o.frame |= ReportObject::FrameRight;
            else if (s == QLatin1String("bottom"))
                o.frame |= ReportObject::FrameBottom;
            else
                fail(QStringLiteral("frame sides are all, left, top, right, bottom"));
        }
        // The text is the element's content, blanks included.
        QString content;
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isCharacters()) {
                content += m_xml.text();
                if (content.size() > TemplateReader::MaxTextLength)
                    fail(QStringLiteral("text longer than %1 characters").arg(TemplateReader::MaxTextLength));
            } else if (m_xml.isEndElement()) {
                break;
            } else if (m_xml.isStartElement() || m_xml.isDTD() || m_xml.isEntityReference()) {
                fail(QStringLiteral("<text> holds only text"));
            }
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        o.text = ReportText(content);
        return o;
    }

    void skipToEnd()
    {
        if (nextChild(3))
            fail(QStringLiteral("<%1> has no content").arg(m_xml.name().toString()));
    }

    void readPart()
    {
        const auto a = m_xml.attributes();
        checkAttributes(a, {"name"});
        const QString name = text(a, "name", 60);
        if (name.isEmpty())
            fail(QStringLiteral("a part needs a name"));
        if (m_parts.contains(name))
            fail(QStringLiteral("part \"%1\" is defined twice").arg(name));
        QList<ReportObject> objects;
        while (nextChild(2))
            objects.append(readObject());
        m_parts.insert(name, objects);
    }

    ReportBand readBand(const ReportPage& page)
    {
        const auto a = m_xml.attributes();
        checkAttributes(a, {"type", "height", "dataset"});
        ReportBand b;
        const QString type = a.value(QLatin1String("type")).toString();
        if (type == QLatin1String("title"))
            b.type = ReportBand::Title;
        else if (type == QLatin1String("pageheader"))
            b.type = ReportBand::PageHeader;
        else if (type == QLatin1String("masterdata"))
            b.type = ReportBand::MasterData;
        else if (type == QLatin1String("summary"))
            b.type = ReportBand::Summary;
        else if (type == QLatin1String("pagefooter"))
            b.type = ReportBand::PageFooter;
        else
            fail(QStringLiteral("band type must be title, pageheader, masterdata, summary or pagefooter"));
        const double printable = page.orientedSize().height() - page.margins.top() - page.margins.bottom();
        b.height = number(a, "height", -1, 0.5, printable);
        if (b.height < 0)
            fail(QStringLiteral("a band needs a height"));
        b.dataSet = text(a, "dataset", 60).trimmed();
        if (b.type == ReportBand::MasterData && b.dataSet.isEmpty())
            fail(QStringLiteral("a masterdata band needs a dataset"));
        while (nextChild(3)) {
            if (m_xml.name() == QLatin1String("use")) {
                const auto u = m_xml.attributes();
                checkAttributes(u, {"part", "x", "y"});
                const QString name = u.value(QLatin1String("part")).toString();
                if (!m_parts.contains(name))
                    fail(QStringLiteral("unknown part \"%1\"").arg(name.left(60)));
                const double X = TemplateReader::MaxExtent;
                const QPointF off(number(u, "x", 0, -X, X), number(u, "y", 0, -X, X));
                for (ReportObject o : m_parts.value(name)) {
                    countObject();
                    o.box.translate(off);
                    b.objects.append(o);
                }
                skipToEnd();
            } else {
                b.objects.append(readObject());
            }
        }
        return b;
    }

    ReportPage readPage()
    {
        const auto a = m_xml.attributes();
        checkAttributes(a, {"size", "orientation", "margins"});
        ReportPage p;
        const QString size = a.value(QLatin1String("size")).toString();
        if (size.isEmpty() || size == QLatin1String("A4"))
            p.size = QSizeF(210, 297);
        else if (size == QLatin1String("A5"))
            p.size = QSizeF(148, 210);
        else if (size == QLatin1String("A3"))
            p.size = QSizeF(297, 420);
        else
            fail(QStringLiteral("page size must be A4, A5 or A3"));
        const QString o = a.value(QLatin1String("orientation")).toString();
        if (o == QLatin1String("landscape"))
            p.orientation = QPageLayout::Landscape;
        else if (!o.isEmpty() && o != QLatin1String("portrait"))
            fail(QStringLiteral("orientation must be portrait or landscape"));
        const QStringList m = a.value(QLatin1String("margins")).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!m.isEmpty()) {
            if (m.size() != 4)
                fail(QStringLiteral("margins are four numbers: left top right bottom"));
            double v[4];
            for (int i = 0; i < 4; ++i) {
                bool ok = false;
                v[i] = m[i].toDouble(&ok);
                if (!ok || !(v[i] >= 0 && v[i] <= 100))
                    fail(QStringLiteral("a margin is a number from 0 to 100"));
            }
            p.margins = QMarginsF(v[0], v[1], v[2], v[3]);
        }
        const QSizeF s = p.orientedSize();
        if (s.width() - p.margins.left() - p.margins.right() < 10
                || s.height() - p.margins.top() - p.margins.bottom() < 10)
            fail(QStringLiteral("the margins leave no room on the page"));
        double fixed = 0;
        while (nextChild(2)) {
            if (m_xml.name() != QLatin1String("band"))
                fail(QStringLiteral("a page holds bands, not <%1>").arg(m_xml.name().toString()));
            p.bands.append(readBand(p));
            if (p.bands.size() > TemplateReader::MaxBands)
                fail(QStringLiteral("more than %1 bands on a page").arg(TemplateReader::MaxBands));
            const ReportBand& b = p.bands.last();
            if (b.type == ReportBand::PageHeader || b.type == ReportBand::PageFooter)
                fixed += b.height;
        }
        // Every other band must fit on a page beside the page header and footer,
        // or the layout would never end.
        const double printable = s.height() - p.margins.top() - p.margins.bottom();
        for (const ReportBand& b : p.bands)
            if (b.type != ReportBand::PageHeader && b.type != ReportBand::PageFooter
                    && b.height + fixed > printable + 0.001)
                fail(QStringLiteral("a band with its page header and footer is taller than the page"));
        if (fixed > printable + 0.001)
            fail(QStringLiteral("page header and footer are taller than the page"));
        return p;
    }

    QXmlStreamReader m_xml;
    QHash<QString, QList<ReportObject>> m_parts;
    int m_objects = 0;
};

}   // namespace

std::optional<ReportTemplate> TemplateReader::read(const QByteArray& xml)
{
    m_detail.clear();
    if (xml.size() > MaxFileSize) {
        m_detail = QStringLiteral("the file is larger than %1 bytes").arg(MaxFileSize);
        return std::nullopt;
    }
    try {
        Reader r(xml);
        return r.run();
    } catch (const Failure& f) {
        m_detail = f.text;
        return std::nullopt;
    }
}
