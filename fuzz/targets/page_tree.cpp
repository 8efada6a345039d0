// Page-tree repair on any bytes opened as a PDF: the page count, then every page of the
// (possibly rebuilt) tree looked up as the renderer looks it up next.
#include "FuzzMuPdf.h"
#include "FuzzSupport.h"
#include "PageTree.h"

#include <algorithm>

namespace {

// Pages looked up at most: enough to walk a rebuilt tree, few enough to keep inputs fast.
constexpr int kPagesLookedUp = 64;

void countAndLookUp(fz_context* ctx, const std::uint8_t* data, std::size_t size) {
    fz_stream* stream = nullptr;
    pdf_document* doc = nullptr;
    fz_var(stream);
    fz_var(doc);
    fz_try(ctx) {
        stream = fz_open_memory(ctx, data, size);
        doc = pdf_open_document_with_stream(ctx, stream);
        const int pages = countPagesRepairing(ctx, doc);
        if (pages < 0)
            broken("a page count is never negative");
        for (int i = 0; i < std::min(pages, kPagesLookedUp); ++i)
            pdf_lookup_page_obj(ctx, doc, i);
    }
    fz_always(ctx) {
        pdf_drop_document(ctx, doc);
        fz_drop_stream(ctx, stream);
    }
    fz_catch(ctx) {
        // MuPDF refusing a damaged file is the expected outcome for most inputs.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    countAndLookUp(fuzzContext(), data, size);
    return 0;
}
