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

    // Each call returns false once anything failed; error() then says what.
    bool begin(QIODevice& out, int width, int height, Colour colour, int quality);
    bool writeRows(const unsigned char* samples, int rows, std::ptrdiff_t stride);
    bool finish();
    QString error() const { return m_error; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    QString m_error;
};
