#include "cli/NameCollisions.h"

#include "cli/RunReport.h"
#include "convert/CollisionGroups.h"

#include <QHash>

#include <algorithm>
#include <map>
#include <numeric>

namespace {

// Groups joined one by one: each position points towards the first member of its group.
class Groups {
public:
    explicit Groups(std::size_t size) : m_parent(size) {
        std::iota(m_parent.begin(), m_parent.end(), 0);
    }
    int root(int position) {
        while (m_parent[position] != position)
            position = m_parent[position] = m_parent[m_parent[position]];
        return position;
    }
    void join(int a, int b) {
        const int first = std::min(root(a), root(b));
        m_parent[root(a)] = first;
        m_parent[root(b)] = first;
    }

private:
    std::vector<int> m_parent;
};

// The positions worth a closer look. Names made from the base name (or the file name, which
// starts with it) can only meet where the base names can; a pattern without them makes every
// PDF a candidate.
std::vector<int> candidates(const QStringList& pdfs, const OutputNaming& naming) {
    std::vector<int> chosen;
    const QString& pattern = naming.pattern();
    if (naming.hasPattern() && !pattern.contains(QLatin1String("{stem}")) &&
        !pattern.contains(QLatin1String("{base}"))) {
        chosen.resize(static_cast<std::size_t>(pdfs.size()));
        std::iota(chosen.begin(), chosen.end(), 0);
        return chosen;
    }
    std::vector<QStringView> bases;
    bases.reserve(static_cast<std::size_t>(pdfs.size()));
    for (const QString& pdf : pdfs)
        bases.push_back(PdfBaseNameView(pdf));
    const std::vector<int> groups = CollisionGroupsOf(bases);
    std::vector<int> members(groups.size(), 0);
    for (const int group : groups)
        ++members[static_cast<std::size_t>(group)];
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (members[static_cast<std::size_t>(groups[i])] > 1)
            chosen.push_back(static_cast<int>(i));
    }
    return chosen;
}

} // namespace

std::vector<std::vector<int>> NameCollisions(const QStringList& pdfs, const QString& outputPrefix,
                                             const OutputNaming& naming, PageNumbering numbering) {
    const std::vector<int> looked = candidates(pdfs, naming);
    QHash<QString, int> firstOfFamily;
    std::vector<QString> families;
    families.reserve(looked.size());
    Groups groups(static_cast<std::size_t>(pdfs.size()));
    for (const int position : looked) {
        families.push_back(naming.family(outputPrefix, pdfs[position], numbering));
        if (const auto it = firstOfFamily.constFind(families.back()); it != firstOfFamily.cend())
            groups.join(it.value(), position);
        else
            firstOfFamily.insert(families.back(), position);
    }
    // "Invoice 11" page 1 is "Invoice 1" page 11: a family that is another one with digits
    // (not starting with 0) before its page number.
    for (std::size_t i = 0; i < looked.size(); ++i) {
        const QString& family = families[i];
        const qsizetype marker = family.indexOf(OutputNaming::Marker);
        for (qsizetype start = marker - 1; start >= 0 && family.at(start).isDigit(); --start) {
            if (family.at(start) == QLatin1Char('0'))
                continue;
            const QString shorter = family.left(start) + family.mid(marker);
            if (const auto it = firstOfFamily.constFind(shorter); it != firstOfFamily.cend())
                groups.join(it.value(), looked[i]);
        }
    }
    std::map<int, std::vector<int>> byRoot;
    for (const int position : looked)
        byRoot[groups.root(position)].push_back(position);
    std::vector<std::vector<int>> result;
    for (auto& [root, members] : byRoot) {
        if (members.size() > 1)
            result.push_back(std::move(members));
    }
    return result;
}

QStringList CollisionLines(const std::vector<std::vector<int>>& groups, const QStringList& pdfs,
                           int maxGroups) {
    if (groups.empty())
        return {};
    QStringList lines{QStringLiteral(
        "pagekiln-convert: the images of these PDFs may get the same names, and a later PDF's "
        "replace an earlier one's (--keep-tree or --name keeps them apart):")};
    for (std::size_t g = 0; g < groups.size() && static_cast<int>(g) < maxGroups; ++g) {
        QStringList members;
        for (const int position : groups[g])
            members.append(oneLine(pdfs[position]));
        lines.append(QStringLiteral("  ") + members.join(QStringLiteral(", ")));
    }
    if (static_cast<int>(groups.size()) > maxGroups)
        lines.append(QStringLiteral("  and %1 more groups")
                         .arg(static_cast<int>(groups.size()) - maxGroups));
    return lines;
}
