#pragma once

#include "platform/LargeMemory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// A path's identity in a long list: 128 bits of a hash of its clean form (PathNormaliser).
// With ten million paths on each side, two different paths sharing a key is about as likely
// as 10^-24: never, in practice, so a key stands for its path.
struct PathKey {
    quint64 low = 0;
    quint64 high = 0;
    bool operator==(const PathKey&) const = default;
};

PathKey KeyOfCleanPath(QByteArrayView cleanPath);

// Makes paths comparable as the file system reads them: absolute (a relative path starts at
// the given current folder), without "." components, doubled separators or a final separator.
// ".." is kept as written: through a symbolic link, "a/../b" can name another file than "b".
class PathNormaliser {
public:
    explicit PathNormaliser(QByteArrayView currentFolder);

    // The clean form of path: path itself when it is clean already, else a view of a buffer
    // that the next call replaces. The empty path stays empty.
    QByteArrayView clean(QByteArrayView path);
    PathKey key(QByteArrayView path) { return KeyOfCleanPath(clean(path)); }

private:
    QByteArray m_folder; // clean; empty for the root folder
    QByteArray m_buffer;
};

// Keys with a 32-bit value each, by open addressing in one block of memory: 20 bytes a slot,
// at most three slots in four used, so ten million keys take about 270 MB.
class PathKeyTable {
public:
    explicit PathKeyTable(qsizetype expected = 0);
    PathKeyTable(PathKeyTable&&) noexcept = default;
    PathKeyTable& operator=(PathKeyTable&&) noexcept = default;

    // Values are below Absent.
    static constexpr quint32 Absent = 0xffffffff;

    // The value of key, or Absent.
    quint32 find(PathKey key) const;
    // The value key has already; else stores value for it and gives Absent.
    quint32 insert(PathKey key, quint32 value);
    // Stores value for key, replacing any value it had.
    void set(PathKey key, quint32 value);

    qsizetype size() const { return m_size; }

    // Asks the processor to fetch the memory where key's look-up starts. The table is far
    // larger than the caches: a batch of keys fetched first is then looked up without waiting
    // for memory once per key.
    void prefetch(PathKey key) const {
        const unsigned char* slot = m_slots.get() + home(key) * SlotBytes;
        __builtin_prefetch(slot);
        __builtin_prefetch(slot + SlotBytes - 1);
    }

    // Calls take(key, value) for every key, in no particular order.
    template <typename Take> void forEach(Take take) const {
        for (qsizetype at = 0; at < m_capacity; ++at) {
            const unsigned char* slot = m_slots.get() + at * SlotBytes;
            if (const quint32 stored = storedAt(slot); stored != 0)
                take(keyAt(slot), stored - 1);
        }
    }

private:
    // A slot: the key's low and high halves, then its value + 1 (0 marks a free slot).
    static constexpr qsizetype SlotBytes = 20;

    qsizetype home(PathKey key) const {
        // The key's bits are uniform already: its low half, scaled to the capacity.
        return static_cast<qsizetype>(
            (static_cast<unsigned __int128>(key.low) * static_cast<quint64>(m_capacity)) >> 64);
    }
    static PathKey keyAt(const unsigned char* slot);
    static quint32 storedAt(const unsigned char* slot);
    qsizetype slotOf(PathKey key) const; // the slot holding key, or the free slot ending its run
    void grow();

    LargeBlock m_slots;
    qsizetype m_capacity = 0;
    qsizetype m_size = 0;
};
