#pragma once

#include "platform/LargeMemory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// A long list of paths kept as their encoded bytes (the file system's form, as
// encodeFileName gives it, byte for byte), one after the other in large blocks: ten million paths
// cost their bytes and one or two more each, where as many QStrings would cost a gigabyte. Paths
// are read in list order; a view of a path stays valid as long as the list lives.
class PathList {
public:
    class Iterator;

    PathList() = default;
    PathList(PathList&&) noexcept = default;
    PathList& operator=(PathList&&) noexcept = default;

    void append(QByteArrayView path);
    void appendText(const QString& path); // encoded as encodeFileName does

    qsizetype size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }

    Iterator begin() const;
    Iterator end() const;

    QStringList texts() const;

    // Hands each path to take, in order, freeing each block of the list once its paths were
    // handed out, and leaves the list empty: a list is split into others without ever taking
    // twice its memory.
    void drain(const std::function<void(QByteArrayView)>& take);

    // Each path as the program names it: decodeFileName, which encodes back to the same bytes.
    static QString text(QByteArrayView path);

private:
    struct Block {
        LargeBlock bytes;
        qsizetype used = 0;
        qsizetype capacity = 0;
        char* data() const { return reinterpret_cast<char*>(bytes.get()); }
    };
    std::vector<Block> m_blocks;
    qsizetype m_count = 0;
};

// Walks a PathList in order: each path is its length (7 bits a byte, the last byte without
// the high bit) followed by its bytes.
class PathList::Iterator {
public:
    QByteArrayView operator*() const;
    Iterator& operator++();
    bool operator==(const Iterator& other) const {
        return m_block == other.m_block && m_offset == other.m_offset;
    }

private:
    friend class PathList;
    Iterator(const std::vector<Block>* blocks, std::size_t block, qsizetype offset);
    void settle(); // moves past the end of a block to the start of the next
    const std::vector<Block>* m_blocks = nullptr;
    std::size_t m_block = 0;
    qsizetype m_offset = 0;
};
