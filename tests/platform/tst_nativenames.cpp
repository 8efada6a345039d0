#include "platform/NativeNames.h"

#include <QFile>
#include <QTest>

// Names as the system gives them, read into text and written back.
class TestNativeNames : public QObject {
    Q_OBJECT
private slots:
    void namesKeepTheirBytes_data();
    void namesKeepTheirBytes();
};

void TestNativeNames::namesKeepTheirBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("printable");
    QTest::addColumn<bool>("raw"); // holds bytes that Qt's own file classes would lose

    QTest::newRow("ascii") << QByteArray("/in/a b.pdf") << "/in/a b.pdf" << false;
    QTest::newRow("utf-8") << QByteArray("/in/r\xc3\xa9sum\xc3\xa9.pdf")
                           << QString::fromUtf8("/in/r\xc3\xa9sum\xc3\xa9.pdf") << false;
    QTest::newRow("four-byte utf-8")
        << QByteArray("\xf0\x9f\x93\x84.pdf") << QString::fromUtf8("\xf0\x9f\x93\x84.pdf") << false;
    QTest::newRow("latin-1") << QByteArray("/in/r\xe9sum\xe9.pdf") << "/in/r\\xe9sum\\xe9.pdf"
                             << true;
    QTest::newRow("not utf-8 at all") << QByteArray("\xff\xfe.pdf") << "\\xff\\xfe.pdf" << true;
    QTest::newRow("cut short at the end") << QByteArray("a\xc3") << "a\\xc3" << true;
    QTest::newRow("cut short before ascii") << QByteArray("\xe2\x82z") << "\\xe2\\x82z" << true;
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf"
                                                  "b")
                                    << "a\\xc0\\xafb" << true;
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xb3\xbf.pdf") << "\\xed\\xb3\\xbf.pdf" << true;
    QTest::newRow("above the last character")
        << QByteArray("\xf4\x90\x80\x80") << "\\xf4\\x90\\x80\\x80" << true;
    QTest::newRow("valid between invalid")
        << QByteArray("\xe9\xc3\xa9\xe9") << QString::fromUtf8("\\xe9\xc3\xa9\\xe9") << true;
    QTest::newRow("backslash stays") << QByteArray("a\\xe9.pdf") << "a\\xe9.pdf" << false;
}

void TestNativeNames::namesKeepTheirBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, printable);
    QFETCH(bool, raw);

    const QString text = decodeFileName(bytes);
    QCOMPARE(encodeFileName(text), bytes);
    QCOMPARE(printableFileName(text), printable);
    QCOMPARE(holdsRawBytes(text), raw);
    // Names that are valid UTF-8 read as Qt reads them, so nothing changes for them.
    if (!raw) {
        QCOMPARE(text, QFile::decodeName(bytes));
        QCOMPARE(matchableFileName(text), text);
    } else {
        QVERIFY(QFile::encodeName(text) != bytes);
        QVERIFY(!matchableFileName(text).contains(QChar(0xDC00 + quint8(bytes.back()))));
    }
    const char* argv[] = {"program", bytes.constData()};
    QCOMPARE(decodeArguments(2, argv), QStringList{text});
}

QTEST_MAIN(TestNativeNames)
#include "tst_nativenames.moc"
