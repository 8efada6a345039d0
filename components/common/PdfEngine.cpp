#include "PdfEngine.h"

#include "BandPipeline.h"
#include "EngineResources.h"
#include "GhostscriptPage.h"
#include "ImageCensus.h"
#include "InlineImages.h"
#include "MemoryBudget.h"
#include "MuContext.h"
#include "PageRecording.h"
#include "PageTree.h"
#include "PdfFile.h"
#include "ReplacingFile.h"
#include "RunLedger.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <utility>

namespace {

// What identifies "the same file" for reusing a parsed document.
struct FileStamp {
    QString path;
    qint64 size = -1;
    QDateTime modified;
    QString password;
    bool operator==(const FileStamp&) const = default;

    static FileStamp of(const QString& path, const QString& password) {
        const QFileInfo info(path);
        return {path, info.size(), info.lastModified(), password};
    }
};

} // namespace

// What recording a page gave: its display list (empty for a page Ghostscript draws), its
// bounds and whether it has colour.
struct Recording {
    fz_display_list* list = nullptr;
    fz_rect bounds = fz_empty_rect;
    bool colour = true;
    bool viaGhostscript = false;
};

// A recorded page with its raster at one resolution and the encoder rendering it.
struct LoadedPage {
    int index = -1;
    double dpi = 0;
    fz_display_list* list = nullptr;
    PageRaster raster;
    std::unique_ptr<BandEncoder> encoder; // the pool's threads read the display list
    bool viaGhostscript = false;          // an image too large for MuPDF's budget
};

struct PdfEngine::Impl {
    EngineSettings settings;
    MuContext& mu;
    pdf_document* doc = nullptr;
    FILE* file = nullptr; // what doc is read from
    FileStamp stamp;
    int pages = 0;
    int lastPage = 0;         // the last page the caller will load; 0 when it did not say
    std::vector<int> planned; // the pages (0-based) the caller will load, when it said which
    RenderChoices choices;
    LoadedPage page;
    // A batch that said how far it goes gets the next pages recorded and rendering while the
    // current one is still being encoded and while its answers travel, so every processor stays
    // busy across page ends. Never past the caller's last page or the end of the document.
    std::deque<LoadedPage> ahead;
    int recorded = 0;
    bool atWork = false; // counted among the run's servers at work while a document is open
    InlineImageCensus inlineImages;

    explicit Impl(EngineSettings s)
        : settings(withinBudget(s)), mu(sharedContext(settings.storeBytes)),
          inlineImages(imageLimit()) {}
    // The most an image may take decoded for MuPDF to draw it: more would not fit its cache, or
    // would take half the budget.
    std::size_t imageLimit() const {
        return std::min(settings.storeBytes, CappedAllocator::process().cap() / 2);
    }
    ~Impl() {
        dropAhead();
        drop(page);
        dropDocument();
    }
    void drop(LoadedPage& loaded) {
        loaded.encoder.reset();
        fz_drop_display_list(mu.get(), loaded.list);
        loaded = {};
    }
    void dropAhead() {
        // The furthest first: its bands are the least advanced.
        while (!ahead.empty()) {
            drop(ahead.back());
            ahead.pop_back();
        }
    }
    void startEncoder(LoadedPage& loaded) {
        if (loaded.viaGhostscript)
            return;
        loaded.encoder =
            std::make_unique<BandEncoder>(sharedPool(mu), loaded.raster, choices.quality,
                                          bandRowsFor(loaded.raster, settings.bandBytes));
    }
    // The page after index (0-based) that the caller will load next; -1 when none is known.
    int nextPlanned(int index) const {
        if (!planned.empty()) {
            const auto next = std::upper_bound(planned.begin(), planned.end(), index);
            return next != planned.end() && *next < pages ? *next : -1;
        }
        return index + 1 < std::min(pages, lastPage) ? index + 1 : -1;
    }
    double dpiFor(int index, double dpi);
    // Records page index (0-based) at dpi into loaded, or says why it cannot be.
    EngineOutcome record(LoadedPage& loaded, int index, double dpi);
    EngineOutcome recordList(int index, double dpi, Recording& out);
    EngineOutcome standInForGhostscript(int index, const InlineImageFindings& found,
                                        Recording& out);
    EngineOutcome open(const QString& path, const QString& password);
    bool takeAhead(int index, double dpi);
    void fillAhead(int index, double dpi);
    QString saveWithGhostscript(QIODevice& out) const;
    void dropDocument() {
        dropAhead();
        inlineImages.forget();
        if (std::exchange(atWork, false))
            RunLedger::process().leave();
        pdf_drop_document(mu.get(), doc);
        doc = nullptr;
        if (file)
            std::fclose(file);
        file = nullptr;
        pages = 0;
        stamp = {};
    }
};

// Makes the page rendered ahead for index at dpi the current one; false when there is none.
bool PdfEngine::Impl::takeAhead(int index, double dpi) {
    while (!ahead.empty() && ahead.front().index < index) {
        drop(ahead.front());
        ahead.pop_front();
    }
    if (ahead.empty() || ahead.front().index != index || ahead.front().dpi != dpi) {
        dropAhead();
        return false;
    }
    page = std::move(ahead.front());
    ahead.pop_front();
    return true;
}

// Starts the pages after index that the caller will still load, up to the window.
void PdfEngine::Impl::fillAhead(int index, double dpi) {
    int next = nextPlanned(ahead.empty() ? index : ahead.back().index);
    while (int(ahead.size()) < pagesAhead() && next >= 0) {
        LoadedPage loaded;
        if (!record(loaded, next, dpiFor(next, dpi)).ok())
            return;
        startEncoder(loaded);
        ahead.push_back(std::move(loaded));
        next = nextPlanned(next);
    }
}

// The resolution page index is drawn at: dpi, or the one that fits it in the chosen box.
double PdfEngine::Impl::dpiFor(int index, double dpi) {
    if (choices.box.isEmpty())
        return dpi;
    fz_context* ctx = mu.get();
    fz_rect bounds = fz_empty_rect;
    fz_page* loaded = nullptr;
    fz_var(loaded);
    fz_try(ctx) {
        loaded = fz_load_page(ctx, &doc->super, index);
        bounds = fz_bound_page(ctx, loaded);
    }
    fz_always(ctx) {
        fz_drop_page(ctx, loaded);
    }
    fz_catch(ctx) {
        return dpi; // recording the page says what is wrong with it
    }
    const double width = bounds.x1 - bounds.x0;
    const double height = bounds.y1 - bounds.y0;
    if (!(width > 0) || !(height > 0))
        return dpi;
    // The largest scale at which both sides fit, a hair under so that rounding stays inside.
    const double scale = std::min(choices.box.width() / width, choices.box.height() / height);
    return 72.0 * scale * (1.0 - 1e-9);
}

namespace {

// A size in pixels or dots per inch as people write it: never in scientific notation.
QString plainNumber(double value) {
    return QString::number(value, 'f', value == std::round(value) ? 0 : 2);
}

} // namespace

// MuPDF decodes inline images while it records a page: a page whose inline images are too large
// for it, or that runs out of the budget while recorded, is drawn by Ghostscript instead and
// gets an empty list here.
EngineOutcome PdfEngine::Impl::recordList(int index, double dpi, Recording& out) {
    const InlineImageFindings found = inlineImages.scan(mu.get(), doc, index);
    if (found.largestBytes <= imageLimit()) {
        EngineOutcome error;
        out.list =
            recordPage(mu.get(), doc, index, float(dpi / 72.0), out.bounds, out.colour, error);
        if (out.list || error.fault != Fault::Memory)
            return error;
    }
    return standInForGhostscript(index, found, out);
}

// The page's bounds, and its colours as MuPDF judges them with its inline images too large to
// decode standing in at one pixel; a page that cannot be judged counts as having colour.
EngineOutcome PdfEngine::Impl::standInForGhostscript(int index, const InlineImageFindings& found,
                                                     Recording& out) {
    fz_context* ctx = mu.get();
    out.viaGhostscript = true;
    out.colour = found.tooLarge.empty()
                     ? true
                     : colourWithStandIns(ctx, stamp.path, stamp.password, index, found.tooLarge)
                           .value_or(true);
    EngineOutcome error;
    out.list = emptyPageList(ctx, doc, index, out.bounds, error);
    return error;
}

EngineOutcome PdfEngine::Impl::record(LoadedPage& loaded, int index, double dpi) {
    fz_context* ctx = mu.get();
    Recording page;
    if (const EngineOutcome error = recordList(index, dpi, page); !error.ok())
        return error;
    ++recorded;
    if (choices.colour != ColourMode::Auto)
        page.colour = choices.colour == ColourMode::Rgb;
    const double scale = dpi / 72.0;
    const double width = std::round(double(page.bounds.x1 - page.bounds.x0) * scale);
    const double height = std::round(double(page.bounds.y1 - page.bounds.y0) * scale);
    if (width > settings.largestSide || height > settings.largestSide || width < 1 || height < 1) {
        fz_drop_display_list(ctx, page.list);
        return EngineOutcome::failure(
            Fault::TooLarge,
            QStringLiteral("Page %1 at %2 dpi would be %3 x %4 pixels; JPEG allows at most %5 "
                           "on a side.")
                .arg(index + 1)
                .arg(plainNumber(dpi), plainNumber(width), plainNumber(height),
                     plainNumber(settings.largestSide)));
    }
    const float s = float(scale);
    const fz_rect& bounds = page.bounds;
    loaded.index = index;
    loaded.dpi = dpi;
    loaded.list = page.list;
    loaded.raster = {page.list, fz_make_matrix(s, 0, 0, s, -bounds.x0 * s, -bounds.y0 * s),
                     int(width), int(height),
                     page.colour ? JpegWriter::Colour::Rgb : JpegWriter::Colour::Gray};
    loaded.raster.dotsPerInch = dpi;
    // MuPDF decodes each image whole. One that does not fit the cache is decoded again for
    // every band, on every thread at once: slow, and far more memory than the page needs. Such
    // pages, and any whose images would take half the budget, go to Ghostscript, which streams
    // images. The choice depends on the page and the budget only, so a page comes out the same
    // every time.
    loaded.viaGhostscript =
        page.viaGhostscript || largestImageBytes(ctx, page.list, loaded.raster.ctm) > imageLimit();
    return EngineOutcome::success();
}

EngineOutcome PdfEngine::Impl::open(const QString& path, const QString& password) {
    EngineOutcome outcome;
    file = openRegularFile(path, outcome);
    if (!file)
        return outcome;
    fz_context* ctx = mu.get();
    doc = openPdf(ctx, file, outcome);
    if (doc)
        outcome = unlock(ctx, doc, password);
    if (outcome.ok()) {
        fz_try(ctx) {
            pages = countPagesRepairing(ctx, doc);
        }
        fz_catch(ctx) {
            pages = 0;
        }
        if (pages < 1)
            outcome = EngineOutcome::failure(Fault::Damaged, QStringLiteral("it has no pages."));
    }
    if (!outcome.ok())
        dropDocument();
    else
        RunLedger::process().enter();
    atWork = outcome.ok();
    return outcome;
}

PdfEngine::PdfEngine(EngineSettings settings) : d(std::make_unique<Impl>(settings)) {}

PdfEngine::~PdfEngine() = default;

EngineOutcome PdfEngine::openDocument(const QString& path, const QString& password) {
    const FileStamp stamp = FileStamp::of(path, password);
    if (d->doc && stamp == d->stamp)
        return EngineOutcome::success();
    d->drop(d->page);
    d->dropDocument();
    const EngineOutcome outcome = d->open(path, password);
    if (outcome.ok())
        d->stamp = stamp;
    return outcome;
}

void PdfEngine::closeDocument() {
    d->drop(d->page);
    d->dropDocument();
}

bool PdfEngine::hasDocument() const {
    return d->doc != nullptr;
}

int PdfEngine::pageCount() const {
    return d->pages;
}

void PdfEngine::setLastPage(int lastPage) {
    d->lastPage = std::max(0, lastPage);
}

void PdfEngine::setPlannedPages(std::vector<int> pages) {
    for (int& page : pages)
        --page; // indices from here on
    d->planned = std::move(pages);
}

void PdfEngine::setChoices(const RenderChoices& choices) {
    if (choices == d->choices)
        return;
    d->dropAhead(); // drawn or encoded otherwise
    d->choices = choices;
}

const RenderChoices& PdfEngine::choices() const {
    return d->choices;
}

EngineOutcome PdfEngine::loadPage(int pageNumber, double dpi) {
    const int index = pageNumber - 1;
    d->drop(d->page);
    if (!d->doc)
        return EngineOutcome::failure(Fault::BadArgument, QStringLiteral("No document is open."));
    if (!std::isfinite(dpi) || dpi <= 0) {
        d->dropAhead();
        return EngineOutcome::failure(Fault::BadArgument,
                                      QStringLiteral("The resolution must be above 0."));
    }
    if (pageNumber < 1 || pageNumber > d->pages) {
        d->dropAhead();
        return EngineOutcome::failure(
            pageNumber < 1 ? Fault::BadArgument : Fault::NoPage,
            QStringLiteral("There is no page %1: the document has %2 pages.")
                .arg(pageNumber)
                .arg(d->pages));
    }
    dpi = d->dpiFor(index, dpi);
    if (!d->takeAhead(index, dpi)) {
        const EngineOutcome recorded = d->record(d->page, index, dpi);
        if (!recorded.ok())
            return recorded;
        // Rendering starts at once: a loaded page is almost always saved next.
        d->startEncoder(d->page);
    }
    d->fillAhead(index, dpi);
    return EngineOutcome::success();
}

int PdfEngine::pagesRecorded() const {
    return d->recorded;
}

QSize PdfEngine::pageSize() const {
    return {d->page.raster.width, d->page.raster.height};
}

EngineOutcome PdfEngine::saveJpeg(const QString& path) {
    if (!d->page.list)
        return EngineOutcome::failure(Fault::BadArgument,
                                      QStringLiteral("There is no image to save."));
    // The image replaces the target only once complete, so a failed save never leaves a
    // truncated image. No fsync: a batch writes hundreds of pages.
    auto file = std::make_unique<ReplacingFile>();
    if (!file->create(path))
        return EngineOutcome::failure(file->fault(), file->errorText());
    QString error;
    bool viaGhostscript = d->page.viaGhostscript;
    if (!viaGhostscript) {
        if (!d->page.encoder)
            d->startEncoder(d->page);
        error = d->page.encoder->writeTo(*file);
        viaGhostscript = !error.isEmpty() && d->page.encoder->ranOutOfMemory();
        d->page.encoder.reset();
        if (file->fault() != Fault::None) // the write itself failed
            return EngineOutcome::failure(file->fault(), file->errorText());
    }
    if (viaGhostscript) {
        file = std::make_unique<ReplacingFile>(); // what MuPDF began is discarded
        if (!file->create(path))
            return EngineOutcome::failure(file->fault(), file->errorText());
        error = d->saveWithGhostscript(*file);
        if (file->fault() != Fault::None)
            return EngineOutcome::failure(file->fault(), file->errorText());
        if (!error.isEmpty())
            return EngineOutcome::failure(Fault::Memory, error);
    }
    if (!error.isEmpty())
        return EngineOutcome::failure(
            Fault::Damaged,
            withFullStop(
                QStringLiteral("page %1 cannot be drawn: %2").arg(d->page.index + 1).arg(error)));
    if (!file->commit())
        return EngineOutcome::failure(file->fault(), file->errorText());
    return EngineOutcome::success();
}

// Renders the current page with Ghostscript and writes the image to out.
QString PdfEngine::Impl::saveWithGhostscript(QIODevice& out) const {
    const GhostscriptPage fallback{stamp.path,      page.index + 1,
                                   page.dpi,        page.raster.colour == JpegWriter::Colour::Rgb,
                                   choices.quality, stamp.password};
    const QString error = fallback.renderInto(out);
    if (error.isEmpty())
        return {};
    return withFullStop(QStringLiteral("page %1 needs more than the memory budget of %2 MB, and %3")
                            .arg(page.index + 1)
                            .arg(MemoryBudget::serverBytes() >> 20)
                            .arg(error));
}
