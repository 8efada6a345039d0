#include "pdffile/PdfFile.h"

#include "pdffile/PdfStreams.h"

#include <algorithm>
#include <vector>

namespace {

constexpr qint64 TailBytes = 2048;    // "startxref" is near the end of the file
constexpr qint64 FirstPiece = 4096;   // most objects and small tables fit in one piece
constexpr qint64 MaxPiece = 64 << 20; // a table of three million objects
constexpr qsizetype MaxDecoded = 64 << 20;
constexpr int MaxSections = 256; // incremental updates, beyond which it is damage
constexpr int MaxResolving = 16;
constexpr int FreeEntry = -2;

std::optional<qint64> wholeNumber(const PdfObject* value) {
    return value ? value->integer() : std::nullopt;
}

} // namespace

bool PdfFile::withPiece(qint64 offset, const std::function<bool(const QByteArray&, bool&)>& parse) {
    const qint64 size = m_source.size();
    for (qint64 length = FirstPiece; offset >= 0 && offset < size; length *= 2) {
        const QByteArray piece = m_source.read(offset, std::min(length, size - offset));
        bool ranOut = false;
        if (parse(piece, ranOut))
            return true;
        if (!ranOut || offset + piece.size() >= size || length >= MaxPiece)
            return false;
    }
    return false;
}

bool PdfFile::open() {
    const qint64 size = m_source.size();
    const qint64 tailStart = std::max<qint64>(0, size - TailBytes);
    // The line end added lets a number that ends the file be read.
    const QByteArray tail = m_source.read(tailStart, size - tailStart) + '\n';
    const qsizetype keyword = tail.lastIndexOf("startxref");
    if (keyword < 0)
        return false;
    PdfParser parser(tail, keyword + 9);
    const std::optional<qint64> offset = parser.integer();
    if (!offset || !readSection(*offset, 0))
        return false;
    return m_trailer.value("Root") != nullptr;
}

bool PdfFile::readSection(qint64 offset, int depth) {
    if (++m_sections > MaxSections)
        return false;
    PdfObject trailer;
    const QByteArray start = m_source.read(offset, 16);
    PdfParser probe(start);
    const bool table = probe.keyword("xref");
    if (!(table ? readTable(offset, trailer) : readStreamSection(offset, trailer)))
        return false;
    if (depth == 0)
        m_trailer = trailer;
    // A file saved in the hybrid form keeps further entries in a stream.
    if (const std::optional<qint64> stream = wholeNumber(trailer.value("XRefStm"));
        table && stream) {
        PdfObject ignored;
        readStreamSection(*stream, ignored);
    }
    // Older sections are read as far as they can be: an object missing because one of them
    // is damaged is simply not found.
    if (const std::optional<qint64> previous = wholeNumber(trailer.value("Prev")))
        readSection(*previous, depth + 1);
    return true;
}

bool PdfFile::readTable(qint64 offset, PdfObject& trailer) {
    std::vector<std::pair<qint64, Entry>> entries;
    const bool read = withPiece(offset, [&](const QByteArray& piece, bool& ranOut) {
        PdfParser parser(piece);
        entries.clear();
        const bool whole = parser.keyword("xref") && readTableEntries(parser, entries) &&
                           parser.object(trailer) && trailer.kind == PdfObject::Kind::Dictionary;
        ranOut = parser.ranOut();
        return whole;
    });
    for (const auto& [number, entry] : entries)
        take(number, entry);
    return read;
}

// Subsections "first count" of entries "offset generation n|f", up to "trailer".
bool PdfFile::readTableEntries(PdfParser& parser, std::vector<std::pair<qint64, Entry>>& entries) {
    while (!parser.keyword("trailer")) {
        const std::optional<qint64> first = parser.integer();
        const std::optional<qint64> count = parser.integer();
        if (!first || !count || *first < 0 || *count < 0)
            return false;
        for (qint64 number = *first; number < *first + *count; ++number) {
            const std::optional<qint64> offset = parser.integer();
            if (!offset || !parser.integer())
                return false;
            if (parser.keyword("n"))
                entries.push_back({number, {*offset, -1}});
            else if (parser.keyword("f"))
                entries.push_back({number, {0, FreeEntry}});
            else
                return false;
        }
    }
    return true;
}

bool PdfFile::readStreamSection(qint64 offset, PdfObject& trailer) {
    QByteArray data;
    std::optional<PdfObject> dictionary = objectAt(offset, &data);
    if (!dictionary || dictionary->kind != PdfObject::Kind::Dictionary)
        return false;
    takeStreamEntries(*dictionary, data);
    trailer = std::move(*dictionary);
    return true;
}

// Rows of three fields of the widths /W gives, for the object numbers /Index gives.
void PdfFile::takeStreamEntries(const PdfObject& dictionary, const QByteArray& data) {
    const PdfObject* widths = dictionary.value("W");
    if (!widths || widths->items.size() != 3)
        return;
    int width[3] = {};
    for (int n = 0; n < 3; ++n) {
        const std::optional<qint64> value = widths->items[n].integer();
        if (!value || *value < 0 || *value > 8)
            return;
        width[n] = static_cast<int>(*value);
    }
    std::vector<qint64> index{0, wholeNumber(dictionary.value("Size")).value_or(0)};
    if (const PdfObject* given = dictionary.value("Index")) {
        index.clear();
        for (const PdfObject& item : given->items)
            index.push_back(item.integer().value_or(-1));
    }
    const qsizetype rowBytes = width[0] + width[1] + width[2];
    qsizetype at = 0;
    for (std::size_t pair = 0; pair + 1 < index.size(); pair += 2) {
        for (qint64 number = index[pair]; number >= 0 && number < index[pair] + index[pair + 1];
             ++number) {
            if (rowBytes == 0 || at + rowBytes > data.size())
                return;
            qint64 field[3] = {width[0] == 0 ? 1 : 0, 0, 0};
            for (int n = 0; n < 3; ++n) {
                for (int byte = 0; byte < width[n]; ++byte)
                    field[n] = (field[n] << 8) | static_cast<unsigned char>(data[at++]);
            }
            if (field[0] == 0)
                take(number, {0, FreeEntry});
            else if (field[0] == 1)
                take(number, {field[1], -1});
            else if (field[0] == 2)
                take(number, {field[1], static_cast<int>(std::min<qint64>(field[2], 1 << 30))});
        }
    }
}

void PdfFile::take(qint64 number, Entry entry) {
    if (!m_entries.contains(number)) // the newest section is read first
        m_entries.insert(number, entry);
}

std::optional<PdfObject> PdfFile::objectAt(qint64 offset, QByteArray* data, qint64 number) {
    PdfObject found;
    qint64 streamStart = -1;
    const bool read = withPiece(offset, [&](const QByteArray& piece, bool& ranOut) {
        PdfParser parser(piece);
        const std::optional<qint64> header = parser.integer();
        const bool object = header && (number < 0 || *header == number) && parser.integer() &&
                            parser.keyword("obj") && parser.object(found);
        if (object && data && parser.keyword("stream"))
            streamStart = parser.streamStart();
        ranOut = parser.ranOut();
        return object;
    });
    if (!read)
        return std::nullopt;
    if (!data)
        return found;
    if (streamStart < 0)
        return std::nullopt;
    const std::optional<PdfObject> length =
        resolved(found.value("Length") ? *found.value("Length") : PdfObject());
    const std::optional<qint64> bytes = length ? length->integer() : std::nullopt;
    if (!bytes || *bytes < 0 || *bytes > MaxPiece)
        return std::nullopt;
    const QByteArray raw = m_source.read(offset + streamStart, *bytes);
    std::optional<QByteArray> decoded = DecodeStream(found, raw, MaxDecoded);
    if (raw.size() != *bytes || !decoded)
        return std::nullopt;
    *data = std::move(*decoded);
    return found;
}

std::optional<PdfObject> PdfFile::object(int number) {
    const auto entry = m_entries.constFind(number);
    if (entry == m_entries.constEnd() || entry->index == FreeEntry || m_resolving >= MaxResolving)
        return std::nullopt;
    ++m_resolving;
    std::optional<PdfObject> found = entry->index < 0
                                         ? objectAt(entry->offset, nullptr, number)
                                         : inObjectStream(entry->offset, entry->index, number);
    --m_resolving;
    return found;
}

std::optional<PdfObject> PdfFile::resolved(const PdfObject& value) {
    if (value.kind == PdfObject::Kind::Reference)
        return object(value.objectNumber);
    return value;
}

// Object streams hold "number offset" pairs, then the objects from /First on.
std::optional<PdfObject> PdfFile::inObjectStream(qint64 streamNumber, int index, int number) {
    if (m_objectStream != streamNumber) {
        const auto entry = m_entries.constFind(streamNumber);
        if (entry == m_entries.constEnd() || entry->index != -1)
            return std::nullopt;
        QByteArray data;
        const std::optional<PdfObject> dictionary = objectAt(entry->offset, &data, streamNumber);
        const std::optional<qint64> first =
            dictionary ? wholeNumber(dictionary->value("First")) : std::nullopt;
        if (!first || *first < 0 || *first > data.size())
            return std::nullopt;
        m_objectStream = streamNumber;
        m_objectStreamData = std::move(data);
        m_objectStreamFirst = *first;
    }
    PdfParser header(m_objectStreamData);
    for (int n = 0; n <= index; ++n) {
        const std::optional<qint64> object = header.integer();
        const std::optional<qint64> offset = header.integer();
        if (!object || !offset || *offset < 0)
            return std::nullopt;
        if (n < index)
            continue;
        const qint64 at = m_objectStreamFirst + *offset;
        PdfObject found;
        PdfParser parser(m_objectStreamData, at);
        if (*object != number || at >= m_objectStreamData.size() || !parser.object(found))
            return std::nullopt;
        return found;
    }
    return std::nullopt;
}
