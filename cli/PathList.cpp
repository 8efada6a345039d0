#include "cli/PathList.h"

#include "platform/NativeNames.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr qsizetype BlockBytes = qsizetype(8) << 20;
constexpr int MaxLengthBytes = 10;

int writeLength(quint64 length, char* out) {
    int used = 0;
    while (length >= 0x80) {
        out[used++] = static_cast<char>((length & 0x7f) | 0x80);
        length >>= 7;
    }
    out[used++] = static_cast<char>(length);
    return used;
}

// The length of the path at bytes, and how many bytes the length took.
qsizetype readLength(const char* bytes, int& used) {
    quint64 length = 0;
    used = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(bytes[used++]);
        length |= quint64(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0)
            return static_cast<qsizetype>(length);
    }
}

} // namespace

void PathList::append(QByteArrayView path) {
    const qsizetype needed = path.size() + MaxLengthBytes;
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < needed) {
        const qsizetype capacity = std::max(BlockBytes, needed);
        LargeBlock bytes = AllocateLargeBlock(static_cast<std::size_t>(capacity));
        if (!bytes)
            throw std::bad_alloc();
        m_blocks.push_back({std::move(bytes), 0, capacity});
    }
    Block& block = m_blocks.back();
    block.used += writeLength(static_cast<quint64>(path.size()), block.data() + block.used);
    if (!path.isEmpty())
        std::memcpy(block.data() + block.used, path.data(), static_cast<std::size_t>(path.size()));
    block.used += path.size();
    ++m_count;
}

void PathList::appendText(const QString& path) {
    append(QByteArrayView(encodeFileName(path)));
}

PathList::Iterator PathList::begin() const {
    return Iterator(&m_blocks, 0, 0);
}

PathList::Iterator PathList::end() const {
    return Iterator(&m_blocks, m_blocks.size(), 0);
}

QStringList PathList::texts() const {
    QStringList paths;
    paths.reserve(m_count);
    for (const QByteArrayView path : *this)
        paths.append(text(path));
    return paths;
}

void PathList::drain(const std::function<void(QByteArrayView)>& take) {
    for (Block& block : m_blocks) {
        const char* bytes = block.data();
        for (qsizetype offset = 0; offset < block.used;) {
            int used = 0;
            const qsizetype length = readLength(bytes + offset, used);
            take(QByteArrayView(bytes + offset + used, length));
            offset += used + length;
        }
        block = {};
    }
    m_blocks.clear();
    m_count = 0;
}

QString PathList::text(QByteArrayView path) {
    return decodeFileName(path);
}

PathList::Iterator::Iterator(const std::vector<Block>* blocks, std::size_t block, qsizetype offset)
    : m_blocks(blocks), m_block(block), m_offset(offset) {
    settle();
}

void PathList::Iterator::settle() {
    while (m_block < m_blocks->size() && m_offset >= (*m_blocks)[m_block].used) {
        ++m_block;
        m_offset = 0;
    }
}

QByteArrayView PathList::Iterator::operator*() const {
    const char* at = (*m_blocks)[m_block].data() + m_offset;
    int used = 0;
    const qsizetype length = readLength(at, used);
    return QByteArrayView(at + used, length);
}

PathList::Iterator& PathList::Iterator::operator++() {
    int used = 0;
    m_offset += readLength((*m_blocks)[m_block].data() + m_offset, used);
    m_offset += used;
    settle();
    return *this;
}
