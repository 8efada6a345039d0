#include "MuContext.h"
#include "PageTree.h"
#include "support/TestFiles.h"

#include <QTest>

#include <atomic>
#include <cstdlib>
#include <new>

// Blocks not yet given back, of operator new and of MuPDF's allocator. The repair keeps its
// findings in C++ containers and hands MuPDF objects around while MuPDF reports errors by a
// long jump, which skips destructors and clobbers variables not marked for it: a leak of either
// kind shows here in any build, not only under the sanitizers.
namespace {
std::atomic<long> liveBlocks{0};
std::atomic<long> liveMuBlocks{0};

void* muAllocate(void*, std::size_t size) {
    void* block = std::malloc(size);
    if (block)
        ++liveMuBlocks;
    return block;
}

void* muReallocate(void*, void* old, std::size_t size) {
    void* block = std::realloc(old, size);
    if (block && !old)
        ++liveMuBlocks;
    return block;
}

void muRelease(void*, void* block) {
    if (block)
        --liveMuBlocks;
    std::free(block);
}

fz_alloc_context countingAllocator{nullptr, muAllocate, muReallocate, muRelease};
} // namespace

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

// A PDF whose cross-reference table MuPDF rebuilds while pages are sought: the last object's
// entry points into the one before, and reading it makes MuPDF scan the file. Object `hidden`
// is left out of the scan (its "obj" line ends a comment), so it is there while the table is
// read and gone once the table is rebuilt.
QByteArray tableRebuiltWhilePagesAreSought(const QList<QByteArray>& objects, int hidden) {
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (i + 1 == hidden)
            pdf += "%glued";
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    offsets.last() = offsets.at(offsets.size() - 2) + 20;
    TestFiles::appendCrossReference(pdf, offsets);
    return pdf;
}

} // namespace

class TestPageTree : public QObject {
    Q_OBJECT
private slots:
    void treesAreCountedOrRebuilt_data();
    void treesAreCountedOrRebuilt();

private:
    MuContext m_mu{32u << 20, &countingAllocator};
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
    QTest::newRow("catalogue gone when the tree is hung on it")
        << tableRebuiltWhilePagesAreSought(
               {"<< /Type /Catalog >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", kPage}, 1)
        << -1;
    QTest::newRow("page gone when the tree is rebuilt")
        << tableRebuiltWhilePagesAreSought({"<< /Type /Catalog >>", kOrphanPage, kOrphanPage}, 2)
        << -1;
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
    const long muBefore = liveMuBlocks;
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
    QCOMPARE(liveMuBlocks - muBefore, 0L);
    QCOMPARE(counted, pages);
}

QTEST_GUILESS_MAIN(TestPageTree)
#include "tst_pagetree.moc"
