#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <cstdint>
#include <vector>

// True when the outputs of two PDFs with these base names (PdfBaseName) may share a file name:
// images are named base name + page number, so "Invoice 1" page 2 and "Invoice 12" are both
// "Invoice 12.jpg". Equal names collide, and so does a name with any name it starts with.
bool OutputsMayCollide(QStringView baseA, QStringView baseB);

// The base name of pdfPath as PdfBaseName gives it, as a view into pdfPath: no copy, for lists
// of a million paths.
QStringView PdfBaseNameView(QStringView pdfPath);

// For each base name, in list order, the id of its collision group: the list position of the
// group's first member. Two names that may collide share a group, and so do names joined
// through a chain of collisions, so a group can be converted in list order on its own and
// still write the files a one-at-a-time run writes. O(n log n): the names are sorted once and
// each is joined to the nearest earlier name that is its prefix.
std::vector<int> CollisionGroupsOf(const std::vector<QStringView>& baseNames);
std::vector<int> CollisionGroupsOf(const QStringList& baseNames);
// The same for names in the file system's encoding (UTF-8), which keeps prefixes and order.
std::vector<int> CollisionGroupsOf(const std::vector<QByteArrayView>& baseNames);

// PdfBaseNameView for a path in the file system's encoding.
QByteArrayView PdfBaseNameView(QByteArrayView pdfPath);

// Counts, while it lives, the comparisons of two base names made by the functions above on
// any thread: how planning grows with the length of the list, seen without a clock. One
// counter at a time.
class NameComparisonCount {
public:
    NameComparisonCount();
    ~NameComparisonCount();
    NameComparisonCount(const NameComparisonCount&) = delete;
    NameComparisonCount& operator=(const NameComparisonCount&) = delete;
    std::uint64_t value() const { return m_count.load(); }

private:
    std::atomic<std::uint64_t> m_count{0};
};
