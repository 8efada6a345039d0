#pragma once

#include "EngineOutcome.h"

#include <QSize>
#include <QString>

#include <memory>

struct EngineSettings {
    int jpegQuality = 90;
    std::size_t bandBytes = 4u << 20;   // memory of one band being rendered
    std::size_t storeBytes = 48u << 20; // MuPDF's cache of fonts, glyphs and images (at most)
    double largestSide = 65500.0;       // pixels; JPEG cannot hold more
};

// Renders pages of one PDF to JPEG files with MuPDF. Keeps the parsed document while the
// file stays the same (path, size, modification time), so loading page after page of one
// PDF parses it once. A page is recorded as a display list when loaded and rasterized at
// save time in bands: one thread renders the next band while this one encodes the last, and
// memory stays bounded whatever the resolution.
class PdfEngine {
public:
    explicit PdfEngine(EngineSettings settings = {});
    ~PdfEngine();
    PdfEngine(const PdfEngine&) = delete;
    PdfEngine& operator=(const PdfEngine&) = delete;

    // Opens path (a regular file only, never waiting on a pipe) with password when the
    // document needs one.
    EngineOutcome openDocument(const QString& path, const QString& password = {});
    void closeDocument();
    bool hasDocument() const;
    int pageCount() const;

    // The last page (1 = first) the caller will load from now on, going page by page; the
    // pages after the current one up to it are rendered ahead. 0 (the default): unknown, and
    // nothing is rendered that was not asked for.
    void setLastPage(int lastPage);

    // Makes page pageNumber (1 = first) of the open document the current image at dpi.
    EngineOutcome loadPage(int pageNumber, double dpi);
    QSize pageSize() const;

    // Writes the current image as a JPEG, replacing path only once the image is complete.
    EngineOutcome saveJpeg(const QString& path);

    // Pages recorded for rendering since the engine was made, those ahead included.
    int pagesRecorded() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
