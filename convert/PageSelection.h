#pragma once

#include <QString>

#include <optional>
#include <vector>

// Which pages of a PDF to convert: the first N pages (the window's count), every page, or a list
// of pages and ranges such as "1-3,7,10-N", where N stands for the last page. The pages are
// taken in ascending order, each once, whatever order the list gives them in. Pages past the
// end of a document are not there to convert: asking for them is no fault.
class PageSelection {
public:
    // A page range; last is LastPage for a range that runs to the end of the document.
    struct Range {
        int first = 1;
        int last = LastPage;
        bool operator==(const Range&) const = default;
    };
    static constexpr int LastPage = 0;

    // Every page.
    PageSelection() = default;
    static PageSelection firstPages(int count);

    // "all", a count ("3": the first three pages), or a list of pages and ranges. Blanks around
    // the items are allowed; anything else (an empty list, page 0, a descending range, a word)
    // is no selection.
    static std::optional<PageSelection> parse(const QString& text);

    bool isAll() const;
    // The canonical text: "all", or the ranges joined by "," with "N" for the last page.
    QString text() const;
    const std::vector<Range>& ranges() const { return m_ranges; }

    // True when a range runs to the end, or the list names the last page: only the document's
    // page count says which pages those are.
    bool needsPageCount() const;
    // The pages asked for of a document of pageCount pages, ascending.
    std::vector<int> pagesIn(int pageCount) const;
    // The position-th page asked for (1 = first) of a document of pageCount pages (INT_MAX when
    // not known, which serves unless the list names the last page alone); 0 when there is none.
    int pageAt(int position, int pageCount) const;
    int countIn(int pageCount) const;

    bool operator==(const PageSelection&) const = default;

private:
    explicit PageSelection(std::vector<Range> ranges);
    std::vector<Range> m_ranges{{1, LastPage}};
};
