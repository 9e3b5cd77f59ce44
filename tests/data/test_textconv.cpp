#include "data/textconv.h"

#include <QTest>

class TestTextConv : public QObject {
    Q_OBJECT
private slots:
    void toNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "12340" << true << 12340.0;
        QTest::newRow("comma") << "1234,5" << true << 1234.5;
        QTest::newRow("blanks") << "  14,5 " << true << 14.5;
        QTest::newRow("negative") << "-150" << true << -150.0;
        QTest::newRow("leading comma") << ",5" << true << 0.5;
        QTest::newRow("full stop is not a separator") << "12.5" << false << 0.0;
        QTest::newRow("grouped") << "12 000" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("exponent") << "1e5" << false << 0.0;
    }
    void toNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const auto v = TextConv::toNumber(text);
        QCOMPARE(v.has_value(), ok);
        if (ok)
            QCOMPARE(*v, value);
    }

    void formats_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("general");
        QTest::addColumn<QString>("grouped");
        QTest::addColumn<QString>("kg");
        QTest::newRow("whole") << 12340.0 << "12340"
                               << "12 340"
                               << "12 340";
        QTest::newRow("fraction") << 1234.5 << "1234,5"
                                  << "1 234,5"
                                  << "1 235";
        QTest::newRow("zero") << 0.0 << "0"
                              << "0"
                              << "0";
        QTest::newRow("small") << 0.25 << "0,25"
                               << "0,25"
                               << "0";
        QTest::newRow("rounded to two") << 1234567.891 << "1234567,891"
                                        << "1 234 567,89"
                                        << "1 234 568";
        QTest::newRow("negative") << -8000.0 << "-8000"
                                  << "-8 000"
                                  << "-8 000";
        QTest::newRow("million") << 1000000.0 << "1000000"
                                 << "1 000 000"
                                 << "1 000 000";
        QTest::newRow("twelve thousand") << 12000.0 << "12000"
                                         << "12 000"
                                         << "12 000";
    }
    void formats()
    {
        QFETCH(double, value);
        QFETCH(QString, general);
        QFETCH(QString, grouped);
        QFETCH(QString, kg);
        QCOMPARE(TextConv::number(value), general);
        QCOMPARE(TextConv::grouped(value), grouped);
        QCOMPARE(TextConv::groupedKg(value), kg);
    }

    void datesAndTimes()
    {
        QCOMPARE(TextConv::date(QDate(2026, 3, 7)), QStringLiteral("2026.03.07"));
        QCOMPARE(TextConv::time(QTime(7, 5, 9)), QStringLiteral("07:05:09"));
        QCOMPARE(TextConv::toDate(QStringLiteral("2026.03.07")).value(), QDate(2026, 3, 7));
        QVERIFY(!TextConv::toDate(QStringLiteral("2026-03-07")).has_value());
        QCOMPARE(TextConv::toText(QVariant(QDate(2026, 12, 1))), QStringLiteral("2026.12.01"));
        QCOMPARE(TextConv::toText(QVariant(14.5)), QStringLiteral("14,5"));
        QCOMPARE(TextConv::toText(QVariant()), QString());
        QCOMPARE(TextConv::toInteger(QStringLiteral("0041")).value(), 41);
        QVERIFY(!TextConv::toInteger(QStringLiteral("4a")).has_value());
        QVERIFY(!TextConv::toInteger(QString()).has_value());
    }
};

QTEST_GUILESS_MAIN(TestTextConv)
#include "test_textconv.moc"
