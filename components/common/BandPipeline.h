#pragma once

#include "JpegWriter.h"
#include "MuContext.h"

#include <memory>
#include <thread>
#include <vector>

class QIODevice;

// One page ready to rasterize: its display list and where it lands in pixels.
struct PageRaster {
    fz_display_list* list = nullptr; // borrowed
    fz_matrix ctm = fz_identity;
    int width = 0;
    int height = 0;
    JpegWriter::Colour colour = JpegWriter::Colour::Rgb;
    double dotsPerInch = 0; // the resolution recorded in the JPEG; 0 = none
};

// Rows per band for a page, given the memory one band may take: whole JPEG block rows, at
// least eight bands a page where memory allows (so both cores get work), and few enough
// blocks per band for a JPEG restart interval.
int bandRowsFor(const PageRaster& page, std::size_t bandBytes);

// Writes a page as one baseline JPEG. Helper threads (clones of the context) each take the
// next band, rasterize it and compress it on its own; the bands are joined in order with
// restart markers between them, which is what restart intervals exist for. The work starts
// at construction, so it runs while the caller waits for the name of the file; at most a few
// bands are held before writeTo() takes them. Destroying the encoder stops the helpers.
class BandEncoder {
public:
    BandEncoder(fz_context* ctx, const PageRaster& page, int quality, int bandRows);
    ~BandEncoder();
    BandEncoder(const BandEncoder&) = delete;
    BandEncoder& operator=(const BandEncoder&) = delete;

    // Writes the whole image to out; an empty text on success, otherwise the reason.
    QString writeTo(QIODevice& out);

    struct Job; // shared with the helper threads

private:
    std::unique_ptr<Job> m_job;
    std::vector<std::thread> m_workers;
};
