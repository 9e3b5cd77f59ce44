// The template reader, the expressions and the layout of the report engine,
// without a database.
#include "reports/reportbuilder.h"
#include "reports/reportexpression.h"
#include "reports/templatereader.h"

#include <QDir>
#include <QtTest>

namespace {

class Vars : public ReportScope {
public:
    QVariantMap vars;
    ReportValue field(const QString& set, const QString& column) override
    {
        if (set == QLatin1String("T") && column == QLatin1String("n"))
            return ReportValue::ofNumber(1234.5);
        throw ReportError {QStringLiteral("ismeretlen mező: %1.\"%2\"").arg(set, column)};
    }
    ReportValue name(const QString& n) override
    {
        if (!vars.contains(n))
            throw ReportError {QStringLiteral("ismeretlen változó: %1").arg(n)};
        return ReportValue::fromVariant(vars.value(n));
    }
};

QByteArray page(const QByteArray& bands, const QByteArray& pageAttrs = "margins=\"10 10 10 10\"")
{
    return "<frf version=\"1\"><page " + pageAttrs + ">" + bands + "</page></frf>";
}

}   // namespace

class TestReportEngine : public QObject {
    Q_OBJECT
private slots:
    void expressions_data();
    void expressions();
    void expressionErrors_data();
    void expressionErrors();
    void rejectedTemplates_data();
    void rejectedTemplates();
    void textKeepsBlanksAndParts();
    void shippedTemplatesRead();
    void titleHeaderFooterAndPageNumbers();
};

void TestReportEngine::expressions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("grouped net") << "Nettó súly:   [v_m1]  kg"
                                 << "#,###.##"
                                 << "Nettó súly:   12 000  kg";
    QTest::newRow("two decimals") << "[1234.567]"
                                  << "#,###.##"
                                  << "1 234,57";
    QTest::newRow("whole kg") << "[1234.567]"
                              << "#,###"
                              << "1 235";
    QTest::newRow("plain number") << "[T.\"n\"]"
                                  << ""
                                  << "1234,5";
    QTest::newRow("sum of fields") << "[T.\"n\" + T.\"n\"]"
                                   << "#,###.##"
                                   << "2 469";
    QTest::newRow("precedence") << "[2 + 3 * 4]"
                                << ""
                                << "14";
    QTest::newRow("brackets") << "[(2 + 3) * 4]"
                              << ""
                              << "20";
    QTest::newRow("division") << "[10 / 4]"
                              << ""
                              << "2,5";
    QTest::newRow("abs") << "[ABS(8000 - 20000)]"
                         << "#,###.##"
                         << "12 000";
    QTest::newRow("round") << "[ROUND(2.5) + round(-0.4)]"
                           << ""
                           << "3";
    QTest::newRow("unary minus") << "[-v_m1 + 12000]"
                                 << ""
                                 << "0";
    QTest::newRow("text join") << "[v_mozgas + '!']"
                               << ""
                               << "BE!";
    QTest::newRow("text variable") << "J [v_bszam]"
                                   << ""
                                   << "J 42";
    QTest::newRow("blank inside") << "Adószám: [ v_bszam]"
                                  << ""
                                  << "Adószám: 42";
    QTest::newRow("no value reads empty") << "<[v_none]>"
                                          << ""
                                          << "<>";
    QTest::newRow("no value is 0 in sums") << "[v_none + 5]"
                                           << ""
                                           << "5";
    QTest::newRow("bracket in text") << "[ 'a]b' ]"
                                     << ""
                                     << "a]b";
}

void TestReportEngine::expressions()
{
    QFETCH(QString, text);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    Vars scope;
    scope.vars = {{"v_m1", 12000.0}, {"v_mozgas", "BE"}, {"v_bszam", "42"}, {"v_none", QVariant()}};
    QCOMPARE(ReportText(text).evaluate(scope, format), expected);
}

void TestReportEngine::expressionErrors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("division by zero") << "[1 / (2 - 2)]"
                                      << "osztás nullával";
    QTest::newRow("unknown variable") << "[v_nincs]"
                                      << "ismeretlen változó: v_nincs";
    QTest::newRow("unknown column") << "[T.\"x\"]"
                                    << "ismeretlen mező: T.\"x\"";
    QTest::newRow("unclosed field") << "a [v_m1"
                                    << "lezáratlan [ mező";
    QTest::newRow("syntax") << "[1 +]"
                            << "hiányzó érték";
    QTest::newRow("unknown function") << "[SQRT(4)]"
                                      << "ismeretlen függvény: SQRT";
    QTest::newRow("text in arithmetic") << "[v_mozgas * 2]"
                                        << "nem szám";
    QTest::newRow("deep brackets") << "[" + QString(500, '(') + "1" + QString(500, ')') + "]"
                                   << "túl mélyen";
    QTest::newRow("too long") << "[" + QString(5000, '1') + "]"
                              << "túl hosszú";
}

void TestReportEngine::expressionErrors()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    Vars scope;
    scope.vars = {{"v_m1", 12000.0}, {"v_mozgas", "BE"}};
    try {
        ReportText(text).evaluate(scope, QString());
        QFAIL("no error");
    } catch (const ReportError& e) {
        QVERIFY2(e.text.contains(error), qPrintable(e.text));
    }
}

void TestReportEngine::rejectedTemplates_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("detail");
    const QByteArray band = "<band type=\"title\" height=\"20\"><text x=\"0\" y=\"0\" w=\"10\" h=\"5\">x</text></band>";
    QTest::newRow("not xml") << QByteArray("TPF0\x01\x02 frNyomtat binary") << "";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("other root") << QByteArray("<report version=\"1\"/>") << "not <frf>";
    QTest::newRow("no version") << QByteArray("<frf><page/></frf>") << "version";
    QTest::newRow("newer version") << QByteArray("<frf version=\"2\"><page/></frf>") << "newer";
    QTest::newRow("truncated") << page(band).left(60) << "";
    QTest::newRow("huge size") << page(
            "<band type=\"title\" height=\"20\"><text x=\"0\" y=\"0\" w=\"1e300\" h=\"5\">x</text></band>")
                               << "attribute w";
    QTest::newRow("band taller than page")
            << page("<band type=\"masterdata\" dataset=\"ZQ33\" height=\"5000\"/>") << "height";
    QTest::newRow("header and band over the page") << page(
            "<band type=\"pageheader\" height=\"200\"/><band type=\"masterdata\" dataset=\"ZQ33\" height=\"200\"/>")
                                                   << "taller than the page";
    QTest::newRow("deep nesting") << QByteArray("<frf version=\"1\">") + QByteArray("<page>").repeated(1)
                    + QByteArray("<band type=\"title\" height=\"5\">") + QByteArray("<x>").repeated(10000)
                    + QByteArray("</x>").repeated(10000) + "</band></page></frf>"
                                  << "";
    QTest::newRow("1 MB text") << page("<band type=\"title\" height=\"20\"><text>" + QByteArray(1024 * 1024, 'a')
            + "</text></band>") << "longer";
    QTest::newRow("unknown element") << page("<band type=\"title\" height=\"20\"><image/></band>") << "unknown element";
    QTest::newRow("unknown format") << page("<band type=\"title\" height=\"20\"><text format=\"%d\">x</text></band>")
                                    << "unknown format";
    QTest::newRow("entity bomb") << QByteArray(
            "<?xml version=\"1.0\"?><!DOCTYPE f [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]><frf version=\"1\">&b;</frf>")
                                 << "";
    QTest::newRow("unknown part") << page("<band type=\"title\" height=\"20\"><use part=\"x\"/></band>")
                                  << "unknown part";
    QTest::newRow("no page") << QByteArray("<frf version=\"1\"></frf>") << "no page";
}

void TestReportEngine::rejectedTemplates()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, detail);
    TemplateReader r;
    QVERIFY(!r.read(xml));
    QVERIFY(!r.detail().isEmpty());
    if (!detail.isEmpty())
        QVERIFY2(r.detail().contains(detail), qPrintable(r.detail()));
}

void TestReportEngine::textKeepsBlanksAndParts()
{
    TemplateReader r;
    const auto t = r.read(
            "<frf version=\"1\"><part name=\"p\"><text x=\"1\" y=\"2\" w=\"50\" h=\"5\">Készült:  [DATE]   [TIME]</text></part>"
            "<page margins=\"0 0 0 0\"><band type=\"title\" height=\"100\"><use part=\"p\" x=\"10\" y=\"20\"/>"
            "<text x=\"0\" y=\"0\" w=\"20\" h=\"5\">MÉRLEGJEGY </text></band></page></frf>");
    QVERIFY2(t, qPrintable(r.detail()));
    QVariantMap vars;
    ReportBuilder b(nullptr, vars);
    b.setNow(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    const ReportLayout l = b.build(*t, QStringLiteral("x.frf"));
    QCOMPARE(l.pages.size(), 1);
    const LayoutItem* made = l.pages[0].find(QStringLiteral("Készült:  2024.03.05   07:08:09"));
    QVERIFY(made);
    QCOMPARE(made->box, QRectF(11, 22, 50, 5));
    QVERIFY(l.pages[0].find(QStringLiteral("MÉRLEGJEGY ")));
}

void TestReportEngine::shippedTemplatesRead()
{
    QDir dir(qEnvironmentVariable("VELLO_SOURCE_DIR") + QStringLiteral("/templates"));
    const QStringList files = dir.entryList({QStringLiteral("*.frf")}, QDir::Files);
    QCOMPARE(files.size(), 16);
    for (const QString& f : files) {
        QFile file(dir.filePath(f));
        QVERIFY(file.open(QIODevice::ReadOnly));
        TemplateReader r;
        QVERIFY2(r.read(file.readAll()), qPrintable(f + QStringLiteral(": ") + r.detail()));
    }
}

void TestReportEngine::titleHeaderFooterAndPageNumbers()
{
    // Without data sets: title, page header and footer of a one-page report.
    TemplateReader r;
    const auto t = r.read(page(
            "<band type=\"pagefooter\" height=\"10\"><text x=\"0\" y=\"0\" w=\"50\" h=\"5\">[PAGE#]/[TOTALPAGES#]</text></band>"
            "<band type=\"pageheader\" height=\"10\"><text x=\"0\" y=\"0\" w=\"50\" h=\"5\">fej</text></band>"
            "<band type=\"title\" height=\"20\"><text x=\"0\" y=\"0\" w=\"50\" h=\"5\">cím</text></band>"
            "<band type=\"summary\" height=\"20\"><text x=\"0\" y=\"0\" w=\"50\" h=\"5\">vége</text></band>",
            "orientation=\"landscape\" margins=\"10 10 10 10\""));
    QVERIFY2(t, qPrintable(r.detail()));
    QVariantMap vars;
    ReportBuilder b(nullptr, vars);
    const ReportLayout l = b.build(*t, QStringLiteral("x.frf"));
    QCOMPARE(l.pages.size(), 1);
    QCOMPARE(l.pages[0].size, QSizeF(297, 210));
    QCOMPARE(l.pages[0].texts(), QStringList({"cím", "fej", "vége", "1/1"}));
    QCOMPARE(l.pages[0].find(QStringLiteral("1/1"))->box.top(), 210.0 - 10 - 10);
}

QTEST_GUILESS_MAIN(TestReportEngine)
#include "test_reportengine.moc"
