#pragma once

#include <QString>

#include <optional>

// How each method of the window names the images of a PDF after its base name: the page number
// appended ("report12.jpg"), the image's position with at least three digits after a hyphen
// ("report-012.jpg"), or the export's page names ("report_Page_12.jpg").
enum class PageNumbering { Appended, Positions, ExportPages };

// How the command names images: as the method does in the window, or by a pattern such as
// "{stem}-{page:03}.jpg"; either way in the output folder or, keeping the tree, in the output
// folder followed by the PDF's own folder.
//
// Pattern tokens: {stem} the file name without ".pdf", {base} the base name (the file name cut
// before its first "."), {dir} the PDF's folder as the tree keeps it, {page} the page number and
// {page:0N} the page number with at least N digits; "{{" and "}}" stand for braces.
class OutputNaming {
public:
    OutputNaming() = default;

    // A pattern, or nothing with error saying why not: an unknown token, no page token, or a
    // ".." folder.
    static std::optional<OutputNaming> fromPattern(const QString& pattern, QString& error);

    void setKeepTree(bool keep) { m_keepTree = keep; }
    bool keepsTree() const { return m_keepTree; }
    bool hasPattern() const { return !m_pattern.isEmpty(); }
    const QString& pattern() const { return m_pattern; }
    // Whether images may land in folders below the output folder, which may need making.
    bool makesFolders() const;

    // The folder text the images of pdfPath go to: the output prefix, with the tree the PDF's
    // folder after it.
    QString folderFor(const QString& outputPrefix, const QString& pdfPath) const;

    // The path of the image of page (the position-th image written for the PDF, 1 = first) of
    // pdfPath: the output prefix (the output folder text as the images are appended to it),
    // with the tree the PDF's folder, then the method's name or the pattern's.
    QString imagePath(const QString& outputPrefix, const QString& pdfPath, int page, int position,
                      PageNumbering numbering) const;

    // The same with the page number left out: where the page number stands is Marker, and the
    // numbers written there have at least *width digits. Two PDFs whose families are equal, or
    // one of which runs into the other as "Invoice 1" page 11 and "Invoice 11" page 1 do, may
    // write images of the same name.
    QString family(const QString& outputPrefix, const QString& pdfPath, PageNumbering numbering,
                   int* width = nullptr) const;
    static constexpr QChar Marker{0x1};

    bool operator==(const OutputNaming&) const = default;

private:
    QString render(const QString& pdfPath, const QString& page) const;
    int pageWidth() const;

    QString m_pattern;
    bool m_keepTree = false;
};

// The folder of pdfPath as a tree below the output folder keeps it, with its final "/": a
// relative folder as written (cleaned), an absolute one (or one that reaches above the current
// folder) without its leading "/"; empty for a PDF of the current folder.
QString TreeFolderOf(const QString& pdfPath);

// The file name of pdfPath without a final ".pdf" (in any case).
QString PdfStem(const QString& pdfPath);
