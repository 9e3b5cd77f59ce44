// The indicator's current reading as the weighing window displays it.
#include "scale/indicatorreading.h"

#include <QtTest>

class TestIndicatorReading : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestIndicatorReading::parse_data()
{
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("shown");
    QTest::newRow("stable") << "ST,GS,+  012340kg\r\n"
                            << "12 340 kg  stabil";
    QTest::newRow("in motion") << "US,GS,+  012100kg\r\n"
                               << "12 100 kg  mozgásban";
    QTest::newRow("negative") << "ST,GS,-  000150kg\r\n"
                              << "-150 kg  stabil";
    QTest::newRow("zero is not negative") << "ST,GS,-  000000kg\r\n"
                                          << "0 kg  stabil";
    QTest::newRow("overload") << "OL,GS,+  ------kg\r\n"
                              << "túlterhelés";
    QTest::newRow("digits alone") << "8000\r\n"
                                  << "8 000 kg";
    QTest::newRow("last line counts") << "US,GS,+  011900kg\r\nST,GS,+  012000kg\r\n"
                                      << "12 000 kg  stabil";
    QTest::newRow("trailing half frame ignored") << "ST,GS,+  012000kg\r\n\r\n"
                                                 << "12 000 kg  stabil";
    QTest::newRow("nothing") << ""
                             << "nincs adat";
    QTest::newRow("noise") << "\x01\x02zz\r\n"
                           << "nincs adat";
}

void TestIndicatorReading::parse()
{
    QFETCH(QString, piece);
    QFETCH(QString, shown);
    QCOMPARE(IndicatorReading::parse(piece).text(), shown);
}

QTEST_MAIN(TestIndicatorReading)
#include "test_indicator_reading.moc"
