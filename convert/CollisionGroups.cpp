#include "convert/CollisionGroups.h"

#include <algorithm>
#include <numeric>

namespace {

std::atomic<std::atomic<std::uint64_t>*> activeCount{nullptr};

void countComparison() {
    if (std::atomic<std::uint64_t>* count = activeCount.load(std::memory_order_relaxed))
        count->fetch_add(1, std::memory_order_relaxed);
}

template <typename Name> bool startsWith(Name name, Name start) {
    countComparison();
    return name.startsWith(start);
}

// Union-find over list positions whose root is always the smallest position of its set.
class Groups {
public:
    explicit Groups(int count) : m_parent(static_cast<std::size_t>(count)) {
        std::iota(m_parent.begin(), m_parent.end(), 0);
    }

    int root(int index) {
        int top = index;
        while (m_parent[top] != top)
            top = m_parent[top];
        while (m_parent[index] != top) // path halving keeps later look-ups short
            index = std::exchange(m_parent[index], top);
        return top;
    }

    void join(int a, int b) {
        const int rootA = root(a);
        const int rootB = root(b);
        if (rootA != rootB)
            m_parent[std::max(rootA, rootB)] = std::min(rootA, rootB);
    }

private:
    std::vector<int> m_parent;
};

template <typename Name> std::vector<int> collisionGroups(const std::vector<Name>& baseNames) {
    const int count = static_cast<int>(baseNames.size());
    std::vector<int> order(baseNames.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        countComparison();
        return baseNames[a] < baseNames[b];
    });

    // In sorted order the names that are prefixes of the current one form a chain, each a
    // prefix of the next. A name that is not a prefix of the current one is not a prefix of
    // any later one either (they all sort between the two), so it leaves the chain for good.
    Groups groups(count);
    std::vector<int> chain;
    for (const int index : order) {
        const Name name = baseNames[index];
        while (!chain.empty() && !startsWith(name, baseNames[chain.back()]))
            chain.pop_back();
        if (!chain.empty())
            groups.join(chain.back(), index);
        chain.push_back(index);
    }
    std::vector<int> ids(baseNames.size());
    for (int index = 0; index < count; ++index)
        ids[index] = groups.root(index);
    return ids;
}

} // namespace

NameComparisonCount::NameComparisonCount() {
    activeCount.store(&m_count);
}

NameComparisonCount::~NameComparisonCount() {
    activeCount.store(nullptr);
}

bool OutputsMayCollide(QStringView baseA, QStringView baseB) {
    countComparison();
    return baseA.startsWith(baseB) || baseB.startsWith(baseA);
}

QStringView PdfBaseNameView(QStringView pdfPath) {
    const QStringView name = pdfPath.mid(pdfPath.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

std::vector<int> CollisionGroupsOf(const std::vector<QStringView>& baseNames) {
    return collisionGroups(baseNames);
}

std::vector<int> CollisionGroupsOf(const std::vector<QByteArrayView>& baseNames) {
    return collisionGroups(baseNames);
}

QByteArrayView PdfBaseNameView(QByteArrayView pdfPath) {
    const QByteArrayView name = pdfPath.sliced(pdfPath.lastIndexOf('/') + 1);
    const qsizetype dot = name.indexOf('.');
    return dot < 0 ? name : name.first(dot);
}

std::vector<int> CollisionGroupsOf(const QStringList& baseNames) {
    std::vector<QStringView> views(baseNames.cbegin(), baseNames.cend());
    return CollisionGroupsOf(views);
}
