#include "JpegWriter.h"

#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

constexpr std::size_t kOutputChunk = 256 * 1024;

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

// Writes the compressed bytes to a QIODevice in large chunks and remembers a failed write
// instead of aborting, so the caller sees it when the image ends.
struct DeviceDestination {
    jpeg_destination_mgr base;
    QIODevice* device = nullptr;
    QByteArray buffer;
    bool failed = false;
};

void flushChunk(DeviceDestination* dest, std::size_t size) {
    if (!dest->failed &&
        dest->device->write(dest->buffer.constData(), qint64(size)) != qint64(size))
        dest->failed = true;
}

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    dest->base.next_output_byte = reinterpret_cast<JOCTET*>(dest->buffer.data());
    dest->base.free_in_buffer = kOutputChunk;
}

boolean emptyBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    flushChunk(dest, kOutputChunk);
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    flushChunk(dest, kOutputChunk - dest->base.free_in_buffer);
}

} // namespace

struct JpegWriter::State {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    DeviceDestination dest{};
    bool created = false;
    bool failed = false;
};

JpegWriter::JpegWriter() : m_state(std::make_unique<State>()) {}

JpegWriter::~JpegWriter() {
    if (m_state->created)
        jpeg_destroy_compress(&m_state->cinfo);
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
    s.dest.device = &out;
    s.dest.buffer.resize(qsizetype(kOutputChunk));
    s.dest.base.init_destination = initDestination;
    s.dest.base.empty_output_buffer = emptyBuffer;
    s.dest.base.term_destination = termDestination;
    s.cinfo.dest = &s.dest.base;
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
    if (s.dest.failed) {
        s.failed = true;
        m_error = QStringLiteral("cannot write the image file: ") + s.dest.device->errorString();
        return false;
    }
    return true;
}
