#include "JpegSplice.h"

namespace {

// Block (MCU) size: greyscale 8 x 8; colour is YCbCr with 2 x 2 subsampled chroma, 16 x 16.
int blockSide(JpegWriter::Colour colour) {
    return colour == JpegWriter::Colour::Gray ? 8 : 16;
}

struct Layout {
    qsizetype heightAt = -1; // the height field of the frame header
    qsizetype scanAt = -1;   // the start-of-scan marker
    qsizetype dataAt = -1;   // the coded data after the scan header
};

bool parse(const QByteArray& jpeg, Layout& layout) {
    auto byte = [&](qsizetype i) { return int(quint8(jpeg[i])); };
    if (jpeg.size() < 6 || byte(0) != 0xFF || byte(1) != 0xD8 || byte(jpeg.size() - 2) != 0xFF ||
        byte(jpeg.size() - 1) != 0xD9)
        return false;
    for (qsizetype i = 2; i + 4 <= jpeg.size();) {
        if (byte(i) != 0xFF)
            return false;
        const int marker = byte(i + 1);
        const int length = byte(i + 2) << 8 | byte(i + 3);
        if (marker >= 0xC0 && marker <= 0xC2)
            layout.heightAt = i + 5;
        if (marker == 0xDA) {
            layout.scanAt = i;
            layout.dataAt = i + 2 + length;
            // The height is rewritten in the header kept before the scan: it must lie there.
            return layout.heightAt > 0 && layout.heightAt + 2 <= layout.scanAt &&
                   layout.dataAt <= jpeg.size() - 2;
        }
        i += 2 + length;
    }
    return false;
}

void appendWord(QByteArray& out, int value) {
    out.append(char(value >> 8 & 0xFF));
    out.append(char(value & 0xFF));
}

} // namespace

JpegSplicer::JpegSplicer(int width, int height, int bandRows, JpegWriter::Colour colour)
    : m_height(height) {
    const int side = blockSide(colour);
    m_restartInterval = bandRows / side * ((width + side - 1) / side);
}

int JpegSplicer::largestBand(int width, JpegWriter::Colour colour) {
    const int side = blockSide(colour);
    const int blocksPerRow = (width + side - 1) / side;
    return 65535 / blocksPerRow * side;
}

QByteArray JpegSplicer::piece(const QByteArray& bandJpeg, int band) const {
    Layout layout;
    if (!parse(bandJpeg, layout))
        return {};
    const QByteArray data = bandJpeg.mid(layout.dataAt, bandJpeg.size() - 2 - layout.dataAt);
    QByteArray out;
    if (band == 0) {
        out = bandJpeg.left(layout.scanAt);
        out[layout.heightAt] = char(m_height >> 8 & 0xFF);
        out[layout.heightAt + 1] = char(m_height & 0xFF);
        out.append(char(0xFF));
        out.append(char(0xDD)); // define restart interval
        appendWord(out, 4);
        appendWord(out, m_restartInterval);
        out.append(bandJpeg.mid(layout.scanAt, layout.dataAt - layout.scanAt));
    } else {
        out.append(char(0xFF));
        out.append(char(0xD0 + (band - 1) % 8));
    }
    out.append(data);
    return out;
}

QByteArray JpegSplicer::end() {
    return QByteArray("\xFF\xD9", 2);
}
