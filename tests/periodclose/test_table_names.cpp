// Every statement of the program names its tables exactly as db/create.sql
// creates them, so the program runs on a server that matches table names by
// case (lower_case_table_names=0, the distribution's default) as well as on
// one that does not. The check reads the string literals of every source
// file under src/ and tools/ and looks at the word after FROM, JOIN, INTO,
// UPDATE, TABLE and DELETE.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

QString sourceDir()
{
    return qEnvironmentVariable("VELLO_SOURCE_DIR", QDir::currentPath() + QStringLiteral("/.."));
}

QSet<QString> createdTables()
{
    QFile f(sourceDir() + QStringLiteral("/db/create.sql"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QSet<QString> out;
    const QString text = QString::fromUtf8(f.readAll());
    static const QRegularExpression re(QStringLiteral("CREATE TABLE\\s+(?:IF NOT EXISTS\\s+)?`?(\\w+)"),
            QRegularExpression::CaseInsensitiveOption);
    for (auto it = re.globalMatch(text); it.hasNext();)
        out.insert(it.next().captured(1));
    return out;
}

// The string literals of a C++ source, adjacent ones joined (a statement
// written over several lines is one literal), each with its line number.
QList<QPair<int, QString>> literals(const QString& src)
{
    QList<QPair<int, QString>> out;
    int line = 1;
    int i = 0;
    const int n = src.size();
    bool joining = false;
    while (i < n) {
        const QChar c = src[i];
        if (c == QLatin1Char('\n')) {
            ++line;
            ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && src[i + 1] == QLatin1Char('/')) {
            while (i < n && src[i] != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && src[i + 1] == QLatin1Char('*')) {
            i += 2;
            while (i + 1 < n && !(src[i] == QLatin1Char('*') && src[i + 1] == QLatin1Char('/'))) {
                if (src[i] == QLatin1Char('\n'))
                    ++line;
                ++i;
            }
            i += 2;
            continue;
        }
        if (c == QLatin1Char('\'')) {   // a character literal
            ++i;
            while (i < n && src[i] != QLatin1Char('\'')) {
                if (src[i] == QLatin1Char('\\'))
                    ++i;
                ++i;
            }
            ++i;
            joining = false;
            continue;
        }
        if (c == QLatin1Char('"')) {
            const bool raw = i > 0 && src[i - 1] == QLatin1Char('R');
            QString text;
            ++i;
            if (raw) {
                const int open = src.indexOf(QLatin1Char('('), i);
                const QString close = QLatin1Char(')') + src.mid(i, open - i) + QLatin1Char('"');
                const int end = src.indexOf(close, open);
                text = src.mid(open + 1, end - open - 1);
                line += text.count(QLatin1Char('\n'));
                i = end + close.size();
            } else {
                while (i < n && src[i] != QLatin1Char('"')) {
                    if (src[i] == QLatin1Char('\\') && i + 1 < n) {
                        text += src[i + 1];
                        i += 2;
                        continue;
                    }
                    text += src[i++];
                }
                ++i;
            }
            if (joining && !out.isEmpty())
                out.last().second += text;
            else
                out.append({line, text});
            joining = true;
            continue;
        }
        if (!c.isSpace())
            joining = false;   // only blanks between two literals join them
        ++i;
    }
    return out;
}

// The table names in `text` that differ from a created table only by case.
// A message that names a table ("Hiba: Az UPDATE Sorszam -ba ") is not a
// statement: the name is followed by a dash there.
QStringList miscased(const QString& text, const QSet<QString>& tables)
{
    static const QRegularExpression re(
            QStringLiteral("\\b(?:FROM|JOIN|INTO|UPDATE|TABLE|DELETE)\\s+`?(\\w+)`?(?!\\s*-)"));
    QStringList out;
    for (auto it = re.globalMatch(text); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (tables.contains(name))
            continue;
        for (const QString& t : tables)
            if (t.compare(name, Qt::CaseInsensitive) == 0)
                out << name;
    }
    return out;
}

}   // namespace

class TestTableNames : public QObject {
    Q_OBJECT
private slots:
    void detector_data();
    void detector();
    void everyStatementNamesTablesAsCreated();
};

void TestTableNames::detector_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("statement") << "q.openSql(QStringLiteral(\"SELECT sBszam FROM Sorszam WHERE sKod = :p0\"));"
                               << QStringList {"Sorszam"};
    QTest::newRow("over two lines") << "const char* k = \"SELECT * FROM vello \"\n   \"JOIN Termeny ON tKod = jTkod\";"
                                    << QStringList {"Termeny"};
    QTest::newRow("update") << "run(\"UPDATE SORSZAM SET sBszam = :p1\");" << QStringList {"SORSZAM"};
    QTest::newRow("as created") << "run(\"DELETE vello FROM vello JOIN munka ON munka.IDj = vello.IDj\");"
                                << QStringList {};
    QTest::newRow("message") << "msg(QStringLiteral(\"Hiba: Az UPDATE Sorszam -ba \"));" << QStringList {};
    QTest::newRow("comment") << "// reads FROM Sorszam\nint a;" << QStringList {};
}

void TestTableNames::detector()
{
    QFETCH(QString, source);
    QFETCH(QStringList, found);
    const QSet<QString> tables = createdTables();
    QVERIFY(tables.contains(QStringLiteral("sorszam")));
    QStringList got;
    for (const auto& l : literals(source))
        got << miscased(l.second, tables);
    QCOMPARE(got, found);
}

void TestTableNames::everyStatementNamesTablesAsCreated()
{
    const QSet<QString> tables = createdTables();
    // the register's ten, its voided tickets' sztorno and the alibi log's three
    QCOMPARE(tables.size(), 14);
    QStringList slips;
    int files = 0;
    for (const QString& folder : {QStringLiteral("src"), QStringLiteral("tools")}) {
        QDirIterator it(sourceDir() + QLatin1Char('/') + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            ++files;
            for (const auto& l : literals(QString::fromUtf8(f.readAll())))
                for (const QString& name : miscased(l.second, tables))
                    slips << QStringLiteral("%1:%2: %3")
                                     .arg(QDir(sourceDir()).relativeFilePath(path))
                                     .arg(l.first)
                                     .arg(name);
        }
    }
    QVERIFY(files > 50);
    QVERIFY2(slips.isEmpty(), qPrintable(slips.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestTableNames)
#include "test_table_names.moc"
