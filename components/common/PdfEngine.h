#pragma once

#include "EngineOutcome.h"
#include "protocol/Colours.h"

#include <QSize>
#include <QString>

#include <memory>
#include <vector>

// How the pages are drawn and encoded, as a caller may choose per batch.
struct RenderChoices {
    int quality = 90;                     // JPEG quality
    ColourMode colour = ColourMode::Auto; // Auto: grey when nothing on the page has colour
    QSize box{0,
              0}; // each page fitted in this box, keeping its aspect; empty: the resolution decides
    bool operator==(const RenderChoices&) const = default;
};

struct EngineSettings {
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
    // The pages (1 = first, ascending) the caller will load from now on; those after the
    // current one are rendered ahead. Replaces the last page; empty: back to it.
    void setPlannedPages(std::vector<int> pages);

    // Quality, colours and box of the pages loaded from now on.
    void setChoices(const RenderChoices& choices);
    const RenderChoices& choices() const;

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
