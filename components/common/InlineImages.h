#pragma once

#include "MuContext.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>
#include <unordered_map>
#include <vector>

// MuPDF decodes an inline image (BI ... ID ... EI in a content stream) whole while it records
// the page, before any device sees it: the census of a recorded page (ImageCensus.h) comes too
// late for such images, and a page of a few hundred bytes can ask for gigabytes. These are
// found here in the content the page runs (its contents, forms, patterns, Type 3 glyphs, soft
// masks and annotation appearances), read the way MuPDF reads them, without decoding them.

// An inline image too large to be recorded: where it lies in the decoded data of a content
// stream, and the same image of one pixel, which stands in for it when the page is recorded
// only to learn whether it has colour.
struct InlineImageSpan {
    int object = 0;        // the content stream's object number
    std::size_t begin = 0; // at "BI"
    std::size_t end = 0;   // after "EI"
    QByteArray standIn;
};

struct InlineImageFindings {
    std::size_t largestBytes = 0; // what the largest one takes decoded, as the census counts
    std::vector<InlineImageSpan> tooLarge; // every one above the limit
};

// Finds the inline images of pages, remembering what each content stream holds while the
// document stays open (forget() when it goes).
class InlineImageCensus {
public:
    explicit InlineImageCensus(std::size_t limit) : m_limit(limit) {}

    // The inline images page index (0-based) of doc runs; the largest decoded size, and where
    // those above the limit are. A stream that cannot be read counts as holding none: recording
    // the page says what is wrong with it.
    InlineImageFindings scan(fz_context* ctx, pdf_document* doc, int index);
    void forget() { m_streams.clear(); }

    struct StreamFindings {
        std::size_t largestBytes = 0;
        std::vector<InlineImageSpan> tooLarge;
    };

private:
    std::size_t m_limit;
    std::unordered_map<int, StreamFindings> m_streams; // by object number
};

// Whether page index of the PDF at path has colour, as the recording judges it, with the inline
// images of spans replaced by their stand-ins: a second copy of the document is opened for it,
// so the first is never changed. Empty when that copy cannot be made or recorded.
std::optional<bool> colourWithStandIns(fz_context* ctx, const QString& path,
                                       const QString& password, int index,
                                       const std::vector<InlineImageSpan>& spans);
