#include "cli/RecordReader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype ChunkBytes = qsizetype(1) << 20;

} // namespace

RecordReader::RecordReader(QIODevice& device, char end, qint64 limit)
    : m_device(device), m_end(end), m_buffer(static_cast<std::size_t>(4 * ChunkBytes)),
      m_left(limit) {}

bool RecordReader::next(Record& record) {
    for (;;) {
        const char* start = m_buffer.data() + m_start;
        const qsizetype available = m_stop - m_start;
        const void* found = std::memchr(start + m_searched, m_end,
                                        static_cast<std::size_t>(available - m_searched));
        if (found) {
            const qsizetype length = static_cast<const char*>(found) - start;
            record = {QByteArrayView(start, length), true};
            m_start += length + 1;
            m_searched = 0;
            return true;
        }
        m_searched = available;
        if (!fill()) {
            if (available == 0 || !m_error.isEmpty())
                return false;
            record = {QByteArrayView(start, available), false};
            m_start = m_stop;
            m_searched = 0;
            return true;
        }
    }
}

bool RecordReader::fill() {
    if (m_atEnd)
        return false;
    const qsizetype kept = m_stop - m_start;
    if (m_start > 0 && kept > 0)
        std::memmove(m_buffer.data(), m_buffer.data() + m_start, static_cast<std::size_t>(kept));
    m_start = 0;
    m_stop = kept;
    // A record longer than the buffer makes it grow: memory follows the longest record.
    if (static_cast<qsizetype>(m_buffer.size()) - m_stop < ChunkBytes)
        m_buffer.resize(m_buffer.size() * 2);
    qint64 wanted = static_cast<qint64>(m_buffer.size()) - m_stop;
    if (m_left >= 0)
        wanted = std::min(wanted, m_left);
    const qint64 read = wanted > 0 ? m_device.read(m_buffer.data() + m_stop, wanted) : 0;
    if (read < 0)
        m_error = m_device.errorString();
    if (read <= 0) {
        m_atEnd = true;
        return false;
    }
    m_stop += read;
    if (m_left >= 0)
        m_left -= read;
    return true;
}
