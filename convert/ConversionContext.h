#pragma once

#include <QString>

#include <functional>

class UserInterface;
class AutomationHost;
struct ConversionRequest;

// What a conversion procedure reads from the window, at the moment it needs it. The window
// implements it over its text fields; the command-line tool and tests over plain texts.
class ConversionView {
public:
    virtual ~ConversionView() = default;
    virtual QString outputFolderText() const = 0;
    virtual QString resolutionText() const = 0;
    virtual QString pagesText() const = 0;
};

// A view over fixed texts.
class FixedConversionView : public ConversionView {
public:
    FixedConversionView(QString outputFolder, QString resolution, QString pages)
        : m_outputFolder(std::move(outputFolder)), m_resolution(std::move(resolution)),
          m_pages(std::move(pages)) {}
    QString outputFolderText() const override { return m_outputFolder; }
    QString resolutionText() const override { return m_resolution; }
    QString pagesText() const override { return m_pages; }

private:
    QString m_outputFolder;
    QString m_resolution;
    QString m_pages;
};

// What a conversion tells of its pages as it goes, for a display of progress; either may be
// empty. Called on the conversion's own thread.
struct PageProgress {
    std::function<void(int pages)> expected; // the pages this PDF is to give, once known
    std::function<void(int pages)> written;  // the pages written so far

    void expect(int pages) const {
        if (expected)
            expected(pages);
    }
    void wrote(int pages) const {
        if (written)
            written(pages);
    }
};

// Everything one conversion procedure works with. jpgCreated is the flag the drivers judge a
// PDF by: ConvertOnePdf clears it before the procedure runs and sets it from the outcome, true
// once a JPG has really been written to the output folder.
struct ConversionContext {
    const ConversionView& view;
    UserInterface& ui;
    QString programFolder;                // holds ps/, bw/ and the component servers
    QString workFolder;                   // private to this instance; holds ps/ and bw/
    AutomationHost* automation = nullptr; // starts and reuses the component servers
    bool jpgCreated = false;
    // The password to open the PDF with; empty for none. Set for one attempt and cleared after
    // it, so it never outlives the conversion that needed it.
    QString password{};
    // What the command asks of every PDF (pages, resolution, quality, colours, size); null for
    // the window's conversion, which reads the window's texts.
    const ConversionRequest* request = nullptr;
    PageProgress progress{};
};
