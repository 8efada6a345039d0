#include "PdfEngine.h"

#include "BandPipeline.h"
#include "GhostscriptPage.h"
#include "ImageCensus.h"
#include "MemoryBudget.h"
#include "MuContext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>

namespace {

// The settings with MuPDF's cache at most a quarter of what the budget lets MuPDF take.
EngineSettings withinBudget(EngineSettings settings) {
    settings.storeBytes = std::min(settings.storeBytes, CappedAllocator::process().cap() / 4);
    return settings;
}

// Pages recorded and rendering beyond the current one, for a caller that said how far it goes:
// with one helper each, together with the current page they keep every processor of the
// server's share busy, and at least two keep it busy while the next page is recorded and the
// answers travel.
int pagesAhead() {
    return std::max(2, helperShare());
}

// What identifies "the same file" for reusing a parsed document.
struct FileStamp {
    QString path;
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileStamp&) const = default;

    static FileStamp of(const QString& path) {
        const QFileInfo info(path);
        return {path, info.size(), info.lastModified()};
    }
};

pdf_document* openPdf(fz_context* ctx, const QByteArray& path, QString& error) {
    pdf_document* doc = nullptr;
    fz_var(doc);
    fz_try(ctx) {
        doc = pdf_open_document(ctx, path.constData());
        if (pdf_count_pages(ctx, doc) < 1)
            fz_throw(ctx, FZ_ERROR_GENERIC, "no pages");
    }
    fz_catch(ctx) {
        pdf_drop_document(ctx, doc);
        doc = nullptr;
        error = QStringLiteral("cannot open the file as a PDF document: ") + caughtMessage(ctx);
    }
    return doc;
}

// Records the page as a display list and tells whether anything on it has colour.
fz_display_list* recordPage(fz_context* ctx, pdf_document* doc, int index, fz_rect& bounds,
                            bool& colour, QString& error) {
    fz_page* page = nullptr;
    fz_display_list* list = nullptr;
    fz_device* test = nullptr;
    fz_var(page);
    fz_var(list);
    fz_var(test);
    fz_try(ctx) {
        page = fz_load_page(ctx, &doc->super, index);
        bounds = fz_bound_page(ctx, page);
        list = fz_new_display_list_from_page(ctx, page);
    }
    fz_always(ctx) {
        fz_drop_page(ctx, page);
    }
    fz_catch(ctx) {
        fz_drop_display_list(ctx, list);
        error = QStringLiteral("cannot load the page: ") + caughtMessage(ctx);
        return nullptr;
    }
    // A page without colour is rendered and encoded with one channel instead of three.
    int isColour = 0;
    fz_try(ctx) {
        // Images are judged by their colour space, not by their pixels: the pixel check
        // reads uninitialised memory for indexed images in this MuPDF, so the same page could
        // come out grey one time and in colour the next.
        test = fz_new_test_device(ctx, &isColour, 0.01f, FZ_TEST_OPT_SHADINGS, nullptr);
        fz_run_display_list(ctx, list, test, fz_identity, fz_infinite_rect, nullptr);
        fz_close_device(ctx, test);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, test);
    }
    fz_catch(ctx) {
        isColour = 1;
    }
    colour = isColour != 0;
    return list;
}

} // namespace

// A recorded page with its raster at one resolution and the encoder rendering it.
struct LoadedPage {
    int index = -1;
    double dpi = 0;
    fz_display_list* list = nullptr;
    PageRaster raster;
    std::unique_ptr<BandEncoder> encoder; // its helpers read the display list
    bool viaGhostscript = false;          // an image too large for MuPDF's budget
};

struct PdfEngine::Impl {
    EngineSettings settings;
    MuContext mu;
    pdf_document* doc = nullptr;
    FileStamp stamp;
    int pages = 0;
    int lastPage = 0; // the last page the caller will load; 0 when it did not say
    LoadedPage page;
    // A batch that said how far it goes gets the next pages recorded and rendering while the
    // current one is still being encoded and while its answers travel, so every processor stays
    // busy across page ends. Never past the caller's last page or the end of the document.
    std::deque<LoadedPage> ahead;
    quint64 saveCounter = 0;
    int recorded = 0;

    explicit Impl(EngineSettings s)
        : settings(withinBudget(s)), mu(settings.storeBytes, CappedAllocator::process().context()) {
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
        // The furthest first: its helpers are the least advanced.
        while (!ahead.empty()) {
            drop(ahead.back());
            ahead.pop_back();
        }
    }
    // helpers: one for a page among others in flight (each then has its own processor, and
    // no two helpers decode the same image side by side), the server's share for a page alone.
    void startEncoder(LoadedPage& loaded, int helpers) {
        if (loaded.viaGhostscript)
            return;
        loaded.encoder =
            std::make_unique<BandEncoder>(mu.get(), loaded.raster, settings.jpegQuality,
                                          bandRowsFor(loaded.raster, settings.bandBytes), helpers);
    }
    int renderAheadEnd() const { return std::min(pages, lastPage); }
    // Records page index (0-based) at dpi into loaded; an error text when it cannot be.
    QString record(LoadedPage& loaded, int index, double dpi);
    bool takeAhead(int index, double dpi);
    QString saveWithGhostscript(const QString& temporary) const;
    void fillAhead(int index, double dpi);
    void dropDocument() {
        dropAhead();
        pdf_drop_document(mu.get(), doc);
        doc = nullptr;
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
    const int end = renderAheadEnd(); // one past the last index to render
    int next = ahead.empty() ? index + 1 : ahead.back().index + 1;
    while (int(ahead.size()) < pagesAhead() && next < end) {
        LoadedPage loaded;
        if (!record(loaded, next, dpi).isEmpty())
            return;
        startEncoder(loaded, 1);
        ahead.push_back(std::move(loaded));
        ++next;
    }
}

QString PdfEngine::Impl::record(LoadedPage& loaded, int index, double dpi) {
    fz_context* ctx = mu.get();
    fz_rect bounds;
    bool colour = true;
    QString error;
    fz_display_list* list = recordPage(ctx, doc, index, bounds, colour, error);
    if (!list)
        return error;
    ++recorded;
    const double scale = dpi / 72.0;
    const double width = std::round((bounds.x1 - bounds.x0) * scale);
    const double height = std::round((bounds.y1 - bounds.y0) * scale);
    if (width > settings.largestSide || height > settings.largestSide || width < 1 || height < 1) {
        fz_drop_display_list(ctx, list);
        return QStringLiteral("the page would be %1 x %2 pixels at this resolution")
            .arg(width)
            .arg(height);
    }
    const float s = float(scale);
    loaded.index = index;
    loaded.dpi = dpi;
    loaded.list = list;
    loaded.raster = {list, fz_make_matrix(s, 0, 0, s, -bounds.x0 * s, -bounds.y0 * s), int(width),
                     int(height), colour ? JpegWriter::Colour::Rgb : JpegWriter::Colour::Gray};
    // MuPDF decodes each image whole. One that does not fit the cache is decoded again for
    // every band, on every helper at once: slow, and far more memory than the page needs. Such
    // pages, and any whose images would take half the budget, go to Ghostscript, which streams
    // images. The choice depends on the page and the budget only, so a page comes out the same
    // every time.
    const std::size_t images = largestImageBytes(ctx, list, loaded.raster.ctm);
    loaded.viaGhostscript =
        images > settings.storeBytes || images > CappedAllocator::process().cap() / 2;
    return {};
}

PdfEngine::PdfEngine(EngineSettings settings) : d(std::make_unique<Impl>(settings)) {}

PdfEngine::~PdfEngine() = default;

EngineOutcome PdfEngine::openDocument(const QString& path) {
    const FileStamp stamp = FileStamp::of(path);
    if (d->doc && stamp == d->stamp)
        return EngineOutcome::success();
    d->drop(d->page);
    d->dropDocument();
    if (!QFileInfo(path).isFile())
        return EngineOutcome::failure(QStringLiteral("cannot open the file: it does not exist"));
    fz_context* ctx = d->mu.get();
    QString error;
    pdf_document* doc = openPdf(ctx, QFile::encodeName(path), error);
    if (!doc)
        return EngineOutcome::failure(error);
    if (pdf_needs_password(ctx, doc)) {
        pdf_drop_document(ctx, doc);
        return EngineOutcome::failure(QStringLiteral("the document needs a password"));
    }
    d->doc = doc;
    d->stamp = stamp;
    d->pages = pdf_count_pages(ctx, doc);
    return EngineOutcome::success();
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

EngineOutcome PdfEngine::loadPage(int pageNumber, double dpi) {
    const int index = pageNumber - 1;
    d->drop(d->page);
    if (!d->doc)
        return EngineOutcome::failure(QStringLiteral("no document is open"));
    if (!std::isfinite(dpi) || dpi <= 0) {
        d->dropAhead();
        return EngineOutcome::failure(QStringLiteral("the resolution must be above 0"));
    }
    if (pageNumber < 1 || pageNumber > d->pages) {
        d->dropAhead();
        return EngineOutcome::failure(
            QStringLiteral("there is no page %1: the document has %2 pages")
                .arg(pageNumber)
                .arg(d->pages));
    }
    if (!d->takeAhead(index, dpi)) {
        const QString error = d->record(d->page, index, dpi);
        if (!error.isEmpty())
            return EngineOutcome::failure(error);
        // Rendering starts at once: a loaded page is almost always saved next.
        const bool followed = index + 1 < d->renderAheadEnd();
        d->startEncoder(d->page, followed ? 1 : helperShare());
    }
    d->fillAhead(index, dpi);
    return EngineOutcome::success();
}

// Renders the current page with Ghostscript into temporary, replacing what is there.
QString PdfEngine::Impl::saveWithGhostscript(const QString& temporary) const {
    const GhostscriptPage fallback{stamp.path, page.index + 1, page.dpi,
                                   page.raster.colour == JpegWriter::Colour::Rgb,
                                   settings.jpegQuality};
    const QString error = fallback.renderTo(temporary);
    if (error.isEmpty())
        return {};
    return QStringLiteral("the page needs more memory than the budget of %1 MB allows, and %2")
        .arg(MemoryBudget::serverBytes() >> 20)
        .arg(error);
}

int PdfEngine::pagesRecorded() const {
    return d->recorded;
}

bool PdfEngine::hasPage() const {
    return d->page.list != nullptr;
}

QSize PdfEngine::pageSize() const {
    return {d->page.raster.width, d->page.raster.height};
}

EngineOutcome PdfEngine::saveJpeg(const QString& path) {
    if (!d->page.list)
        return EngineOutcome::failure(QStringLiteral("there is no image to save"));
    // The image goes to a new file beside the target and replaces it only once complete, so a
    // failed save never leaves a truncated image. No fsync: a batch writes hundreds of pages.
    const QFileInfo target(path);
    const QString temporary =
        target.absolutePath() + QStringLiteral("/.") + target.fileName() +
        QStringLiteral(".%1-%2.part").arg(QCoreApplication::applicationPid()).arg(++d->saveCounter);
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return EngineOutcome::failure(
            QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString()));
    QString error;
    bool viaGhostscript = d->page.viaGhostscript;
    if (!viaGhostscript) {
        if (!d->page.encoder)
            d->startEncoder(d->page, helperShare());
        error = d->page.encoder->writeTo(file);
        viaGhostscript = !error.isEmpty() && d->page.encoder->ranOutOfMemory();
        d->page.encoder.reset();
    }
    file.close();
    if (viaGhostscript) {
        error = d->saveWithGhostscript(temporary);
        if (!error.isEmpty()) {
            QFile::remove(temporary);
            return EngineOutcome::failure(Fault::Memory, error);
        }
    }
    if (error.isEmpty() && file.error() != QFileDevice::NoError)
        error = QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString());
    if (error.isEmpty() && std::rename(QFile::encodeName(temporary).constData(),
                                       QFile::encodeName(path).constData()) != 0)
        error = QStringLiteral("cannot write \"%1\": %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!error.isEmpty()) {
        QFile::remove(temporary);
        return EngineOutcome::failure(error);
    }
    return EngineOutcome::success();
}
