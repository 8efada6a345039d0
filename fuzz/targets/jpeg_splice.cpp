// JPEG band splicing on any band JPEG. The first 6 bytes of an input set the image the band
// belongs to; the rest is the band's JPEG.
//
//   byte 0     bit 0 colour (grey, RGB), bits 1-7 the band's index
//   bytes 1-2  width - 1, 16 bits, big-endian (at most the largest side JPEG holds)
//   byte 3     block rows of a band - 1 (at most what the restart interval allows)
//   bytes 4-5  height - 1, 16 bits, big-endian
#include "FuzzSupport.h"
#include "JpegSplice.h"

#include <algorithm>

namespace {

constexpr std::size_t kHeader = 6;
constexpr int kLargestSide = 65500;

// The restart marker that opens band `band` (after the first): RST0 to RST7 in turn.
bool opensWithRestart(const QByteArray& piece, int band) {
    return piece.size() >= 2 && quint8(piece[0]) == 0xFF &&
           quint8(piece[1]) == 0xD0 + (band - 1) % 8;
}

void splice(const std::uint8_t* h, const QByteArray& jpeg) {
    const auto colour = h[0] & 1 ? JpegWriter::Colour::Rgb : JpegWriter::Colour::Gray;
    const int band = h[0] >> 1;
    const int width = std::min((h[1] << 8 | h[2]) + 1, kLargestSide);
    const int side = colour == JpegWriter::Colour::Gray ? 8 : 16;
    const int bandRows = std::min((h[3] + 1) * side, JpegSplicer::largestBand(width, colour));
    const int height = std::min((h[4] << 8 | h[5]) + 1, kLargestSide);
    const JpegSplicer splicer(width, height, bandRows, colour);
    const QByteArray piece = splicer.piece(jpeg, band);
    if (piece.isEmpty())
        return;
    if (band == 0) {
        // The band's own JPEG less its end marker, plus a 6-byte restart interval segment.
        if (piece.size() != jpeg.size() + 4 || !piece.startsWith("\xFF\xD8"))
            broken("the first band keeps its header and gains a restart interval");
    } else if (!opensWithRestart(piece, band) || piece.size() > jpeg.size()) {
        broken("a later band is its coded data after a restart marker");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader)
        return 0;
    const QByteArray jpeg(reinterpret_cast<const char*>(data + kHeader), qsizetype(size - kHeader));
    splice(data, jpeg);
    return 0;
}
