#include "BandPipeline.h"

#include <QtGlobal>

#include "JpegSplice.h"

#include <QBuffer>
#include <QIODevice>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kWorkers = 2;
constexpr int kBandsAhead = 10; // bands finished before the writer takes them

struct Segment {
    QByteArray jpeg;
    QString error;
    bool done = false;
};

} // namespace

struct BandEncoder::Job {
    PageRaster page;
    int bandRows;
    int bandCount;
    int quality;
    std::mutex mutex;
    std::condition_variable changed;
    int nextBand = 0;
    int written = 0;
    bool stop = false;
    std::vector<Segment> segments;
};

namespace {

using Job = BandEncoder::Job;

int components(const PageRaster& page) {
    return page.colour == JpegWriter::Colour::Gray ? 1 : 3;
}

// Draws rows [top, top + rows) of the page into samples (white background first).
QString drawBand(fz_context* ctx, const PageRaster& page, unsigned char* samples, int top,
                 int rows) {
    fz_colorspace* cs = components(page) == 1 ? fz_device_gray(ctx) : fz_device_rgb(ctx);
    const fz_irect box{0, top, page.width, top + rows};
    fz_pixmap* pix = nullptr;
    fz_device* dev = nullptr;
    QString error;
    fz_var(pix);
    fz_var(dev);
    fz_try(ctx) {
        pix = fz_new_pixmap_with_bbox_and_data(ctx, cs, box, nullptr, 0, samples);
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

// Rasterizes and compresses band `band` as a JPEG of its own.
Segment makeSegment(fz_context* ctx, Job& job, int band, std::vector<unsigned char>& samples) {
    Segment segment;
    const int top = band * job.bandRows;
    const int rows = std::min(job.bandRows, job.page.height - top);
    segment.error = ctx ? drawBand(ctx, job.page, samples.data(), top, rows)
                        : QStringLiteral("cannot start the renderer");
    if (!segment.error.isEmpty())
        return segment;
    QBuffer buffer(&segment.jpeg);
    buffer.open(QIODevice::WriteOnly);
    JpegWriter writer;
    writer.setDensity(job.page.dotsPerInch);
    const std::ptrdiff_t stride = std::ptrdiff_t(job.page.width) * components(job.page);
    if (!writer.begin(buffer, job.page.width, rows, job.page.colour, job.quality) ||
        !writer.writeRows(samples.data(), rows, stride) || !writer.finish())
        segment.error = writer.error();
    return segment;
}

void work(fz_context* base, Job& job) {
    fz_context* ctx = fz_clone_context(base);
    std::vector<unsigned char> samples(std::size_t(job.bandRows) * std::size_t(job.page.width) *
                                       std::size_t(components(job.page)));
    for (;;) {
        int band = 0;
        {
            std::unique_lock lock(job.mutex);
            job.changed.wait(lock, [&] {
                return job.stop || job.nextBand >= job.bandCount ||
                       job.nextBand < job.written + kBandsAhead;
            });
            if (job.stop || job.nextBand >= job.bandCount)
                break;
            band = job.nextBand++;
        }
        Segment segment = makeSegment(ctx, job, band, samples);
        {
            std::lock_guard lock(job.mutex);
            job.segments[std::size_t(band)] = std::move(segment);
            job.segments[std::size_t(band)].done = true;
        }
        job.changed.notify_all();
    }
    if (ctx)
        fz_drop_context(ctx);
}

// Waits for band `band`, then hands its compressed bytes over.
Segment takeSegment(Job& job, int band) {
    std::unique_lock lock(job.mutex);
    job.changed.wait(lock, [&] { return job.segments[std::size_t(band)].done; });
    return std::exchange(job.segments[std::size_t(band)], {});
}

QString writeBands(Job& job, QIODevice& out) {
    JpegSplicer splicer(job.page.width, job.page.height, job.bandRows, job.page.colour);
    for (int band = 0; band < job.bandCount; ++band) {
        const Segment segment = takeSegment(job, band);
        if (!segment.error.isEmpty())
            return segment.error;
        const QByteArray piece = splicer.piece(segment.jpeg, band);
        if (piece.isEmpty())
            return QStringLiteral("cannot join the image bands");
        if (out.write(piece) != piece.size())
            return QStringLiteral("cannot write the image file: ") + out.errorString();
        {
            std::lock_guard lock(job.mutex);
            job.written = band + 1;
        }
        job.changed.notify_all();
    }
    if (out.write(JpegSplicer::end()) != 2)
        return QStringLiteral("cannot write the image file: ") + out.errorString();
    return {};
}

} // namespace

int bandRowsFor(const PageRaster& page, std::size_t bandBytes) {
    const std::size_t rowBytes = std::size_t(page.width) * std::size_t(components(page));
    const int byMemory = int(std::min<std::size_t>(bandBytes / rowBytes, 1u << 20));
    const int rows =
        std::min({byMemory, page.height / 8, JpegSplicer::largestBand(page.width, page.colour)});
    return std::max(16, rows / 16 * 16);
}

namespace {
// Helper threads per page. A caller that already runs several servers side by side (the
// command line's parallel jobs) asks each for fewer through the environment, so that the
// cores are shared rather than oversubscribed. The bands, and so the bytes written, do not
// depend on it.
int helperCount() {
    static const int count = [] {
        bool ok = false;
        const int wanted = qEnvironmentVariableIntValue("PAGEKILN_RENDER_THREADS", &ok);
        return ok && wanted >= 1 ? std::min(wanted, 8) : kWorkers;
    }();
    return count;
}
} // namespace

BandEncoder::BandEncoder(fz_context* ctx, const PageRaster& page, int quality, int bandRows)
    : m_job(new Job{page,
                    bandRows,
                    (page.height + bandRows - 1) / bandRows,
                    quality,
                    {},
                    {},
                    0,
                    0,
                    false,
                    {}}) {
    m_job->segments.resize(std::size_t(m_job->bandCount));
    for (int i = 0; i < std::min(helperCount(), m_job->bandCount); ++i)
        m_workers.emplace_back(work, ctx, std::ref(*m_job));
}

BandEncoder::~BandEncoder() {
    {
        std::lock_guard lock(m_job->mutex);
        m_job->stop = true;
    }
    m_job->changed.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

QString BandEncoder::writeTo(QIODevice& out) {
    return writeBands(*m_job, out);
}
