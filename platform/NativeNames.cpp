#include "platform/NativeNames.h"

#include <QFile>

#include <optional>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr unsigned char kFirstEscaped = 0x80;

// The byte an escaped character stands for, when it is one.
std::optional<unsigned char> escapedByte(const QString& text, qsizetype i) {
    const char16_t c = text.at(i).unicode();
    if (c < kEscapeBase + kFirstEscaped || c > kEscapeBase + 0xFF)
        return std::nullopt;
    // A low surrogate after a high one is half of a real character.
    if (i > 0 && text.at(i - 1).isHighSurrogate())
        return std::nullopt;
    return static_cast<unsigned char>(c - kEscapeBase);
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at data (at most size bytes), 0 when there is none:
// no overlong forms, no surrogates, nothing above U+10FFFF.
qsizetype validSequenceLength(const unsigned char* data, qsizetype size) {
    const unsigned char lead = data[0];
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (size < length || data[1] < low || data[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (!isContinuation(data[i]))
            return 0;
    }
    return length;
}

template <typename Replace> QString replacingEscapes(const QString& name, Replace replace) {
    if (!holdsRawBytes(name))
        return name;
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (const std::optional<unsigned char> byte = escapedByte(name, i))
            out += replace(*byte);
        else
            out += name.at(i);
    }
    return out;
}

} // namespace

QString decodeFileName(QByteArrayView bytes) {
    if (bytes.isValidUtf8())
        return QFile::decodeName(bytes.toByteArray());
    QString text;
    text.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const qsizetype length = validSequenceLength(data + i, size - i);
        if (length == 0) {
            text += QChar(static_cast<char16_t>(kEscapeBase + data[i]));
            ++i;
        } else {
            text += QString::fromUtf8(bytes.sliced(i, length));
            i += length;
        }
    }
    return text;
}

QByteArray encodeFileName(const QString& name) {
    if (!holdsRawBytes(name))
        return QFile::encodeName(name);
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (const std::optional<unsigned char> byte = escapedByte(name, i)) {
            bytes += QStringView(name).sliced(start, i - start).toUtf8();
            bytes += static_cast<char>(*byte);
            start = i + 1;
        }
    }
    bytes += QStringView(name).sliced(start).toUtf8();
    return bytes;
}

bool holdsRawBytes(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (escapedByte(name, i))
            return true;
    }
    return false;
}

QString printableFileName(const QString& name) {
    return replacingEscapes(name, [](unsigned char byte) {
        return QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    });
}

QString matchableFileName(const QString& name) {
    return replacingEscapes(name,
                            [](unsigned char) { return QString(QChar::ReplacementCharacter); });
}

QStringList decodeArguments(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(decodeFileName(argv[i]));
    return arguments;
}
