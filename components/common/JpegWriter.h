#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

// Streams an image to a JPEG file row band by row band (libjpeg-turbo scanline interface), so
// a huge page never needs to be in memory at once.
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

    // Each call returns false once anything failed; error() then says what.
    bool begin(QIODevice& out, int width, int height, Colour colour, int quality);
    bool writeRows(const unsigned char* samples, int rows, std::ptrdiff_t stride);
    bool finish();
    QString error() const { return m_error; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    QString m_error;
    double m_dotsPerInch = 0;
};
