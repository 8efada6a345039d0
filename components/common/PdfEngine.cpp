#include "PdfEngine.h"

#include "BandPipeline.h"
#include "MuContext.h"
#include "PageTree.h"
#include "RecordingFilter.h"
#include "ReplacingFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The fault of the MuPDF error being caught: memory, or the given one.
Fault caughtFault(fz_context* ctx, Fault otherwise) {
    return fz_caught(ctx) == FZ_ERROR_MEMORY ? Fault::Memory : otherwise;
}

// A file that opens but holds no PDF header in its first kilobyte is another kind of file;
// one with the header that cannot be read is a damaged PDF.
bool hasPdfHeader(int fd) {
    char head[1024];
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    return n > 0 && QByteArray::fromRawData(head, qsizetype(n)).contains("%PDF-");
}

// Opens path for reading without waiting on a pipe or device, and only when it is a file.
EngineOutcome openRegularFile(const QString& path, int& fd) {
    fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return EngineOutcome::failure(Fault::Missing,
                                          QStringLiteral("The file %1 does not exist.").arg(path));
        if (error == ENXIO) // a socket
            return EngineOutcome::failure(Fault::NotRegular,
                                          QStringLiteral("%1 is not a regular file.").arg(path));
        return EngineOutcome::failure(Fault::Internal,
                                      QStringLiteral("Cannot read %1: %2.")
                                          .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fd = -1;
        return EngineOutcome::failure(
            Fault::NotRegular,
            QStringLiteral("%1 is not a regular file (a folder, pipe or device).").arg(path));
    }
    if (st.st_size == 0) {
        ::close(fd);
        fd = -1;
        return EngineOutcome::failure(Fault::NotPdf, QStringLiteral("The file is empty."));
    }
    return EngineOutcome::success();
}

// Parses the PDF read from file; the file stays open as long as the document.
pdf_document* openPdf(fz_context* ctx, FILE* file, EngineOutcome& outcome) {
    pdf_document* doc = nullptr;
    fz_stream* stream = nullptr;
    fz_var(doc);
    fz_var(stream);
    fz_try(ctx) {
        stream = fz_open_file_ptr_no_close(ctx, file);
        doc = pdf_open_document_with_stream(ctx, stream);
    }
    fz_always(ctx) {
        fz_drop_stream(ctx, stream);
    }
    fz_catch(ctx) {
        pdf_drop_document(ctx, doc);
        doc = nullptr;
        outcome = hasPdfHeader(::fileno(file))
                      ? EngineOutcome::failure(
                            caughtFault(ctx, Fault::Damaged),
                            QStringLiteral("The PDF is damaged: %1.").arg(caughtMessage(ctx)))
                      : EngineOutcome::failure(Fault::NotPdf,
                                               QStringLiteral("The file is not a PDF document."));
    }
    return doc;
}

// Unlocks doc with password where it needs one.
EngineOutcome unlock(fz_context* ctx, pdf_document* doc, const QString& password) {
    if (!pdf_needs_password(ctx, doc))
        return EngineOutcome::success();
    if (password.isEmpty())
        return EngineOutcome::failure(Fault::Password, QStringLiteral("The PDF needs a password."));
    if (!pdf_authenticate_password(ctx, doc, password.toUtf8().constData()))
        return EngineOutcome::failure(Fault::PasswordWrong,
                                      QStringLiteral("The password was not accepted."));
    return EngineOutcome::success();
}

// Records the page as a display list for rendering at scale (pixels per point) and tells
// whether anything on it has colour. One pass over the page: a test device judges the colours
// as the page states them and passes everything on to the recording, with CMYK colours
// converted on the way.
fz_display_list* recordPage(fz_context* ctx, pdf_document* doc, int index, float scale,
                            fz_rect& bounds, bool& colour, EngineOutcome& error) {
    fz_page* page = nullptr;
    fz_display_list* list = nullptr;
    fz_device* recorder = nullptr;
    fz_device* converter = nullptr;
    fz_device* test = nullptr;
    int isColour = 0;
    fz_var(page);
    fz_var(list);
    fz_var(recorder);
    fz_var(converter);
    fz_var(test);
    fz_try(ctx) {
        page = fz_load_page(ctx, &doc->super, index);
        bounds = fz_bound_page(ctx, page);
        list = fz_new_display_list(ctx, bounds);
        recorder = fz_new_list_device(ctx, list);
        converter = newRecordingFilter(ctx, recorder, scale);
        // A page without colour is rendered and encoded with one channel instead of three.
        // Images are judged by their colour space, not by their pixels: the pixel check
        // reads uninitialised memory for indexed images in this MuPDF, so the same page could
        // come out grey one time and in colour the next.
        test = fz_new_test_device(ctx, &isColour, 0.01f, FZ_TEST_OPT_SHADINGS, converter);
        fz_run_page(ctx, page, test, fz_identity, nullptr);
        fz_close_device(ctx, test);
        fz_close_device(ctx, converter);
        fz_close_device(ctx, recorder);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, test);
        fz_drop_device(ctx, converter);
        fz_drop_device(ctx, recorder);
        fz_drop_page(ctx, page);
    }
    fz_catch(ctx) {
        fz_drop_display_list(ctx, list);
        error =
            EngineOutcome::failure(caughtFault(ctx, Fault::Damaged),
                                   QStringLiteral("The PDF is damaged: page %1 cannot be read: %2.")
                                       .arg(index + 1)
                                       .arg(caughtMessage(ctx)));
        return nullptr;
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
};

struct PdfEngine::Impl {
    EngineSettings settings;
    MuContext mu;
    pdf_document* doc = nullptr;
    FILE* file = nullptr; // what doc is read from
    FileStamp stamp;
    int pages = 0;
    LoadedPage page;
    // A batch that asks for page after page gets the next one recorded and rendering while the
    // current one is still being encoded, so both processors stay busy across page ends.
    LoadedPage ahead;

    explicit Impl(EngineSettings s) : settings(s), mu(s.storeBytes) {}
    ~Impl() {
        drop(ahead);
        drop(page);
        dropDocument();
    }
    void drop(LoadedPage& loaded) {
        loaded.encoder.reset();
        fz_drop_display_list(mu.get(), loaded.list);
        loaded = {};
    }
    void startEncoder(LoadedPage& loaded) {
        loaded.encoder =
            std::make_unique<BandEncoder>(mu.get(), loaded.raster, settings.jpegQuality,
                                          bandRowsFor(loaded.raster, settings.bandBytes));
    }
    // Records page index (0-based) at dpi into loaded, or says why it cannot be.
    EngineOutcome record(LoadedPage& loaded, int index, double dpi);
    EngineOutcome open(const QString& path, const QString& password);
    void dropDocument() {
        drop(ahead);
        pdf_drop_document(mu.get(), doc);
        doc = nullptr;
        if (file)
            std::fclose(file);
        file = nullptr;
        pages = 0;
        stamp = {};
    }
};

EngineOutcome PdfEngine::Impl::record(LoadedPage& loaded, int index, double dpi) {
    fz_context* ctx = mu.get();
    fz_rect bounds;
    bool colour = true;
    EngineOutcome error;
    fz_display_list* list = recordPage(ctx, doc, index, float(dpi / 72.0), bounds, colour, error);
    if (!list)
        return error;
    const double scale = dpi / 72.0;
    const double width = std::round((bounds.x1 - bounds.x0) * scale);
    const double height = std::round((bounds.y1 - bounds.y0) * scale);
    if (width > settings.largestSide || height > settings.largestSide || width < 1 || height < 1) {
        fz_drop_display_list(ctx, list);
        return EngineOutcome::failure(
            Fault::TooLarge,
            QStringLiteral("Page %1 at %2 dpi would be %3 x %4 pixels; JPEG allows at most %5 "
                           "on a side.")
                .arg(index + 1)
                .arg(dpi)
                .arg(width)
                .arg(height)
                .arg(settings.largestSide));
    }
    const float s = float(scale);
    loaded.index = index;
    loaded.dpi = dpi;
    loaded.list = list;
    loaded.raster = {list, fz_make_matrix(s, 0, 0, s, -bounds.x0 * s, -bounds.y0 * s), int(width),
                     int(height), colour ? JpegWriter::Colour::Rgb : JpegWriter::Colour::Gray};
    loaded.raster.dotsPerInch = dpi;
    return EngineOutcome::success();
}

EngineOutcome PdfEngine::Impl::open(const QString& path, const QString& password) {
    int fd = -1;
    EngineOutcome outcome = openRegularFile(path, fd);
    if (!outcome.ok())
        return outcome;
    file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return EngineOutcome::failure(Fault::Memory, QStringLiteral("Out of memory."));
    }
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
            outcome = EngineOutcome::failure(
                Fault::Damaged, QStringLiteral("The PDF is damaged: it has no pages."));
    }
    if (!outcome.ok())
        dropDocument();
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

EngineOutcome PdfEngine::loadPage(int pageNumber, double dpi) {
    const int index = pageNumber - 1;
    const bool following = d->page.list && index == d->page.index + 1;
    d->drop(d->page);
    if (!d->doc)
        return EngineOutcome::failure(Fault::BadArgument, QStringLiteral("No document is open."));
    if (!std::isfinite(dpi) || dpi <= 0) {
        d->drop(d->ahead);
        return EngineOutcome::failure(Fault::BadArgument,
                                      QStringLiteral("The resolution must be above 0."));
    }
    if (pageNumber < 1 || pageNumber > d->pages) {
        d->drop(d->ahead);
        return EngineOutcome::failure(
            pageNumber < 1 ? Fault::BadArgument : Fault::NoPage,
            QStringLiteral("There is no page %1: the document has %2 pages.")
                .arg(pageNumber)
                .arg(d->pages));
    }
    if (d->ahead.list && d->ahead.index == index && d->ahead.dpi == dpi) {
        d->page = std::move(d->ahead);
        d->ahead = {};
    } else {
        d->drop(d->ahead);
        const EngineOutcome recorded = d->record(d->page, index, dpi);
        if (!recorded.ok())
            return recorded;
        // Rendering starts at once: a loaded page is almost always saved next.
        d->startEncoder(d->page);
    }
    // Only a batch that has already gone from one page to the next gets the following page
    // ahead of time, so converting first pages only never renders a page for nothing.
    if (following && index + 1 < d->pages && d->record(d->ahead, index + 1, dpi).ok())
        d->startEncoder(d->ahead);
    return EngineOutcome::success();
}

bool PdfEngine::hasPage() const {
    return d->page.list != nullptr;
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
    ReplacingFile file;
    if (!file.create(path))
        return EngineOutcome::failure(file.fault(), file.errorText());
    if (!d->page.encoder)
        d->startEncoder(d->page);
    const QString error = d->page.encoder->writeTo(file);
    d->page.encoder.reset();
    if (file.fault() != Fault::None) // the write itself failed
        return EngineOutcome::failure(file.fault(), file.errorText());
    if (!error.isEmpty())
        return EngineOutcome::failure(Fault::Damaged,
                                      QStringLiteral("The page cannot be drawn: %1.").arg(error));
    if (!file.commit())
        return EngineOutcome::failure(file.fault(), file.errorText());
    return EngineOutcome::success();
}
