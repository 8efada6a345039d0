#include "JpegWriter.h"

#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// The library's default ends the process; an encoder error must only fail this image.
void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->base.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr, int) {}

} // namespace

struct JpegWriter::State {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    QIODevice* device = nullptr;
    unsigned char* buffer = nullptr; // libjpeg-turbo's memory destination (malloc)
    unsigned long size = 0;
    bool created = false;
    bool failed = false;
};

JpegWriter::JpegWriter() : m_state(std::make_unique<State>()) {}

JpegWriter::~JpegWriter() {
    if (m_state->created)
        jpeg_destroy_compress(&m_state->cinfo);
    std::free(m_state->buffer);
}

bool JpegWriter::begin(QIODevice& out, int width, int height, Colour colour, int quality) {
    State& s = *m_state;
    s.cinfo.err = jpeg_std_error(&s.err.base);
    s.err.base.error_exit = onError;
    s.err.base.emit_message = onMessage;
    if (setjmp(s.err.jump)) {
        s.failed = true;
        m_error = QString::fromLocal8Bit(s.err.message);
        return false;
    }
    jpeg_create_compress(&s.cinfo);
    s.created = true;
    s.device = &out;
    jpeg_mem_dest(&s.cinfo, &s.buffer, &s.size);
    s.cinfo.image_width = JDIMENSION(width);
    s.cinfo.image_height = JDIMENSION(height);
    s.cinfo.input_components = colour == Colour::Gray ? 1 : 3;
    s.cinfo.in_color_space = colour == Colour::Gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&s.cinfo);
    jpeg_set_quality(&s.cinfo, quality, TRUE);
    if (m_dotsPerInch >= 0.5) {
        const auto density = UINT16(std::min(std::lround(m_dotsPerInch), 65535L));
        s.cinfo.density_unit = 1; // dots per inch
        s.cinfo.X_density = density;
        s.cinfo.Y_density = density;
    }
    s.cinfo.dct_method = JDCT_IFAST;
    // Grey in, grey out: the encoder's colour conversion and downsampling would only copy the
    // samples (byte by byte) and repeat the edges, which padBlocks() does in place.
    s.cinfo.raw_data_in = m_blockInput && colour == Colour::Gray ? TRUE : FALSE;
    jpeg_start_compress(&s.cinfo, TRUE);
    return true;
}

bool JpegWriter::writeRows(const unsigned char* samples, int rows, std::ptrdiff_t stride) {
    State& s = *m_state;
    if (s.failed)
        return false;
    if (setjmp(s.err.jump)) {
        s.failed = true;
        m_error = QString::fromLocal8Bit(s.err.message);
        return false;
    }
    JSAMPROW pointers[64];
    for (int done = 0; done < rows;) {
        const int batch = std::min(rows - done, 64);
        for (int i = 0; i < batch; ++i)
            pointers[i] = const_cast<JSAMPROW>(samples + (done + i) * stride);
        done += int(jpeg_write_scanlines(&s.cinfo, pointers, JDIMENSION(batch)));
    }
    return true;
}

bool JpegWriter::writeBlockRows(const unsigned char* samples, std::ptrdiff_t stride) {
    State& s = *m_state;
    if (s.failed)
        return false;
    if (!s.cinfo.raw_data_in) {
        s.failed = true;
        m_error = QStringLiteral("block input was not chosen for this image");
        return false;
    }
    if (setjmp(s.err.jump)) {
        s.failed = true;
        m_error = QString::fromLocal8Bit(s.err.message);
        return false;
    }
    JSAMPROW rows[DCTSIZE];
    JSAMPARRAY component[1] = {rows};
    const int height = int(s.cinfo.image_height);
    for (int top = 0; top < height; top += DCTSIZE) {
        for (int i = 0; i < DCTSIZE; ++i)
            rows[i] = const_cast<JSAMPROW>(samples + (top + i) * stride);
        jpeg_write_raw_data(&s.cinfo, component, DCTSIZE);
    }
    return true;
}

void JpegWriter::padBlocks(unsigned char* samples, int width, int rows, std::ptrdiff_t stride) {
    const int paddedWidth = blockAligned(width);
    for (int y = 0; y < rows; ++y) {
        unsigned char* row = samples + y * stride;
        std::fill(row + width, row + paddedWidth, row[width - 1]);
    }
    for (int y = rows; y < blockAligned(rows); ++y)
        std::copy_n(samples + (rows - 1) * stride, paddedWidth, samples + y * stride);
}

bool JpegWriter::finish() {
    State& s = *m_state;
    if (s.failed)
        return false;
    if (setjmp(s.err.jump)) {
        s.failed = true;
        m_error = QString::fromLocal8Bit(s.err.message);
        return false;
    }
    jpeg_finish_compress(&s.cinfo);
    if (s.device->write(reinterpret_cast<const char*>(s.buffer), qint64(s.size)) !=
        qint64(s.size)) {
        s.failed = true;
        m_error = QStringLiteral("cannot write the image file: ") + s.device->errorString();
        return false;
    }
    return true;
}
