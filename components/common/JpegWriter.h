#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

// Compresses an image, fed in row bands, to a JPEG (libjpeg-turbo scanline interface) in
// memory, and writes it to the device when complete. Used for one band of a page at a time.
class JpegWriter {
public:
    enum class Colour { Gray, Rgb };

    JpegWriter();
    ~JpegWriter();
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    // The resolution the image was made at, written as its JFIF density in dots per inch
    // (rounded; 0 leaves only the aspect ratio). Takes effect at begin().
    void setDensity(double dotsPerInch) { m_dotsPerInch = dotsPerInch; }

    // Grey images only: rows are handed over as the encoder's own blocks (see writeBlockRows),
    // skipping its copy of every sample. The bytes written are the same. Takes effect at begin().
    void setBlockInput(bool blocks) { m_blockInput = blocks; }

    // Each call returns false once anything failed; error() then says what.
    bool begin(QIODevice& out, int width, int height, Colour colour, int quality);
    bool writeRows(const unsigned char* samples, int rows, std::ptrdiff_t stride);
    // With block input: every row of the image at once, as padBlocks() left them.
    bool writeBlockRows(const unsigned char* samples, std::ptrdiff_t stride);

    // Block input reads whole 8 x 8 blocks: the samples past the right and bottom edges must
    // repeat the last column and row, as the encoder itself would make them. Pads rows x width
    // grey samples in place; the buffer must hold blockAligned(rows) rows of at least
    // blockAligned(width) samples.
    static void padBlocks(unsigned char* samples, int width, int rows, std::ptrdiff_t stride);
    static int blockAligned(int n) { return (n + 7) / 8 * 8; }
    bool finish();
    QString error() const { return m_error; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    QString m_error;
    double m_dotsPerInch = 0;
    bool m_blockInput = false;
};
