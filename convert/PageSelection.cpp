#include "convert/PageSelection.h"

#include <QStringList>

#include <algorithm>
#include <climits>

namespace {

using Range = PageSelection::Range;

// "N" or a positive whole number of at most 9 digits; 0 for anything else.
int pageNumber(const QString& text) {
    if (text == QLatin1String("N"))
        return INT_MAX;
    if (text.isEmpty() || text.size() > 9)
        return 0;
    for (const QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9')
            return 0;
    }
    return text.toInt();
}

std::optional<Range> parseItem(const QString& item) {
    const QStringList bounds = item.split(QLatin1Char('-'));
    if (bounds.size() > 2)
        return std::nullopt;
    const int first = pageNumber(bounds.front().trimmed());
    const int last = pageNumber(bounds.back().trimmed());
    if (first == 0 || last == 0 || first > last)
        return std::nullopt;
    if (first == INT_MAX) // "N" alone, or "N-N": the last page, whichever it is
        return Range{INT_MAX, PageSelection::LastPage};
    return Range{first, last == INT_MAX ? PageSelection::LastPage : last};
}

int endOf(const Range& range) {
    return range.last == PageSelection::LastPage ? INT_MAX : range.last;
}

// Sorted, and touching or overlapping ranges joined, so that each page is taken once.
std::vector<Range> merged(std::vector<Range> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.first < b.first; });
    std::vector<Range> joined;
    for (const Range& range : ranges) {
        if (!joined.empty() && joined.back().last == PageSelection::LastPage)
            break; // the ranges so far run to the end: nothing after them adds a page
        if (!joined.empty() && range.first != INT_MAX &&
            static_cast<long long>(endOf(joined.back())) + 1 >= range.first) {
            if (endOf(range) > endOf(joined.back()))
                joined.back().last = range.last;
            continue;
        }
        joined.push_back(range);
    }
    return joined;
}

} // namespace

PageSelection::PageSelection(std::vector<Range> ranges) : m_ranges(std::move(ranges)) {}

PageSelection PageSelection::firstPages(int count) {
    return PageSelection(std::vector<Range>{{1, std::max(count, 1)}});
}

std::optional<PageSelection> PageSelection::parse(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0)
        return PageSelection();
    if (const int count = pageNumber(trimmed); count > 0 && count != INT_MAX)
        return firstPages(count);
    std::vector<Range> ranges;
    for (const QString& item : trimmed.split(QLatin1Char(','))) {
        const std::optional<Range> range = parseItem(item.trimmed());
        if (!range)
            return std::nullopt;
        ranges.push_back(*range);
    }
    return PageSelection(merged(std::move(ranges)));
}

bool PageSelection::isAll() const {
    return m_ranges.size() == 1 && m_ranges.front() == Range{1, LastPage};
}

QString PageSelection::text() const {
    if (isAll())
        return QStringLiteral("all");
    QStringList items;
    for (const Range& range : m_ranges) {
        const QString last =
            range.last == LastPage ? QStringLiteral("N") : QString::number(range.last);
        if (range.first == INT_MAX)
            items.append(QStringLiteral("N"));
        else if (range.first == range.last)
            items.append(last);
        else
            items.append(QString::number(range.first) + QLatin1Char('-') + last);
    }
    return items.join(QLatin1Char(','));
}

bool PageSelection::needsPageCount() const {
    const Range& last = m_ranges.back();
    return last.last == LastPage;
}

std::vector<int> PageSelection::pagesIn(int pageCount) const {
    std::vector<int> pages;
    for (const Range& range : m_ranges) {
        const int first = range.first == INT_MAX ? pageCount : range.first;
        const int last = std::min(endOf(range), pageCount);
        for (int page = std::max(first, pages.empty() ? 1 : pages.back() + 1); page <= last; ++page)
            pages.push_back(page);
    }
    return pages;
}

int PageSelection::pageAt(int position, int pageCount) const {
    long long seen = 0;
    int counted = 0; // the highest page counted so far
    for (const Range& range : m_ranges) {
        const int first = range.first == INT_MAX ? pageCount : std::max(range.first, counted + 1);
        const int last = std::min(endOf(range), pageCount);
        if (first > last)
            continue;
        const long long pages = static_cast<long long>(last) - first + 1;
        if (position - seen <= pages)
            return static_cast<int>(first + (position - seen) - 1);
        seen += pages;
        counted = last;
    }
    return 0;
}

int PageSelection::countIn(int pageCount) const {
    // Counted range by range: a page count read from a damaged file can be in the billions.
    long long count = 0;
    int counted = 0; // the highest page counted so far
    for (const Range& range : m_ranges) {
        const int first = std::max(range.first == INT_MAX ? pageCount : range.first, counted + 1);
        const int last = std::min(endOf(range), pageCount);
        if (first > last)
            continue;
        count += static_cast<long long>(last) - first + 1;
        counted = last;
    }
    return static_cast<int>(std::min<long long>(count, INT_MAX));
}
