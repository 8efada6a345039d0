#pragma once

#include "JpegWriter.h"
#include "MuContext.h"

class QIODevice;

// One page ready to rasterize: its display list and where it lands in pixels.
struct PageRaster {
    fz_display_list* list = nullptr; // borrowed
    fz_matrix ctm = fz_identity;
    int width = 0;
    int height = 0;
    JpegWriter::Colour colour = JpegWriter::Colour::Rgb;
};

// Rows per band for a page, given the memory one band may take: whole JPEG block rows, at
// least eight bands a page where memory allows (so both cores get work), and few enough
// blocks per band for a JPEG restart interval.
int bandRowsFor(const PageRaster& page, std::size_t bandBytes);

// Writes the page to out as one baseline JPEG. Helper threads (clones of ctx) each take the
// next band, rasterize it and compress it on its own; the bands are joined in order with
// restart markers between them, which is what restart intervals exist for. At most a few
// bands are in memory at a time. Returns an empty text on success, otherwise the reason.
QString encodePageInBands(fz_context* ctx, const PageRaster& page, QIODevice& out, int quality,
                          int bandRows);
