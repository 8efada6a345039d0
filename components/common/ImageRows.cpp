#include "ImageRows.h"

#include <algorithm>
#include <array>

namespace {

// Whether JPEG data ends with its end-of-image marker (trailing bytes after it allowed): data
// cut short lacks it, so only such data needs decoding to learn how many rows it holds.
bool jpegIsComplete(const fz_buffer* buffer) {
    const std::size_t tail = std::min<std::size_t>(buffer->len, 64);
    const unsigned char* end = buffer->data + buffer->len;
    for (const unsigned char* p = end - tail; p + 1 < end; ++p)
        if (p[0] == 0xFF && p[1] == 0xD9)
            return true;
    return false;
}

} // namespace

int decodedImageRows(fz_context* ctx, fz_image* image) {
    fz_compressed_buffer* data = fz_compressed_image_buffer(ctx, image);
    if (!data || !data->buffer || image->w <= 0 || image->h <= 0)
        return image->h;
    const std::size_t stride =
        (std::size_t(image->w) * std::size_t(image->n) * std::size_t(image->bpc) + 7) / 8;
    const std::size_t whole = stride * std::size_t(image->h);
    switch (data->params.type) {
    case FZ_IMAGE_RAW:
        return int(std::min(whole, data->buffer->len) / stride);
    case FZ_IMAGE_FLATE:
    case FZ_IMAGE_LZW:
    case FZ_IMAGE_RLD:
    case FZ_IMAGE_FAX:
        break;
    case FZ_IMAGE_JPEG:
        if (jpegIsComplete(data->buffer))
            return image->h;
        break;
    default:
        return image->h;
    }
    if (whole > kLargestCheckedImage)
        return image->h;
    std::size_t total = 0;
    fz_stream* stream = nullptr;
    fz_var(stream);
    fz_var(total);
    fz_try(ctx) {
        int l2factor = 0;
        stream = fz_open_image_decomp_stream_from_buffer(ctx, data, &l2factor);
        std::array<unsigned char, 64 * 1024> sink;
        for (std::size_t n;
             total < whole && (n = fz_read(ctx, stream, sink.data(), sink.size())) > 0;)
            total += n;
    }
    fz_always(ctx) {
        fz_drop_stream(ctx, stream);
    }
    fz_catch(ctx) {
        // A decoding error ends the data where it stopped, as it does for the renderer.
    }
    return int(std::min(total, whole) / stride);
}
