#include "convert/NumberReading.h"

#include <QTest>

#include <clocale>
#include <cmath>

class TestNumberReading : public QObject {
    Q_OBJECT
private slots:
    void readsLeadingNumber_data();
    void readsLeadingNumber();
    void pageCount_data();
    void pageCount();
    void decimalPointIgnoresLocale();
};

void TestNumberReading::readsLeadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "288" << 288.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("trailing letters") << "144dpi" << 144.0;
    QTest::newRow("blank inside") << "1 2" << 12.0;
    QTest::newRow("tab and line feed inside") << "1\t4\n4" << 144.0;
    QTest::newRow("leading blanks") << "   72" << 72.0;
    QTest::newRow("decimal") << "2.5" << 2.5;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("comma is no decimal point") << "2,5" << 2.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("negative") << "-2" << -2.0;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("blank after sign") << "- 3" << -3.0;
    QTest::newRow("two signs") << "+-3" << 0.0;
    QTest::newRow("exponent") << "1e9" << 1e9;
    QTest::newRow("upper exponent with sign") << "25E-1" << 2.5;
    QTest::newRow("exponent split by blanks") << "1 e 2" << 100.0;
    QTest::newRow("exponent without digits") << "3e" << 3.0;
    QTest::newRow("exponent sign without digits") << "3e+" << 3.0;
    QTest::newRow("exponent alone") << "e5" << 0.0;
    QTest::newRow("carriage return stops") << "1\r2" << 1.0;
    QTest::newRow("fraction then exponent") << "1.5e1" << 15.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("tiny") << "1e-400" << 0.0;
}

void TestNumberReading::readsLeadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(ReadNumber(text), value);
}

void TestNumberReading::pageCount_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::newRow("3") << "3" << 3;
    QTest::newRow("2.5 to even") << "2.5" << 2;
    QTest::newRow("3.5 to even") << "3.5" << 4;
    QTest::newRow("0.5 to even") << "0.5" << 0;
    QTest::newRow("2.51 up") << "2.51" << 3;
    QTest::newRow("-2.5 to even") << "-2.5" << -2;
    QTest::newRow("1 2") << "1 2" << 12;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("abc") << "abc" << 0;
    QTest::newRow("-2") << "-2" << -2;
    QTest::newRow("largest") << "32767" << 32767;
    QTest::newRow("32767.5 stays in range") << "32767.5" << 32767;
    QTest::newRow("1e9 limited") << "1e9" << 32767;
    QTest::newRow("overflowing exponent") << "1e999" << 32767;
    QTest::newRow("very negative") << "-1e9" << -32768;
}

void TestNumberReading::pageCount() {
    QFETCH(QString, text);
    QFETCH(int, count);
    QCOMPARE(int(ReadPageCount(text)), count);
}

void TestNumberReading::decimalPointIgnoresLocale() {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const QByteArray saved(previous ? previous : "C");
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    QCOMPARE(ReadNumber("2.5"), 2.5);
    std::setlocale(LC_NUMERIC, saved.constData());
}

QTEST_GUILESS_MAIN(TestNumberReading)
#include "tst_numberreading.moc"
