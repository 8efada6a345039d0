#pragma once

#include "PageRaster.h"
#include "RenderPool.h"

#include <memory>

class QIODevice;

// Rows per band for a page, given the memory one band may take: whole JPEG block rows, at
// least eight bands a page where memory allows (so both cores get work), and few enough
// blocks per band for a JPEG restart interval.
int bandRowsFor(const PageRaster& page, std::size_t bandBytes);

// Rasterizes and compresses one band of a page as a JPEG of its own (a pool's BandRenderer).
BandSegment renderBand(fz_context* ctx, const BandJob& job, int band,
                       std::vector<unsigned char>& samples);

// Writes a page as one baseline JPEG. The threads of the pool each take the next band,
// rasterize it and compress it on its own; the bands are joined in order with restart markers
// between them, which is what restart intervals exist for. The work starts at construction, so
// it runs while the caller waits for the name of the file; at most a few bands are held before
// writeTo() takes them. The bands, and so the bytes written, do not depend on which thread
// renders which band. Destroying the encoder stops the work on its page.
class BandEncoder {
public:
    BandEncoder(RenderPool& pool, const PageRaster& page, int quality, int bandRows);
    ~BandEncoder();
    BandEncoder(const BandEncoder&) = delete;
    BandEncoder& operator=(const BandEncoder&) = delete;

    // Writes the whole image to out; an empty text on success, otherwise the reason.
    QString writeTo(QIODevice& out);
    // After writeTo failed: whether MuPDF's memory budget ran out.
    bool ranOutOfMemory() const { return m_outOfMemory; }

private:
    RenderPool& m_pool;
    std::unique_ptr<BandJob> m_job;
    bool m_outOfMemory = false;
};
