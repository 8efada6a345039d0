#include "ImageCensus.h"

#include <algorithm>
#include <cmath>

namespace {

struct CensusDevice {
    fz_device super;
    std::size_t largest;
};

// The reduction MuPDF picks: the largest power of two that keeps the image at least as large
// as it is drawn (and two pixels more), at most 2^6.
int reduction(const fz_image* image, fz_matrix ctm) {
    const float drawnWidth = std::sqrt(ctm.a * ctm.a + ctm.b * ctm.b);
    const float drawnHeight = std::sqrt(ctm.c * ctm.c + ctm.d * ctm.d);
    const int w = int(std::min<float>(drawnWidth, float(image->w)));
    const int h = int(std::min<float>(drawnHeight, float(image->h)));
    int l2 = 0;
    if (w > 0 && h > 0)
        while (l2 < 6 && (image->w >> (l2 + 1)) >= w + 2 && (image->h >> (l2 + 1)) >= h + 2)
            ++l2;
    return l2;
}

std::size_t decodedBytes(fz_context* ctx, const fz_image* image, fz_matrix ctm) {
    if (!image || image->w <= 0 || image->h <= 0)
        return 0;
    // Indexed images are expanded to their base colours at full size before any reduction.
    const bool indexed = image->colorspace && fz_colorspace_is_indexed(ctx, image->colorspace);
    const int l2 = indexed ? 0 : reduction(image, ctm);
    const std::size_t f = std::size_t(1) << l2;
    const std::size_t w = (std::size_t(image->w) + f - 1) >> l2;
    const std::size_t h = (std::size_t(image->h) + f - 1) >> l2;
    // An indexed image holds its index and then its base colours (at most four) and alpha.
    const std::size_t components = indexed ? 6 : std::size_t(image->n) + 1;
    return w * h * components + decodedBytes(ctx, image->mask, ctm);
}

void note(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm) {
    auto* census = reinterpret_cast<CensusDevice*>(dev);
    census->largest = std::max(census->largest, decodedBytes(ctx, image, ctm));
}

void fillImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float,
               fz_color_params) {
    note(ctx, dev, image, ctm);
}

void fillImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, fz_colorspace*,
                   const float*, float, fz_color_params) {
    note(ctx, dev, image, ctm);
}

void clipImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, fz_rect) {
    note(ctx, dev, image, ctm);
}

} // namespace

std::size_t largestImageBytes(fz_context* ctx, fz_display_list* list, fz_matrix ctm) {
    fz_device* dev = nullptr;
    std::size_t largest = 0;
    fz_var(dev);
    fz_var(largest);
    fz_try(ctx) {
        // Every other drawing call is left out: a device without it ignores it.
        auto* census = fz_new_derived_device(ctx, CensusDevice);
        dev = &census->super;
        census->largest = 0;
        dev->fill_image = fillImage;
        dev->fill_image_mask = fillImageMask;
        dev->clip_image_mask = clipImageMask;
        fz_run_display_list(ctx, list, dev, ctm, fz_infinite_rect, nullptr);
        fz_close_device(ctx, dev);
        largest = census->largest;
    }
    fz_always(ctx) {
        fz_drop_device(ctx, dev);
    }
    fz_catch(ctx) {
        largest = 0;
    }
    return largest;
}
