#include "cli/PathKeys.h"

#include <xxhash.h>

#include <algorithm>
#include <cstring>
#include <new>

PathKey KeyOfCleanPath(QByteArrayView cleanPath) {
    const XXH128_hash_t hash =
        XXH3_128bits(cleanPath.data(), static_cast<std::size_t>(cleanPath.size()));
    return {hash.low64, hash.high64};
}

namespace {

// True when path needs no work: absolute, and no separator is followed by another, by a "."
// component or by the end (the root folder aside).
bool isClean(QByteArrayView path) {
    const qsizetype size = path.size();
    if (size == 0 || path[0] != '/')
        return false;
    if (size == 1)
        return true;
    const char* const data = path.data();
    for (const char* slash = data; slash;) {
        const qsizetype at = slash - data;
        if (at + 1 == size || data[at + 1] == '/' ||
            (data[at + 1] == '.' && (at + 2 == size || data[at + 2] == '/')))
            return false;
        slash = static_cast<const char*>(
            std::memchr(slash + 1, '/', static_cast<std::size_t>(size - at - 1)));
    }
    return true;
}

// Appends the components of path to out, each after a separator, leaving out empty and "."
// ones.
void appendComponents(QByteArrayView path, QByteArray& out) {
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype stop = path.indexOf('/', start);
        if (stop < 0)
            stop = path.size();
        const QByteArrayView component = path.sliced(start, stop - start);
        if (!component.isEmpty() && component != ".") {
            out += '/';
            out += component;
        }
        start = stop + 1;
    }
}

} // namespace

PathNormaliser::PathNormaliser(QByteArrayView currentFolder) {
    appendComponents(currentFolder, m_folder);
}

QByteArrayView PathNormaliser::clean(QByteArrayView path) {
    if (path.isEmpty() || isClean(path))
        return path;
    m_buffer.clear();
    if (path[0] != '/')
        m_buffer += m_folder;
    appendComponents(path, m_buffer);
    if (m_buffer.isEmpty())
        m_buffer += '/';
    return m_buffer;
}

namespace {

void store(unsigned char* slot, PathKey key, quint32 value) {
    std::memcpy(slot, &key.low, 8);
    std::memcpy(slot + 8, &key.high, 8);
    const quint32 stored = value + 1;
    std::memcpy(slot + 16, &stored, 4);
}

qsizetype capacityFor(qsizetype expected) {
    return std::max<qsizetype>(16, expected + expected / 3 + 1);
}

} // namespace

PathKey PathKeyTable::keyAt(const unsigned char* slot) {
    PathKey key;
    std::memcpy(&key.low, slot, 8);
    std::memcpy(&key.high, slot + 8, 8);
    return key;
}

quint32 PathKeyTable::storedAt(const unsigned char* slot) {
    quint32 stored = 0;
    std::memcpy(&stored, slot + 16, 4);
    return stored;
}

PathKeyTable::PathKeyTable(qsizetype expected)
    : m_slots(AllocateLargeBlock(static_cast<std::size_t>(capacityFor(expected) * SlotBytes))),
      m_capacity(capacityFor(expected)) {
    if (!m_slots)
        throw std::bad_alloc();
}

qsizetype PathKeyTable::slotOf(PathKey key) const {
    qsizetype at = home(key);
    for (;;) {
        const unsigned char* slot = m_slots.get() + at * SlotBytes;
        if (storedAt(slot) == 0 || keyAt(slot) == key)
            return at;
        if (++at == m_capacity)
            at = 0;
    }
}

quint32 PathKeyTable::find(PathKey key) const {
    const quint32 stored = storedAt(m_slots.get() + slotOf(key) * SlotBytes);
    return stored == 0 ? Absent : stored - 1;
}

quint32 PathKeyTable::insert(PathKey key, quint32 value) {
    unsigned char* slot = m_slots.get() + slotOf(key) * SlotBytes;
    if (const quint32 stored = storedAt(slot); stored != 0)
        return stored - 1;
    store(slot, key, value);
    if (++m_size * 4 > m_capacity * 3)
        grow();
    return Absent;
}

void PathKeyTable::set(PathKey key, quint32 value) {
    unsigned char* slot = m_slots.get() + slotOf(key) * SlotBytes;
    const bool added = storedAt(slot) == 0;
    store(slot, key, value);
    if (added && ++m_size * 4 > m_capacity * 3)
        grow();
}

void PathKeyTable::grow() {
    PathKeyTable larger(m_capacity * 2);
    forEach([&larger](PathKey key, quint32 value) { larger.insert(key, value); });
    *this = std::move(larger);
}
