#include "convert/PageSelection.h"

#include <QTest>

#include <climits>

// Page lists as the command takes them: a count, "all", or pages and ranges with N for the
// last page; what each selects of a ten-page document, and the texts that are no list.
class TestPageSelection : public QObject {
    Q_OBJECT
private slots:
    void pageLists_data();
    void pageLists();
};

void TestPageSelection::pageLists_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("canonical");
    QTest::addColumn<QList<int>>("ofTen");

    QTest::newRow("all") << "all" << true << "all" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::newRow("a count") << "3" << true << "1-3" << QList<int>{1, 2, 3};
    QTest::newRow("a count past the end")
        << "12" << true << "1-12" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::newRow("one range") << "2-3" << true << "2-3" << QList<int>{2, 3};
    QTest::newRow("ranges, a page and the rest")
        << "1-3,7,9-N" << true << "1-3,7,9-N" << QList<int>{1, 2, 3, 7, 9, 10};
    QTest::newRow("the first and the last") << "1, N" << true << "1,N" << QList<int>{1, 10};
    QTest::newRow("out of order and overlapping")
        << "7,1-3,2-4" << true << "1-4,7" << QList<int>{1, 2, 3, 4, 7};
    QTest::newRow("touching ranges join") << "1-2,3-4" << true << "1-4" << QList<int>{1, 2, 3, 4};
    QTest::newRow("the last page named twice") << "9-N,N" << true << "9-N" << QList<int>{9, 10};
    QTest::newRow("pages past the end") << "11-12" << true << "11-12" << QList<int>{};
    QTest::newRow("a word") << "abc" << false << "" << QList<int>{};
    QTest::newRow("page zero") << "0" << false << "" << QList<int>{};
    QTest::newRow("empty") << "" << false << "" << QList<int>{};
    QTest::newRow("descending") << "3-1" << false << "" << QList<int>{};
    QTest::newRow("an empty item") << "1,,3" << false << "" << QList<int>{};
    QTest::newRow("a decimal count") << "2.5" << false << "" << QList<int>{};
    QTest::newRow("a negative page") << "-2" << false << "" << QList<int>{};
    QTest::newRow("a range from the last") << "N-3" << false << "" << QList<int>{};
}

void TestPageSelection::pageLists() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, canonical);
    QFETCH(QList<int>, ofTen);
    const std::optional<PageSelection> selection = PageSelection::parse(text);
    QCOMPARE(selection.has_value(), valid);
    if (!selection)
        return;
    QCOMPARE(selection->text(), canonical);
    const std::vector<int> pages = selection->pagesIn(10);
    QCOMPARE(QList<int>(pages.begin(), pages.end()), ofTen);
    QCOMPARE(selection->countIn(10), ofTen.size());
    // Counted without listing them: a damaged file can claim billions of pages.
    const int ofHuge = selection->countIn(INT_MAX);
    QVERIFY(ofHuge >= ofTen.size() && (ofHuge < 20 || selection->needsPageCount()));
    // The canonical text reads back as the same selection.
    QCOMPARE(PageSelection::parse(canonical), selection);
}

QTEST_GUILESS_MAIN(TestPageSelection)
#include "tst_pageselection.moc"
