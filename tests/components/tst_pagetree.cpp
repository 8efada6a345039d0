#include "MuContext.h"
#include "PageTree.h"
#include "support/TestFiles.h"

#include <QTest>

#include <atomic>
#include <cstdlib>
#include <new>

// Blocks from operator new not yet given back. The repair keeps its findings in C++ containers
// while MuPDF reports errors by a long jump, which skips destructors: a leak shows here in any
// build, not only under the sanitizers. MuPDF itself allocates with malloc and is not counted.
namespace {
std::atomic<long> liveBlocks{0};
}

void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    ++liveBlocks;
    return block;
}

void operator delete(void* block) noexcept {
    if (!block)
        return;
    --liveBlocks;
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}

namespace {

const QByteArray kPage = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>";
const QByteArray kOrphanPage = "<< /Type /Page /MediaBox [0 0 200 100] >>";

// A catalogue read through the cross-reference table, and a table entry that sends MuPDF to
// the wrong place: looking for pages makes it rebuild the table by scanning the file, and the
// scan misses the catalogue (its "obj" line is a comment's end), so the rebuilt page tree cannot
// be hung on it any more.
QByteArray tableRebuiltWhilePagesAreSought() {
    QByteArray pdf = "%PDF-1.4\n%glued";
    const qsizetype catalogue = pdf.size();
    pdf += "1 0 obj\n<< /Type /Catalog >>\nendobj\n";
    const qsizetype tree = pdf.size();
    pdf += "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n";
    pdf += "3 0 obj\n" + kPage + "\nendobj\n";
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 4\n0000000000 65535 f \n";
    for (const qsizetype offset : {catalogue, tree, tree + 20})
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf +=
        "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace

class TestPageTree : public QObject {
    Q_OBJECT
private slots:
    void treesAreCountedOrRebuilt_data();
    void treesAreCountedOrRebuilt();

private:
    MuContext m_mu{32u << 20};
};

void TestPageTree::treesAreCountedOrRebuilt_data() {
    QTest::addColumn<QByteArray>("pdf");
    QTest::addColumn<int>("pages"); // -1: MuPDF refuses the document
    using TestFiles::pdfFromObjects;
    QTest::newRow("whole tree") << pdfFromObjects({"<< /Type /Catalog /Pages 2 0 R >>",
                                                   "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                                   kPage})
                                << 1;
    QTest::newRow("catalogue lost its tree")
        << pdfFromObjects({"<< /Type /Catalog >>",
                           "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", kPage, kPage})
        << 2;
    QTest::newRow("tree names a page")
        << pdfFromObjects({"<< /Type /Catalog /Pages 3 0 R >>",
                           "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", kPage})
        << 1;
    QTest::newRow("two trees, pages gathered")
        << pdfFromObjects({"<< /Type /Catalog >>", "<< /Type /Pages /Kids [4 0 R] /Count 1 >>",
                           "<< /Type /Pages /Kids [5 0 R] /Count 1 >>", kPage, kOrphanPage})
        << 2;
    QTest::newRow("no page anywhere") << pdfFromObjects({"<< /Type /Catalog >>", "<< >>"}) << 0;
    QTest::newRow("table rebuilt while pages are sought")
        << tableRebuiltWhilePagesAreSought() << -1;
}

// Each document gets its page count, rebuilding the tree where it was lost, and the search for
// pages leaves nothing behind, whether MuPDF accepts the result or throws.
void TestPageTree::treesAreCountedOrRebuilt() {
    QFETCH(QByteArray, pdf);
    QFETCH(int, pages);
    fz_context* ctx = m_mu.get();
    fz_stream* stream = nullptr;
    pdf_document* doc = nullptr;
    int counted = -1;
    fz_var(stream);
    fz_var(doc);
    fz_var(counted);
    const long before = liveBlocks;
    fz_try(ctx) {
        stream = fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(pdf.constData()),
                                std::size_t(pdf.size()));
        doc = pdf_open_document_with_stream(ctx, stream);
        counted = countPagesRepairing(ctx, doc);
    }
    fz_always(ctx) {
        pdf_drop_document(ctx, doc);
        fz_drop_stream(ctx, stream);
    }
    fz_catch(ctx) {
        counted = -1;
    }
    QCOMPARE(liveBlocks - before, 0L);
    QCOMPARE(counted, pages);
}

QTEST_GUILESS_MAIN(TestPageTree)
#include "tst_pagetree.moc"
