#pragma once

#include "pdffile/PdfObjects.h"

#include <QByteArray>
#include <QHash>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

// Reads pieces of a file: the file itself, or bytes in memory.
class PdfSource {
public:
    virtual ~PdfSource() = default;
    virtual qint64 size() const = 0;
    // Up to length bytes from offset; fewer at the end of the file, none on an error.
    virtual QByteArray read(qint64 offset, qint64 length) = 0;
};

// The structure of a PDF file, read without rendering: the cross-reference sections (tables
// and streams, following /Prev back through incremental updates, the newest entry of an
// object winning), the trailer, and single objects, also those kept in object streams. Only
// the pieces needed are read. Anything damaged makes a read give nothing: the caller falls
// back on something else, never on a guess.
class PdfFile {
public:
    explicit PdfFile(PdfSource& source) : m_source(source) {}

    // Reads the cross-reference sections; false when they cannot be read.
    bool open();
    // The newest trailer dictionary (of a table, or of a cross-reference stream).
    const PdfObject& trailer() const { return m_trailer; }
    // Object number n; nothing when it is not there or cannot be read.
    std::optional<PdfObject> object(int number);
    // value itself, or the object it refers to.
    std::optional<PdfObject> resolved(const PdfObject& value);

private:
    struct Entry {
        qint64 offset = 0; // in the file, or the object stream's number
        int index = -1;    // the place in the object stream; -1 for an object in the file
    };
    bool readSection(qint64 offset, int depth);
    bool readTable(qint64 offset, PdfObject& trailer);
    bool readStreamSection(qint64 offset, PdfObject& trailer);
    bool readTableEntries(PdfParser& parser, std::vector<std::pair<qint64, Entry>>& entries);
    void takeStreamEntries(const PdfObject& dictionary, const QByteArray& data);
    void take(qint64 number, Entry entry);
    // The object at offset ("N G obj ...", object number `number` unless that is -1); with
    // data set, a stream's decoded data as well.
    std::optional<PdfObject> objectAt(qint64 offset, QByteArray* data, qint64 number = -1);
    std::optional<PdfObject> inObjectStream(qint64 streamNumber, int index, int number);
    // parse(piece, pieceAtEndOfFile) over growing pieces from offset, until it stops asking
    // for more.
    bool withPiece(qint64 offset, const std::function<bool(const QByteArray&, bool&)>& parse);

    PdfSource& m_source;
    PdfObject m_trailer;
    QHash<qint64, Entry> m_entries;
    int m_resolving = 0; // depth of look-ups under way: a loop of references ends
    int m_sections = 0;
    qint64 m_objectStream = -1; // the object stream last read, kept for its neighbours
    QByteArray m_objectStreamData;
    qint64 m_objectStreamFirst = 0;
};
