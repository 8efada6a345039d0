#include "cli/ShardPlan.h"

#include "convert/CollisionGroups.h"

#include <QRegularExpression>

#include <algorithm>
#include <set>
#include <tuple>

namespace {

struct Group {
    int first = 0; // list position of the first member, the group's id
    qint64 weight = 0;
    int members = 0;
};

// The groups of the list with their weights, heaviest first, equal ones in list order.
std::vector<Group> weighedGroups(const std::vector<int>& groupOf,
                                 const std::vector<qint64>& weights) {
    std::vector<Group> groups;
    std::vector<int> slot(groupOf.size(), -1); // group id -> index in groups
    for (std::size_t index = 0; index < groupOf.size(); ++index) {
        const int id = groupOf[index];
        if (slot[id] < 0) {
            slot[id] = static_cast<int>(groups.size());
            groups.push_back({id, 0, 0});
        }
        Group& group = groups[slot[id]];
        group.weight += index < weights.size() ? std::max<qint64>(0, weights[index]) : 0;
        ++group.members;
    }
    std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return a.weight != b.weight ? a.weight > b.weight : a.first < b.first;
    });
    return groups;
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

std::vector<int> ShardMembers(const PathList& pdfs, const std::vector<qint64>& weights,
                              Shard shard) {
    std::vector<QByteArrayView> bases;
    bases.reserve(static_cast<std::size_t>(pdfs.size()));
    for (const QByteArrayView pdf : pdfs)
        bases.push_back(PdfBaseNameView(pdf));
    const std::vector<int> groupOf = CollisionGroupsOf(bases);
    bases = {};

    // Load of each share: weight, PDFs, share number; the set's first is the lightest.
    using Load = std::tuple<qint64, qint64, int>;
    std::set<Load> loads;
    for (int number = 1; number <= shard.count; ++number)
        loads.insert({0, 0, number});
    std::vector<int> shareOfGroup(groupOf.size(), 0);
    for (const Group& group : weighedGroups(groupOf, weights)) {
        auto [weight, members, number] = *loads.begin();
        loads.erase(loads.begin());
        shareOfGroup[group.first] = number;
        loads.insert({weight + group.weight, members + group.members, number});
    }
    std::vector<int> members;
    for (std::size_t index = 0; index < groupOf.size(); ++index) {
        if (shareOfGroup[groupOf[index]] == shard.index)
            members.push_back(static_cast<int>(index));
    }
    return members;
}
