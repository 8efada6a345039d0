#include "BandPipeline.h"

#include "JpegSplice.h"

#include <QBuffer>
#include <QIODevice>

#include <algorithm>

namespace {

int components(const PageRaster& page) {
    return page.colour == JpegWriter::Colour::Gray ? 1 : 3;
}

// Draws rows [top, top + rows) of the page into samples, rows stride bytes apart (white
// background first).
QString drawBand(fz_context* ctx, const PageRaster& page, unsigned char* samples,
                 std::ptrdiff_t stride, int top, int rows, bool& outOfMemory) {
    fz_colorspace* cs = components(page) == 1 ? fz_device_gray(ctx) : fz_device_rgb(ctx);
    const fz_irect box{0, top, page.width, top + rows};
    fz_pixmap* pix = nullptr;
    fz_device* dev = nullptr;
    QString error;
    fz_var(pix);
    fz_var(dev);
    fz_try(ctx) {
        pix = fz_new_pixmap_with_data(ctx, cs, page.width, rows, nullptr, 0, int(stride), samples);
        pix->x = 0;
        pix->y = top;
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
        outOfMemory = fz_caught(ctx) == FZ_ERROR_MEMORY;
    }
    return error;
}

} // namespace

BandSegment renderBand(fz_context* ctx, const BandJob& job, int band,
                       std::vector<unsigned char>& samples) {
    BandSegment segment;
    const PageRaster& page = job.page;
    // Grey bands go to the encoder as its own blocks: rows as wide as whole blocks.
    const bool gray = page.colour == JpegWriter::Colour::Gray;
    const std::ptrdiff_t stride =
        gray ? JpegWriter::blockAligned(page.width) : std::ptrdiff_t(page.width) * 3;
    const std::size_t bytes = std::size_t(job.bandRows) * std::size_t(stride);
    if (samples.size() < bytes)
        samples.resize(bytes);
    const int top = band * job.bandRows;
    const int rows = std::min(job.bandRows, page.height - top);
    // A context that cannot be cloned is memory running out too.
    segment.outOfMemory = !ctx;
    segment.error =
        ctx ? drawBand(ctx, page, samples.data(), stride, top, rows, segment.outOfMemory)
            : QStringLiteral("cannot start the renderer");
    if (!segment.error.isEmpty())
        return segment;
    QBuffer buffer(&segment.jpeg);
    buffer.open(QIODevice::WriteOnly);
    JpegWriter writer;
    writer.setDensity(page.dotsPerInch);
    writer.setBlockInput(gray);
    if (gray)
        JpegWriter::padBlocks(samples.data(), page.width, rows, stride);
    if (!writer.begin(buffer, page.width, rows, page.colour, job.quality) ||
        !(gray ? writer.writeBlockRows(samples.data(), stride)
               : writer.writeRows(samples.data(), rows, stride)) ||
        !writer.finish())
        segment.error = writer.error();
    return segment;
}

int bandRowsFor(const PageRaster& page, std::size_t bandBytes) {
    const std::size_t rowBytes = std::size_t(page.width) * std::size_t(components(page));
    const int byMemory = int(std::min<std::size_t>(bandBytes / rowBytes, 1u << 20));
    const int rows =
        std::min({byMemory, page.height / 8, JpegSplicer::largestBand(page.width, page.colour)});
    return std::max(16, rows / 16 * 16);
}

BandEncoder::BandEncoder(RenderPool& pool, const PageRaster& page, int quality, int bandRows)
    : m_pool(pool), m_job(std::make_unique<BandJob>()) {
    BandJob& job = *m_job;
    job.page = page;
    job.bandRows = bandRows;
    job.bandCount = (page.height + bandRows - 1) / bandRows;
    job.quality = quality;
    job.segments.resize(std::size_t(job.bandCount));
    m_pool.add(job);
}

BandEncoder::~BandEncoder() {
    m_pool.remove(*m_job);
}

QString BandEncoder::writeTo(QIODevice& out) {
    BandJob& job = *m_job;
    JpegSplicer splicer(job.page.width, job.page.height, job.bandRows, job.page.colour);
    for (int band = 0; band < job.bandCount; ++band) {
        const BandSegment segment = m_pool.take(job, band);
        if (!segment.error.isEmpty()) {
            m_outOfMemory = segment.outOfMemory;
            return segment.error;
        }
        const QByteArray piece = splicer.piece(segment.jpeg, band);
        if (piece.isEmpty())
            return QStringLiteral("cannot join the image bands");
        if (out.write(piece) != piece.size())
            return QStringLiteral("cannot write the image file: ") + out.errorString();
        m_pool.markWritten(job, band + 1);
    }
    if (out.write(JpegSplicer::end()) != 2)
        return QStringLiteral("cannot write the image file: ") + out.errorString();
    return {};
}
