#include "pdffile/PageEstimate.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <optional>

namespace {

// A PDF of the given objects ("N 0 obj ... endobj" bodies, numbered from 1) with a classic
// cross-reference table and a trailer naming object 1 as the catalog.
QByteArray pdfOf(const QList<QByteArray>& bodies) {
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype n = 0; n < bodies.size(); ++n) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(n + 1) + " 0 obj\n" + bodies[n] + "\nendobj\n";
    }
    const qsizetype table = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(bodies.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(bodies.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(table) + "\n%%EOF\n";
    return pdf;
}

// An incremental update of pdf that replaces object `number` with body.
QByteArray updated(const QByteArray& pdf, int number, const QByteArray& body) {
    const qsizetype start = pdf.lastIndexOf("startxref\n") + 10;
    const QByteArray previous = pdf.mid(start, pdf.indexOf('\n', start) - start);
    QByteArray out = pdf;
    const qsizetype offset = out.size();
    out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    const qsizetype table = out.size();
    out += "xref\n" + QByteArray::number(number) + " 1\n" +
           QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size 4 /Root 1 0 R /Prev " + previous + " >>\nstartxref\n" +
           QByteArray::number(table) + "\n%%EOF\n";
    return out;
}

const QByteArray Catalog = "<< /Type /Catalog /Pages 2 0 R >>";

QByteArray pagesWithCount(const QByteArray& count) {
    return pdfOf({Catalog, "<< /Type /Pages /Kids [] /Count " + count + " >>"});
}

QByteArray corpus(const char* name) {
    QFile file(TestPaths::corpusFile(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPageEstimate : public QObject {
    Q_OBJECT
private slots:
    void pageCount_data();
    void pageCount();
    void estimateFromBytes_data();
    void estimateFromBytes();
};

void TestPageEstimate::pageCount_data() {
    QTest::addColumn<QByteArray>("pdf");
    QTest::addColumn<qint64>("pages"); // -1: no count can be read
    // Cross-reference tables, and streams with the page tree kept in object streams.
    const QList<QPair<const char*, qint64>> real{
        {"imagemagick-images.pdf", 6}, {"mistitled_outlines_example.pdf", 4},
        {"multicolumn.pdf", 3},        {"pdflatex-4-pages.pdf", 4},
        {"pdflatex-outline.pdf", 4},   {"minimal-document.pdf", 1},
        {"base64image.pdf", 1},        {"annotated_pdf.pdf", 1}};
    for (const auto& [name, pages] : real)
        QTest::newRow(name) << corpus(name) << pages;
    QTest::newRow("a count written in a table") << pagesWithCount("12") << qint64(12);
    QTest::newRow("a count held by reference")
        << pdfOf({Catalog, "<< /Type /Pages /Kids [] /Count 3 0 R >>", "41"}) << qint64(41);
    QTest::newRow("the newest update wins")
        << updated(pagesWithCount("2"), 2, "<< /Type /Pages /Kids [] /Count 9 >>") << qint64(9);
    QTest::newRow("a negative count") << pagesWithCount("-3") << qint64(-1);
    QTest::newRow("a count no document has") << pagesWithCount("99999999999") << qint64(-1);
    QTest::newRow("a count that is no whole number") << pagesWithCount("2.5") << qint64(-1);
    QTest::newRow("a count referring to itself")
        << pdfOf({Catalog, "<< /Type /Pages /Kids [] /Count 3 0 R >>", "3 0 R"}) << qint64(-1);
    QTest::newRow("a catalog without pages")
        << pdfOf({"<< /Type /Catalog >>", "<< /Count 5 >>"}) << qint64(-1);
    const QByteArray whole = pagesWithCount("5");
    QTest::newRow("cut before its end") << whole.left(whole.size() / 2) << qint64(-1);
    QByteArray moved = whole;
    moved.replace(moved.lastIndexOf("startxref\n") + 10, 1, "9");
    QTest::newRow("a cross-reference offset that points elsewhere") << moved << qint64(-1);
    QTest::newRow("no PDF") << QByteArray("just text\n") << qint64(-1);
    QTest::newRow("nothing") << QByteArray() << qint64(-1);
    QTest::newRow("a real PDF cut short")
        << corpus("pdflatex-4-pages.pdf").chopped(200) << qint64(-1);
}

// The count comes from the page tree as the file's newest cross-reference section finds it;
// a file that is damaged where it matters gives none rather than a guess.
void TestPageEstimate::pageCount() {
    QFETCH(QByteArray, pdf);
    QFETCH(qint64, pages);
    const std::optional<qint64> count = ReadPageCount(pdf);
    QCOMPARE(count.value_or(-1), pages);
}

void TestPageEstimate::estimateFromBytes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("pages");
    QTest::addColumn<bool>("fromTree");
    const QString absent = "/nonexistent/file.pdf";
    QTest::newRow("a real PDF") << TestPaths::corpusFile("multicolumn.pdf")
                                << QFileInfo(TestPaths::corpusFile("multicolumn.pdf")).size()
                                << qint64(3) << true;
    QTest::newRow("empty") << absent << qint64(0) << qint64(0) << false;
    QTest::newRow("one byte") << absent << qint64(1) << qint64(1) << false;
    QTest::newRow("a page's bytes") << absent << BytesPerPage << qint64(1) << false;
    QTest::newRow("a byte more") << absent << BytesPerPage + 1 << qint64(2) << false;
    QTest::newRow("a gigabyte is capped")
        << absent << (qint64(1) << 30) << MaxPagesFromBytes << false;
}

// Without a page tree to read, a file weighs by its size, within bounds.
void TestPageEstimate::estimateFromBytes() {
    QFETCH(QString, path);
    QFETCH(qint64, size);
    QFETCH(qint64, pages);
    QFETCH(bool, fromTree);
    const PageEstimate estimate = EstimatePages(path, size);
    QCOMPARE(estimate.pages, pages);
    QCOMPARE(estimate.source == PageEstimate::Source::PageTree, fromTree);
}

QTEST_GUILESS_MAIN(TestPageEstimate)
#include "tst_pageestimate.moc"
