#include "BandPipeline.h"

#include <QIODevice>

#include <array>
#include <atomic>
#include <semaphore>
#include <thread>
#include <vector>

namespace {

constexpr int kSlots = 3;

struct Band {
    unsigned char* samples = nullptr;
    int top = 0;
    int rows = 0;
    QString error;
};

struct Pipeline {
    const PageRaster& page;
    int bandRows;
    int components;
    int bandCount;
    std::array<Band, kSlots> bands;
    std::counting_semaphore<kSlots> freeSlots{kSlots};
    std::counting_semaphore<kSlots> readySlots{0};
    std::atomic<bool> stop{false};
};

// Draws rows [top, top + rows) of the page into band.samples (white background first).
QString drawBand(fz_context* ctx, const PageRaster& page, Band& band, int components) {
    fz_colorspace* cs = components == 1 ? fz_device_gray(ctx) : fz_device_rgb(ctx);
    const fz_irect box{0, band.top, page.width, band.top + band.rows};
    fz_pixmap* pix = nullptr;
    fz_device* dev = nullptr;
    QString error;
    fz_var(pix);
    fz_var(dev);
    fz_try(ctx) {
        pix = fz_new_pixmap_with_bbox_and_data(ctx, cs, box, nullptr, 0, band.samples);
        fz_clear_pixmap_with_value(ctx, pix, 255);
        dev = fz_new_draw_device(ctx, fz_identity, pix);
        fz_run_display_list(ctx, page.list, dev, page.ctm, fz_rect_from_irect(box), nullptr);
        fz_close_device(ctx, dev);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, dev);
        fz_drop_pixmap(ctx, pix);
    }
    fz_catch(ctx) {
        error = QStringLiteral("cannot render the page: ") + caughtMessage(ctx);
    }
    return error;
}

void renderAll(fz_context* base, Pipeline& p) {
    fz_context* ctx = fz_clone_context(base);
    for (int b = 0; b < p.bandCount; ++b) {
        p.freeSlots.acquire();
        Band& band = p.bands[std::size_t(b % kSlots)];
        band.top = b * p.bandRows;
        band.rows = std::min(p.bandRows, p.page.height - band.top);
        if (!ctx)
            band.error = QStringLiteral("cannot start the renderer");
        else if (!p.stop.load())
            band.error = drawBand(ctx, p.page, band, p.components);
        p.readySlots.release();
    }
    if (ctx)
        fz_drop_context(ctx);
}

} // namespace

QString encodePageInBands(fz_context* ctx, const PageRaster& page, QIODevice& out, int quality,
                          int bandRows, BandBuffers& buffers) {
    const int components = page.colour == JpegWriter::Colour::Gray ? 1 : 3;
    Pipeline p{page, bandRows, components, (page.height + bandRows - 1) / bandRows, {}};
    const std::size_t bandBytes =
        std::size_t(bandRows) * std::size_t(page.width) * std::size_t(components);
    for (std::size_t i = 0; i < p.bands.size(); ++i) {
        std::vector<unsigned char>& memory = buffers.samples[i];
        // Grows when needed and gives memory back after a very large page.
        if (memory.size() < bandBytes || memory.size() > 4 * bandBytes)
            std::vector<unsigned char>(bandBytes).swap(memory);
        p.bands[i].samples = memory.data();
    }

    JpegWriter writer;
    QString error;
    if (!writer.begin(out, page.width, page.height, page.colour, quality))
        error = writer.error();
    std::thread renderer(renderAll, ctx, std::ref(p));
    for (int b = 0; b < p.bandCount; ++b) {
        p.readySlots.acquire();
        Band& band = p.bands[std::size_t(b % kSlots)];
        if (error.isEmpty() && !band.error.isEmpty())
            error = band.error;
        if (error.isEmpty() &&
            !writer.writeRows(band.samples, band.rows, std::ptrdiff_t(page.width) * components))
            error = writer.error();
        if (!error.isEmpty())
            p.stop.store(true);
        p.freeSlots.release();
    }
    renderer.join();
    if (error.isEmpty() && !writer.finish())
        error = writer.error();
    return error;
}
