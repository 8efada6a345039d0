#pragma once

#include "JpegWriter.h"
#include "MuContext.h"

// One page ready to rasterize: its display list and where it lands in pixels.
struct PageRaster {
    fz_display_list* list = nullptr; // borrowed
    fz_matrix ctm = fz_identity;
    int width = 0;
    int height = 0;
    JpegWriter::Colour colour = JpegWriter::Colour::Rgb;
    double dotsPerInch = 0; // the resolution recorded in the JPEG; 0 = none
};
