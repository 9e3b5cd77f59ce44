#pragma once
// Reads back what the export wrote: the sheets' cells, column widths and the
// styles they point at, from the XML parts of the xlsx file (unzipped with
// the unzip tool).
#include <QHash>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

struct XlsxCell {
    QString type;   // "" / "n" number, "inlineStr", "s", "str", "b"
    QString value;   // <v> or the inline text; empty when the cell has none
    bool hasValue = false;
    int style = 0;
};

struct XlsxStyle {
    bool bold = false;
    QString horizontal;   // "left", "right", "center" or ""
    QString numFormat;   // format code, "" for General
};

struct XlsxSheet {
    QMap<QString, XlsxCell> cells;   // by reference ("A1")
    QMap<int, double> widths;   // column number (1 = A) -> width
    int rowCount = 0;
};

class XlsxReader {
public:
    explicit XlsxReader(const QString& file) : m_file(file)
    {
        readStyles();
        const QStringList parts = list();
        for (int i = 1; parts.contains(QStringLiteral("xl/worksheets/sheet%1.xml").arg(i)); ++i)
            m_sheets << readSheet(QStringLiteral("xl/worksheets/sheet%1.xml").arg(i));
        m_sheetNames = readSheetNames();
    }

    const QList<XlsxSheet>& sheets() const { return m_sheets; }
    const QStringList& sheetNames() const { return m_sheetNames; }
    XlsxStyle style(int index) const { return m_styles.value(index); }
    XlsxStyle styleOf(const XlsxSheet& s, const QString& ref) const { return style(s.cells.value(ref).style); }

    static QString column(int zeroBased)
    {
        QString name;
        int n = zeroBased + 1;
        while (n > 0) {
            const int r = (n - 1) % 26;
            name.prepend(QChar('A' + r));
            n = (n - 1) / 26;
        }
        return name;
    }

private:
    QByteArray part(const QString& name) const
    {
        QProcess p;
        p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), m_file, name});
        p.waitForFinished(-1);
        return p.readAllStandardOutput();
    }
    QStringList list() const
    {
        QProcess p;
        p.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), m_file});
        p.waitForFinished(-1);
        return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QStringList readSheetNames() const
    {
        QStringList names;
        QXmlStreamReader x(part(QStringLiteral("xl/workbook.xml")));
        while (!x.atEnd())
            if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("sheet"))
                names << x.attributes().value(QLatin1String("name")).toString();
        return names;
    }

    void readStyles()
    {
        QXmlStreamReader x(part(QStringLiteral("xl/styles.xml")));
        QHash<int, QString> numFmts;
        QList<bool> fonts;
        QString section;
        XlsxStyle* current = nullptr;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement()) {
                const auto n = x.name();
                const auto a = x.attributes();
                if (n == QLatin1String("numFmt")) {
                    numFmts.insert(a.value(QLatin1String("numFmtId")).toInt(),
                            a.value(QLatin1String("formatCode")).toString());
                } else if (n == QLatin1String("fonts") || n == QLatin1String("cellXfs")
                        || n == QLatin1String("cellStyleXfs")) {
                    section = n.toString();
                } else if (n == QLatin1String("font") && section == QLatin1String("fonts")) {
                    fonts << false;
                } else if (n == QLatin1String("b") && section == QLatin1String("fonts") && !fonts.isEmpty()) {
                    fonts.last() = true;
                } else if (n == QLatin1String("xf") && section == QLatin1String("cellXfs")) {
                    XlsxStyle s;
                    s.bold = fonts.value(a.value(QLatin1String("fontId")).toInt());
                    s.numFormat = numFmts.value(a.value(QLatin1String("numFmtId")).toInt());
                    m_styles << s;
                    current = &m_styles.last();
                } else if (n == QLatin1String("alignment") && current) {
                    current->horizontal = a.value(QLatin1String("horizontal")).toString();
                }
            } else if (x.isEndElement()) {
                if (x.name() == QLatin1String("xf"))
                    current = nullptr;
                else if (x.name() == section)
                    section.clear();
            }
        }
    }

    XlsxSheet readSheet(const QString& name) const
    {
        XlsxSheet sheet;
        QXmlStreamReader x(part(name));
        QString ref;
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement())
                continue;
            const auto n = x.name();
            const auto a = x.attributes();
            if (n == QLatin1String("col")) {
                for (int c = a.value(QLatin1String("min")).toInt(); c <= a.value(QLatin1String("max")).toInt(); ++c)
                    sheet.widths.insert(c, a.value(QLatin1String("width")).toDouble());
            } else if (n == QLatin1String("row")) {
                ++sheet.rowCount;
            } else if (n == QLatin1String("c")) {
                ref = a.value(QLatin1String("r")).toString();
                XlsxCell c;
                c.type = a.value(QLatin1String("t")).toString();
                c.style = a.value(QLatin1String("s")).toInt();
                sheet.cells.insert(ref, c);
            } else if ((n == QLatin1String("v") || n == QLatin1String("t")) && !ref.isEmpty()) {
                XlsxCell& c = sheet.cells[ref];
                c.value = x.readElementText();
                c.hasValue = true;
            }
        }
        return sheet;
    }

    QString m_file;
    QList<XlsxStyle> m_styles;
    QList<XlsxSheet> m_sheets;
    QStringList m_sheetNames;
};
