#include "cli/ReportLineScan.h"

#include <QtGlobal>

#include <array>
#include <cstring>

namespace {

// Byte classes inside a JSON string.
enum ByteClass : unsigned char { Plain, Quote, Backslash, Control, High };

constexpr std::array<unsigned char, 256> ByteClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int byte = 0; byte < 256; ++byte)
        classes[byte] = byte < 0x20 ? Control : byte >= 0x80 ? High : Plain;
    classes['"'] = Quote;
    classes['\\'] = Backslash;
    return classes;
}();

// Deeper nesting than the report writes goes to the full parser, which has its own bound.
constexpr int MaxDepth = 16;
// Longer numbers than these could overflow or underflow a double, which a JSON parser may
// refuse: they go to the full parser as well.
constexpr int MaxDigits = 100;
constexpr int MaxExponentDigits = 2;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The end of the run of Plain bytes from at on. Eight bytes are tested at once while none of
// them can be a quote, a backslash, a control character or a byte of 0x80 or more (a test
// that can err only towards looking closer); the bytes after that one at a time.
const char* plainRunEnd(const char* at, const char* end) {
    constexpr quint64 Ones = 0x0101010101010101;
    constexpr quint64 Highs = 0x8080808080808080;
    while (end - at >= 8) {
        quint64 word = 0;
        std::memcpy(&word, at, 8);
        const quint64 quote = word ^ (Ones * '"');
        const quint64 backslash = word ^ (Ones * '\\');
        const quint64 suspect = ((quote - Ones) & ~quote) | ((backslash - Ones) & ~backslash) |
                                ((word - Ones * 0x20) & ~word) | word;
        if ((suspect & Highs) != 0)
            break;
        at += 8;
    }
    while (at < end && ByteClasses[static_cast<unsigned char>(*at)] == Plain)
        ++at;
    return at;
}

// One strict pass over a line. Every member that meets something it does not accept returns
// false, which makes the line Unusual.
class Scanner {
public:
    explicit Scanner(QByteArrayView line) : m_at(line.data()), m_end(line.data() + line.size()) {}

    bool line(ReportLineFields& fields) {
        skipBlanks();
        if (!at('{') || !object(0, &fields))
            return false;
        skipBlanks();
        return m_at == m_end && m_found == AllFields;
    }

private:
    enum Field : unsigned { Path = 1, Method = 2, Status = 4, Options = 8, AllFields = 15 };

    bool at(char c) const { return m_at < m_end && *m_at == c; }

    void skipBlanks() {
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\r' || *m_at == '\n'))
            ++m_at;
    }

    // What follows an item of an array or object: its closing bracket, a comma before another
    // item (blanks after it skipped), or anything else, which is not JSON.
    enum class AfterItem { Closed, Another, Broken };
    AfterItem afterItem(char close) {
        skipBlanks();
        if (at(close)) {
            ++m_at;
            return AfterItem::Closed;
        }
        if (!at(','))
            return AfterItem::Broken;
        ++m_at;
        skipBlanks();
        return AfterItem::Another;
    }

    int digits() {
        const char* start = m_at;
        while (m_at < m_end && isDigit(*m_at))
            ++m_at;
        return static_cast<int>(m_at - start);
    }

    // At a quote: the string's text, which must hold no escape when plainOnly is set.
    bool string(QByteArrayView* text, bool plainOnly) {
        const char* start = ++m_at;
        for (;;) {
            m_at = plainRunEnd(m_at, m_end);
            if (m_at == m_end)
                return false;
            switch (ByteClasses[static_cast<unsigned char>(*m_at)]) {
            case Quote:
                if (text)
                    *text = QByteArrayView(start, m_at - start);
                ++m_at;
                return true;
            case Backslash:
                if (plainOnly || !escape())
                    return false;
                break;
            case High:
                if (!utf8())
                    return false;
                break;
            default:
                return false;
            }
        }
    }

    // At a backslash: the one-character escapes; \u is left to the full parser.
    bool escape() {
        if (m_end - m_at < 2)
            return false;
        switch (m_at[1]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            m_at += 2;
            return true;
        default:
            return false;
        }
    }

    // At a byte of 0x80 or more: one well-formed UTF-8 sequence (no overlong form, no
    // surrogate, nothing above U+10FFFF).
    bool utf8() {
        const auto lead = static_cast<unsigned char>(*m_at);
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xbf;
        if (lead >= 0xc2 && lead <= 0xdf) {
            length = 2;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            length = 3;
            low = lead == 0xe0 ? 0xa0 : 0x80;
            high = lead == 0xed ? 0x9f : 0xbf;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            length = 4;
            low = lead == 0xf0 ? 0x90 : 0x80;
            high = lead == 0xf4 ? 0x8f : 0xbf;
        } else {
            return false;
        }
        if (m_end - m_at < length)
            return false;
        for (int n = 1; n < length; ++n) {
            const auto byte = static_cast<unsigned char>(m_at[n]);
            if (byte < (n == 1 ? low : 0x80) || byte > (n == 1 ? high : 0xbf))
                return false;
        }
        m_at += length;
        return true;
    }

    bool number() {
        if (at('-'))
            ++m_at;
        if (at('0'))
            ++m_at;
        else if (m_at == m_end || !isDigit(*m_at) || digits() > MaxDigits)
            return false;
        if (at('.')) {
            ++m_at;
            const int fraction = digits();
            if (fraction == 0 || fraction > MaxDigits)
                return false;
        }
        if (at('e') || at('E')) {
            ++m_at;
            if (at('+') || at('-'))
                ++m_at;
            const int exponent = digits();
            if (exponent == 0 || exponent > MaxExponentDigits)
                return false;
        }
        return true;
    }

    bool literal(QByteArrayView word) {
        if (m_end - m_at < word.size() || QByteArrayView(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    bool value(int depth) {
        if (m_at == m_end)
            return false;
        switch (*m_at) {
        case '"':
            return string(nullptr, false);
        case '{':
            return object(depth + 1, nullptr);
        case '[':
            return array(depth + 1);
        case 't':
            return literal("true");
        case 'f':
            return literal("false");
        case 'n':
            return literal("null");
        default:
            return (*m_at == '-' || isDigit(*m_at)) && number();
        }
    }

    bool array(int depth) {
        if (depth > MaxDepth)
            return false;
        ++m_at;
        skipBlanks();
        if (at(']')) {
            ++m_at;
            return true;
        }
        for (;;) {
            if (!value(depth))
                return false;
            if (const AfterItem next = afterItem(']'); next != AfterItem::Another)
                return next == AfterItem::Closed;
        }
    }

    // The value of one of the fields read: a plain string, or the options object.
    bool field(Field which, ReportLineFields& fields) {
        if ((m_found & which) != 0)
            return false; // which occurrence a parser keeps is its own affair
        m_found |= which;
        if (which == Options) {
            const char* start = m_at;
            if (!at('{') || !object(1, nullptr))
                return false;
            fields.options = QByteArrayView(start, m_at - start);
            return true;
        }
        QByteArrayView* text = which == Path     ? &fields.path
                               : which == Method ? &fields.method
                                                 : &fields.status;
        return at('"') && string(text, true);
    }

    static Field fieldNamed(QByteArrayView key) {
        if (key == "path")
            return Path;
        if (key == "method")
            return Method;
        if (key == "status")
            return Status;
        if (key == "options")
            return Options;
        return Field(0);
    }

    // At an opening brace; fields is set for the line's own object only.
    bool object(int depth, ReportLineFields* fields) {
        if (depth > MaxDepth)
            return false;
        ++m_at;
        skipBlanks();
        if (at('}')) {
            ++m_at;
            return true;
        }
        for (;;) {
            QByteArrayView key;
            if (!at('"') || !string(&key, true))
                return false;
            skipBlanks();
            if (!at(':'))
                return false;
            ++m_at;
            skipBlanks();
            const Field which = fields ? fieldNamed(key) : Field(0);
            if (!(which != 0 ? field(which, *fields) : value(depth)))
                return false;
            if (const AfterItem next = afterItem('}'); next != AfterItem::Another)
                return next == AfterItem::Closed;
        }
    }

    const char* m_at;
    const char* const m_end;
    unsigned m_found = 0;
};

} // namespace

LineShape ScanReportLine(QByteArrayView line, ReportLineFields& fields) {
    fields = {};
    Scanner scanner(line);
    return scanner.line(fields) ? LineShape::Common : LineShape::Unusual;
}
