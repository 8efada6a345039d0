// Image row counting on image data of any kind and any length. The first 8 bytes of an input
// describe the image as a PDF's image dictionary would (kind of data, colours, bits per
// component, size, filter parameters); the rest is its data.
//
//   byte 0     kind: raw, Flate, LZW, run-length, fax, JPEG, JPEG 2000 (modulo 7)
//   byte 1     bits 0-1 colours (grey, RGB, CMYK, stencil mask), bits 2-4 bits per component
//   bytes 2-5  width - 1 and height - 1, 16 bits each, big-endian
//   byte 6     Flate/LZW predictor, fax K, JPEG colour transform
//   byte 7     LZW early change (bit 0); fax end-of-line, byte align, end-of-block, black-is-1
#include "FuzzMuPdf.h"
#include "FuzzSupport.h"
#include "ImageRows.h"

#include <array>

namespace {

constexpr std::size_t kHeader = 8;

struct Description {
    int kind = FZ_IMAGE_RAW;
    int colours = 1; // 0 for a stencil mask
    int bpc = 8;
    int width = 1;
    int height = 1;
    int parameter = 0;
    int flags = 0;
};

Description describe(const std::uint8_t* h) {
    static constexpr std::array kinds{FZ_IMAGE_RAW, FZ_IMAGE_FLATE, FZ_IMAGE_LZW, FZ_IMAGE_RLD,
                                      FZ_IMAGE_FAX, FZ_IMAGE_JPEG,  FZ_IMAGE_JPX};
    static constexpr std::array colours{1, 3, 4, 0};
    static constexpr std::array depths{1, 2, 4, 8, 16};
    Description d;
    d.kind = kinds[h[0] % kinds.size()];
    d.colours = colours[h[1] & 3];
    d.bpc = d.colours == 0 ? 1 : depths[(h[1] >> 2 & 7) % depths.size()];
    d.width = (h[2] << 8 | h[3]) + 1;
    d.height = (h[4] << 8 | h[5]) + 1;
    d.parameter = h[6];
    d.flags = h[7];
    return d;
}

// The compression parameters MuPDF would take from the image's decode parameters.
fz_compression_params parameters(const Description& d) {
    static constexpr std::array predictors{1, 2, 10, 11, 12, 13, 14, 15};
    const int colours = d.colours == 0 ? 1 : d.colours;
    fz_compression_params p{};
    p.type = d.kind;
    const int predictor = predictors[d.parameter % predictors.size()];
    if (d.kind == FZ_IMAGE_FLATE) {
        p.u.flate = {d.width, colours, predictor, d.bpc};
    } else if (d.kind == FZ_IMAGE_LZW) {
        p.u.lzw = {d.width, colours, predictor, d.bpc, d.flags & 1};
    } else if (d.kind == FZ_IMAGE_FAX) {
        p.u.fax.columns = d.width;
        p.u.fax.rows = d.height;
        p.u.fax.k = int(std::int8_t(d.parameter));
        p.u.fax.end_of_line = d.flags & 1;
        p.u.fax.encoded_byte_align = d.flags >> 1 & 1;
        p.u.fax.end_of_block = d.flags >> 2 & 1;
        p.u.fax.black_is_1 = d.flags >> 3 & 1;
    } else if (d.kind == FZ_IMAGE_JPEG) {
        p.u.jpeg.color_transform = d.parameter % 3 - 1;
    }
    return p;
}

fz_colorspace* colourSpace(fz_context* ctx, int colours) {
    switch (colours) {
    case 1:
        return fz_device_gray(ctx);
    case 3:
        return fz_device_rgb(ctx);
    case 4:
        return fz_device_cmyk(ctx);
    default:
        return nullptr;
    }
}

void countRows(fz_context* ctx, const Description& d, const std::uint8_t* data, std::size_t size) {
    fz_image* image = nullptr;
    fz_var(image);
    fz_try(ctx) {
        fz_compressed_buffer* compressed = fz_malloc_struct(ctx, fz_compressed_buffer);
        compressed->params = parameters(d);
        fz_try(ctx) {
            compressed->buffer = fz_new_buffer_from_copied_data(ctx, data, size);
        }
        fz_catch(ctx) {
            fz_free(ctx, compressed);
            fz_rethrow(ctx);
        }
        image = fz_new_image_from_compressed_buffer(
            ctx, d.width, d.height, d.bpc, colourSpace(ctx, d.colours), 72, 72, 0, d.colours == 0,
            nullptr, nullptr, compressed, nullptr);
        const int rows = decodedImageRows(ctx, image);
        if (rows < 0 || rows > image->h)
            broken("the rows counted lie between 0 and the image's height");
    }
    fz_always(ctx) {
        fz_drop_image(ctx, image);
    }
    fz_catch(ctx) {
        // An image MuPDF refuses to make is not one the renderer would count rows of.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader)
        return 0;
    countRows(fuzzContext(), describe(data), data + kHeader, size - kHeader);
    return 0;
}
