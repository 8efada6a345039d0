#include "convert/BatchFileConversion.h"
#include "convert/Naming.h"

#include <QTemporaryDir>
#include <QTest>

class TestNaming : public QObject {
    Q_OBJECT
private slots:
    void baseName_data();
    void baseName();
    void numberSuffix_data();
    void numberSuffix();
    void outputPrefixRule_data();
    void outputPrefixRule();
};

void TestNaming::baseName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::newRow("plain") << "/scans/Invoice 12.pdf"
                           << "Invoice 12";
    QTest::newRow("first dot cuts") << "/in/Annual.Report.2024.pdf"
                                    << "Annual";
    QTest::newRow("no dot") << "/in/README"
                            << "README";
    QTest::newRow("leading dot") << "/in/.hidden.pdf"
                                 << "";
    QTest::newRow("dot in folder only") << "/in.v2/scan"
                                        << "scan";
    QTest::newRow("shared base 1") << "/in/a.1.pdf"
                                   << "a";
    QTest::newRow("shared base 2") << "/in/a.2.pdf"
                                   << "a";
    QTest::newRow("odd characters") << "/in/-x $y `z` \"q\".pdf"
                                    << "-x $y `z` \"q\"";
    QTest::newRow("bare name") << "b.pdf"
                               << "b";
}

void TestNaming::baseName() {
    QFETCH(QString, path);
    QFETCH(QString, base);
    QCOMPARE(PdfBaseName(path), base);
}

void TestNaming::numberSuffix_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("1") << 1 << "-001";
    QTest::newRow("9") << 9 << "-009";
    QTest::newRow("10") << 10 << "-010";
    QTest::newRow("99") << 99 << "-099";
    QTest::newRow("100") << 100 << "-100";
    QTest::newRow("999") << 999 << "-999";
    QTest::newRow("1000") << 1000 << "-1000";
    QTest::newRow("32767") << 32767 << "-32767";
}

void TestNaming::numberSuffix() {
    QFETCH(int, position);
    QFETCH(QString, suffix);
    QCOMPARE(imageNumberSuffix(position), suffix);
    QCOMPARE(outputImagePath("/out/", "Annual", position), "/out/Annual" + suffix + ".jpg");
}

void TestNaming::outputPrefixRule_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("expectedRelative");
    QTest::newRow("folder with separator") << "out/"
                                           << "out/";
    QTest::newRow("folder without separator") << "out"
                                              << "out/";
    QTest::newRow("names no folder") << "out/prefix_"
                                     << "out/prefix_";
    QTest::newRow("a file, not a folder") << "file.txt"
                                          << "file.txt";
}

void TestNaming::outputPrefixRule() {
    QFETCH(QString, relative);
    QFETCH(QString, expectedRelative);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("out"));
    QFile file(dir.filePath("file.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString root = dir.path() + '/';
    QCOMPARE(outputPrefix(root + relative), root + expectedRelative);
    QCOMPARE(outputPrefix(QString()), QString());
}

QTEST_GUILESS_MAIN(TestNaming)
#include "tst_naming.moc"
