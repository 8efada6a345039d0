#include "pdffile/PdfStreams.h"

#include <zlib.h>

#include <cstdlib>
#include <limits>

namespace {

std::optional<QByteArray> inflated(QByteArrayView data, qsizetype maxBytes) {
    if (data.size() > std::numeric_limits<uInt>::max())
        return std::nullopt;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    QByteArray out;
    int status = Z_OK;
    while (status == Z_OK) {
        constexpr qsizetype Step = 64 * 1024;
        const qsizetype used = out.size();
        if (used >= maxBytes)
            break;
        out.resize(std::min(used + Step, maxBytes));
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + used);
        stream.avail_out = static_cast<uInt>(out.size() - used);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(out.size() - static_cast<qsizetype>(stream.avail_out));
    }
    inflateEnd(&stream);
    // Data that simply stops (no end marker) is common and still usable; damage is not.
    if (status == Z_STREAM_END || (status == Z_BUF_ERROR && stream.avail_in == 0))
        return out;
    return std::nullopt;
}

int parameter(const PdfObject* parameters, QByteArrayView key, int fallback) {
    const PdfObject* value = parameters ? parameters->value(key) : nullptr;
    const std::optional<qint64> number = value ? value->integer() : std::nullopt;
    return number && *number > 0 && *number < (1 << 20) ? static_cast<int>(*number) : fallback;
}

// Undoes the PNG predictors (one filter byte before each row), as used with FlateDecode.
std::optional<QByteArray> unpredicted(const QByteArray& data, const PdfObject* parameters) {
    const int colours = parameter(parameters, "Colors", 1);
    const int bits = parameter(parameters, "BitsPerComponent", 8);
    const int columns = parameter(parameters, "Columns", 1);
    const qsizetype pixelBytes = std::max<qsizetype>(1, qsizetype(colours) * bits / 8);
    const qsizetype rowBytes = (qsizetype(colours) * bits * columns + 7) / 8;
    if (rowBytes >= data.size())
        return std::nullopt;
    QByteArray out;
    QByteArray previous(rowBytes, '\0');
    for (qsizetype at = 0; at + rowBytes + 1 <= data.size(); at += rowBytes + 1) {
        const int filter = static_cast<unsigned char>(data[at]);
        QByteArray row = data.sliced(at + 1, rowBytes);
        for (qsizetype n = 0; n < rowBytes; ++n) {
            const int left = n >= pixelBytes ? static_cast<unsigned char>(row[n - pixelBytes]) : 0;
            const int up = static_cast<unsigned char>(previous[n]);
            const int upLeft =
                n >= pixelBytes ? static_cast<unsigned char>(previous[n - pixelBytes]) : 0;
            int add = 0;
            if (filter == 1)
                add = left;
            else if (filter == 2)
                add = up;
            else if (filter == 3)
                add = (left + up) / 2;
            else if (filter == 4) {
                const int estimate = left + up - upLeft;
                const int toLeft = std::abs(estimate - left);
                const int toUp = std::abs(estimate - up);
                const int toUpLeft = std::abs(estimate - upLeft);
                add = toLeft <= toUp && toLeft <= toUpLeft ? left : toUp <= toUpLeft ? up : upLeft;
            } else if (filter != 0)
                return std::nullopt;
            row[n] = static_cast<char>(static_cast<unsigned char>(row[n]) + add);
        }
        out += row;
        previous = row;
    }
    return out;
}

// The only filter of a stream, with its parameters: a name or an array of one.
const PdfObject* single(const PdfObject* entry) {
    if (entry && entry->kind == PdfObject::Kind::Array)
        return entry->items.size() == 1 ? &entry->items.front() : nullptr;
    return entry;
}

} // namespace

std::optional<QByteArray> DecodeStream(const PdfObject& dictionary, QByteArrayView data,
                                       qsizetype maxBytes) {
    const PdfObject* filters = dictionary.value("Filter");
    if (!filters || (filters->kind == PdfObject::Kind::Array && filters->items.empty())) {
        if (data.size() > maxBytes)
            return std::nullopt;
        return data.toByteArray();
    }
    const PdfObject* filter = single(filters);
    if (!filter || !filter->isName("FlateDecode"))
        return std::nullopt;
    std::optional<QByteArray> decoded = inflated(data, maxBytes);
    const PdfObject* parameters = single(dictionary.value("DecodeParms"));
    if (parameters && parameters->kind != PdfObject::Kind::Dictionary)
        parameters = nullptr;
    const int predictor = parameter(parameters, "Predictor", 1);
    if (!decoded || predictor == 1)
        return decoded;
    if (predictor < 10)
        return std::nullopt;
    return unpredicted(*decoded, parameters);
}
