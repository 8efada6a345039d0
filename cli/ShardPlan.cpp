#include "cli/ShardPlan.h"

#include "convert/CollisionGroups.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <numeric>
#include <set>
#include <tuple>

namespace {

// A collision group of the list: its id is the list position of its first member.
struct Group {
    int first = 0;
    qint64 weight = 0;
    int members = 0;
};

// A piece of a divided PDF: the from-th to the to-th of the pages asked for, for one share.
struct Span {
    qint64 from = 0;
    qint64 to = 0;
    int share = 0;
};

// How many of its pages a PDF counts, as the selection reads a page count.
int pageCountOf(const PdfWeight& weight) {
    return static_cast<int>(std::clamp<qint64>(weight.pages, 0, INT_MAX));
}

qint64 weightOf(const PdfWeight& weight, const std::optional<PageSelection>& pages) {
    if (pages && weight.counted)
        return pages->countIn(pageCountOf(weight));
    return std::max<qint64>(0, weight.pages);
}

// The collision groups of the list with their weights, in list order of their first members.
std::vector<Group> groupsOf(const std::vector<int>& groupOf, const std::vector<PdfWeight>& weights,
                            const std::optional<PageSelection>& pages) {
    std::vector<Group> groups;
    std::vector<int> slot(groupOf.size(), -1); // group id -> index in groups
    for (std::size_t index = 0; index < groupOf.size(); ++index) {
        const int id = groupOf[index];
        if (slot[id] < 0) {
            slot[id] = static_cast<int>(groups.size());
            groups.push_back({id, 0, 0});
        }
        Group& group = groups[slot[id]];
        group.weight += index < weights.size() ? weightOf(weights[index], pages) : 0;
        ++group.members;
    }
    return groups;
}

// The shares' loads after the whole groups went out, heaviest first, each to the share with
// the least weight so far (then the fewest PDFs, then the lowest number). loads[0] is unused.
std::vector<qint64> shareWholeGroups(std::vector<Group> whole, int count,
                                     std::vector<int>& shareOfGroup) {
    std::sort(whole.begin(), whole.end(), [](const Group& a, const Group& b) {
        return a.weight != b.weight ? a.weight > b.weight : a.first < b.first;
    });
    using Load = std::tuple<qint64, qint64, int>; // weight, PDFs, share number
    std::set<Load> loads;
    for (int number = 1; number <= count; ++number)
        loads.insert({0, 0, number});
    for (const Group& group : whole) {
        auto [weight, members, number] = *loads.begin();
        loads.erase(loads.begin());
        shareOfGroup[group.first] = number;
        loads.insert({weight + group.weight, members + group.members, number});
    }
    std::vector<qint64> byNumber(static_cast<std::size_t>(count) + 1, 0);
    for (const auto& [weight, members, number] : loads)
        byNumber[number] = weight;
    return byNumber;
}

// How many pages of the divided PDFs each share takes (by share number; [0] unused): the
// lightest shares are filled to one level, as water fills a basin, so the loads end as even as
// whole pages allow.
std::vector<qint64> roomOf(const std::vector<qint64>& loads, qint64 dividedPages) {
    const int count = static_cast<int>(loads.size()) - 1;
    std::vector<int> byLoad(static_cast<std::size_t>(count));
    std::iota(byLoad.begin(), byLoad.end(), 1);
    std::sort(byLoad.begin(), byLoad.end(),
              [&](int a, int b) { return std::tie(loads[a], a) < std::tie(loads[b], b); });
    // The first `filled` shares by load end at `level` (some one page above it).
    int filled = 1;
    qint64 sum = loads[byLoad[0]];
    while (filled < count &&
           (dividedPages + sum) / filled > loads[byLoad[static_cast<std::size_t>(filled)]]) {
        sum += loads[byLoad[static_cast<std::size_t>(filled)]];
        ++filled;
    }
    const qint64 level = (dividedPages + sum) / filled;
    qint64 extra = dividedPages + sum - level * filled;
    std::vector<qint64> room(loads.size(), 0);
    for (int n = 0; n < filled; ++n) {
        const int share = byLoad[static_cast<std::size_t>(n)];
        room[share] = level - loads[share] + (extra > 0 ? 1 : 0);
        extra -= extra > 0 ? 1 : 0;
    }
    return room;
}

// The divided PDFs, in list order, fill the room of the shares one share after the other:
// each share gets a run of consecutive pages of a PDF, not scattered ones.
std::vector<std::vector<Span>> fillWithDivided(const std::vector<Group>& divided,
                                               const std::vector<qint64>& loads,
                                               std::size_t listSize) {
    qint64 dividedPages = 0;
    for (const Group& pdf : divided)
        dividedPages += pdf.weight;
    std::vector<std::vector<Span>> spans(listSize);
    if (divided.empty())
        return spans;
    std::vector<qint64> room = roomOf(loads, dividedPages);
    int share = 1;
    for (const Group& pdf : divided) {
        for (qint64 next = 1; next <= pdf.weight;) {
            while (share + 1 < static_cast<int>(room.size()) && room[share] == 0)
                ++share;
            // The rooms add up to the divided pages; were they short, the last share took the
            // rest.
            const qint64 left = pdf.weight - next + 1;
            const qint64 take = room[share] > 0 ? std::min(left, room[share]) : left;
            spans[pdf.first].push_back({next, next + take - 1, share});
            room[share] -= std::min(take, room[share]);
            next += take;
        }
    }
    return spans;
}

// The pages of the selection from its from-th to its to-th page asked for, for each span. The
// span that ends with the last page asked for stays open at the end, as the selection is: should
// the document have more pages than its page tree says, they are converted all the same.
PageSelection partOf(const PageSelection& pages, int pageCount, qint64 asked,
                     const std::vector<std::pair<qint64, qint64>>& spans) {
    QStringList ranges;
    for (const auto& [from, to] : spans) {
        const int low = pages.pageAt(static_cast<int>(from), pageCount);
        const bool open = to >= asked;
        const int high = open ? INT_MAX : pages.pageAt(static_cast<int>(to), pageCount);
        for (const PageSelection::Range& range : pages.ranges()) {
            if (range.first == INT_MAX) { // the last page alone
                if (open || pageCount <= high)
                    ranges.append(open ? QStringLiteral("N") : QString::number(pageCount));
                continue;
            }
            const int first = std::max(range.first, low);
            if (open && range.last == PageSelection::LastPage) {
                ranges.append(QStringLiteral("%1-N").arg(first));
                continue;
            }
            const int end = range.last == PageSelection::LastPage ? pageCount : range.last;
            if (const int last = std::min(end, high); first <= last)
                ranges.append(QStringLiteral("%1-%2").arg(first).arg(last));
        }
    }
    return PageSelection::parse(ranges.join(QLatin1Char(','))).value_or(pages);
}

// The PDFs of share `index`, in list order: whole ones by their group's share, divided ones
// with the pages given to it (none when it got them all).
std::vector<ShareMember> membersOf(int index, const std::vector<int>& groupOf,
                                   const std::vector<int>& shareOfGroup,
                                   const std::vector<std::vector<Span>>& spans,
                                   const std::vector<PdfWeight>& weights,
                                   const std::optional<PageSelection>& pages) {
    std::vector<ShareMember> members;
    for (std::size_t position = 0; position < groupOf.size(); ++position) {
        if (spans[position].empty()) {
            if (shareOfGroup[groupOf[position]] == index)
                members.push_back({static_cast<int>(position), std::nullopt});
            continue;
        }
        std::vector<std::pair<qint64, qint64>> here;
        for (const Span& span : spans[position]) {
            if (span.share == index)
                here.emplace_back(span.from, span.to);
        }
        if (here.empty())
            continue;
        ShareMember member{static_cast<int>(position), std::nullopt};
        if (here.size() < spans[position].size())
            member.part = partOf(*pages, pageCountOf(weights[position]),
                                 pages->countIn(pageCountOf(weights[position])), here);
        members.push_back(std::move(member));
    }
    return members;
}

} // namespace

std::optional<Shard> ParseShard(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})/([0-9]{1,9})$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const Shard shard{match.captured(1).toInt(), match.captured(2).toInt()};
    if (shard.index < 1 || shard.index > shard.count)
        return std::nullopt;
    return shard;
}

std::vector<ShareMember> ShardMembers(const PathList& pdfs, const std::vector<PdfWeight>& weights,
                                      Shard shard, const std::optional<PageSelection>& pages) {
    std::vector<QByteArrayView> bases;
    bases.reserve(static_cast<std::size_t>(pdfs.size()));
    for (const QByteArrayView pdf : pdfs)
        bases.push_back(PdfBaseNameView(pdf));
    const std::vector<int> groupOf = CollisionGroupsOf(bases);
    bases = {};

    // A PDF alone that weighs more than half a share's fair part is divided.
    const std::vector<Group> groups = groupsOf(groupOf, weights, pages);
    qint64 total = 0;
    for (const Group& group : groups)
        total += group.weight;
    std::vector<Group> whole;
    std::vector<Group> divided;
    for (const Group& group : groups) {
        const bool divisible = pages && shard.count > 1 && group.members == 1 &&
                               static_cast<std::size_t>(group.first) < weights.size() &&
                               weights[group.first].counted &&
                               group.weight * 2 * shard.count > total;
        (divisible ? divided : whole).push_back(group);
    }
    std::vector<int> shareOfGroup(groupOf.size(), 0);
    const std::vector<qint64> loads = shareWholeGroups(std::move(whole), shard.count, shareOfGroup);
    const std::vector<std::vector<Span>> spans = fillWithDivided(divided, loads, groupOf.size());

    return membersOf(shard.index, groupOf, shareOfGroup, spans, weights, pages);
}
