#pragma once

#include "JpegWriter.h"
#include "MuContext.h"

#include <array>
#include <vector>

class QIODevice;

// One page ready to rasterize: its display list and where it lands in pixels.
struct PageRaster {
    fz_display_list* list = nullptr; // borrowed
    fz_matrix ctm = fz_identity;
    int width = 0;
    int height = 0;
    JpegWriter::Colour colour = JpegWriter::Colour::Rgb;
};

// Band memory kept between pages, so each page does not fault in fresh buffers.
struct BandBuffers {
    std::array<std::vector<unsigned char>, 3> samples;
};

// Rasterizes a page band by band on a helper thread (a clone of ctx) while the calling thread
// encodes the finished bands to out. Holds at most three bands in memory.
// Returns an empty text on success, otherwise the reason.
QString encodePageInBands(fz_context* ctx, const PageRaster& page, QIODevice& out, int quality,
                          int bandRows, BandBuffers& buffers);
