#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <vector>

// Reads a device in large chunks and hands out its records one at a time, each ended by one
// character (a line end, or NUL): a file of any length is read in one pass with memory for a
// chunk and the longest record.
class RecordReader {
public:
    // Reads at most limit bytes when limit is not negative.
    RecordReader(QIODevice& device, char end, qint64 limit = -1);

    struct Record {
        QByteArrayView bytes; // without its end; valid until the next call
        bool ended = true;    // false for a last record that has no end
    };
    // The next record; false at the end of the device or when it could not be read.
    bool next(Record& record);

    // Empty unless reading the device failed.
    QString error() const { return m_error; }

private:
    bool fill(); // more bytes after the ones kept; false at the end or on an error

    QIODevice& m_device;
    char m_end;
    std::vector<char> m_buffer;
    qsizetype m_start = 0;    // first byte not yet handed out
    qsizetype m_stop = 0;     // end of the bytes read
    qsizetype m_searched = 0; // bytes from m_start known to hold no end
    bool m_atEnd = false;
    qint64 m_left; // bytes still to read; negative for no limit
    QString m_error;
};
