#pragma once

#include "JpegWriter.h"

#include <QByteArray>

// Joins JPEGs of consecutive bands of one image (same width, settings and tables, each band a
// whole number of block rows) into one JPEG: the first band's header with the full height and
// a restart interval of one band, then every band's coded data, a restart marker between two.
class JpegSplicer {
public:
    JpegSplicer(int width, int height, int bandRows, JpegWriter::Colour colour);

    // The bytes band `band` adds to the image; empty when its JPEG is not as expected.
    QByteArray piece(const QByteArray& bandJpeg, int band) const;
    static QByteArray end();

    // The most rows a band may have before its restart interval would exceed 65535 blocks.
    static int largestBand(int width, JpegWriter::Colour colour);

private:
    int m_height;
    int m_restartInterval;
};
