#include "pdffile/PdfObjects.h"

#include <algorithm>
#include <cmath>

namespace {

// Deeper nesting than a file's structure ever needs is taken as damage.
constexpr int MaxDepth = 32;

bool isBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isDelimiter(char c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
}

bool isNumberText(QByteArrayView word) {
    return !word.isEmpty() && std::all_of(word.begin(), word.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    });
}

std::optional<qint64> wholeNumber(QByteArrayView word) {
    if (word.isEmpty() || word.size() > 18)
        return std::nullopt;
    const bool negative = word.front() == '-';
    if (negative || word.front() == '+')
        word = word.sliced(1);
    if (word.isEmpty() ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    qint64 number = 0;
    for (const char c : word)
        number = number * 10 + (c - '0');
    return negative ? -number : number;
}

} // namespace

const PdfObject* PdfObject::value(QByteArrayView key) const {
    if (kind != Kind::Dictionary)
        return nullptr;
    for (std::size_t n = 0; n < keys.size(); ++n) {
        if (keys[n] == key)
            return &items[n];
    }
    return nullptr;
}

std::optional<qint64> PdfObject::integer() const {
    if (kind != Kind::Number || number != std::floor(number) || std::fabs(number) > 9e15)
        return std::nullopt;
    return static_cast<qint64>(number);
}

bool PdfParser::fail(bool ranOut) {
    m_ranOut = m_ranOut || ranOut;
    return false;
}

void PdfParser::skipBlanks() {
    while (m_at < m_text.size()) {
        if (m_text[m_at] == '%') {
            while (m_at < m_text.size() && m_text[m_at] != '\n' && m_text[m_at] != '\r')
                ++m_at;
        } else if (isBlank(m_text[m_at])) {
            ++m_at;
        } else {
            return;
        }
    }
}

QByteArrayView PdfParser::word() {
    const qsizetype start = m_at;
    while (m_at < m_text.size() && !isBlank(m_text[m_at]) && !isDelimiter(m_text[m_at]))
        ++m_at;
    // A word that runs to the end of the piece may go on after it: no word can be read there.
    if (m_at == m_text.size()) {
        m_ranOut = true;
        return {};
    }
    return m_text.sliced(start, m_at - start);
}

bool PdfParser::keyword(QByteArrayView expected) {
    const qsizetype start = m_at;
    skipBlanks();
    if (word() == expected)
        return true;
    m_at = start;
    return false;
}

std::optional<qint64> PdfParser::integer() {
    const qsizetype start = m_at;
    skipBlanks();
    const std::optional<qint64> number = wholeNumber(word());
    if (!number)
        m_at = start;
    return number;
}

qsizetype PdfParser::streamStart() const {
    if (m_at + 1 < m_text.size() && m_text[m_at] == '\r' && m_text[m_at + 1] == '\n')
        return m_at + 2;
    if (m_at < m_text.size() && (m_text[m_at] == '\n' || m_text[m_at] == '\r'))
        return m_at + 1;
    return m_at;
}

bool PdfParser::object(PdfObject& out) {
    out = PdfObject();
    return value(out, 0);
}

bool PdfParser::skipString() {
    int open = 0;
    for (; m_at < m_text.size(); ++m_at) {
        const char c = m_text[m_at];
        if (c == '\\')
            ++m_at;
        else if (c == '(')
            ++open;
        else if (c == ')' && --open == 0) {
            ++m_at;
            return true;
        }
    }
    return fail(true);
}

bool PdfParser::skipHexString() {
    const qsizetype close = m_text.indexOf('>', m_at);
    if (close < 0)
        return fail(true);
    m_at = close + 1;
    return true;
}

bool PdfParser::container(PdfObject& out, int depth, char close) {
    const bool dictionary = close == '>';
    out.kind = dictionary ? PdfObject::Kind::Dictionary : PdfObject::Kind::Array;
    m_at += dictionary ? 2 : 1;
    for (;;) {
        skipBlanks();
        if (m_at >= m_text.size())
            return fail(true);
        if (m_text[m_at] == close) {
            if (!dictionary) {
                ++m_at;
                return true;
            }
            if (m_at + 1 >= m_text.size())
                return fail(true);
            m_at += 2;
            return m_text[m_at - 1] == '>' || fail();
        }
        if (dictionary) {
            PdfObject key;
            if (!value(key, depth) || key.kind != PdfObject::Kind::Name)
                return fail();
            out.keys.push_back(key.name);
        }
        out.items.emplace_back();
        if (!value(out.items.back(), depth))
            return false;
    }
}

bool PdfParser::value(PdfObject& out, int depth) {
    skipBlanks();
    if (m_at >= m_text.size())
        return fail(true);
    if (depth > MaxDepth)
        return fail();
    const char c = m_text[m_at];
    const bool doubleAngle = c == '<' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '<';
    if (c == '/') {
        ++m_at;
        out.kind = PdfObject::Kind::Name;
        out.name = word().toByteArray();
        return m_at < m_text.size() || fail(true);
    }
    if (doubleAngle || c == '[')
        return container(out, depth + 1, doubleAngle ? '>' : ']');
    if (c == '(' || c == '<') {
        out.kind = PdfObject::Kind::String;
        return c == '(' ? skipString() : (++m_at, skipHexString());
    }
    const QByteArrayView text = word();
    if (m_at == m_text.size())
        return fail(true);
    if (text == "true" || text == "false" || text == "null") {
        out.kind = text == "null" ? PdfObject::Kind::Null : PdfObject::Kind::Boolean;
        return true;
    }
    if (!isNumberText(text))
        return fail();
    out.kind = PdfObject::Kind::Number;
    out.number = text.toByteArray().toDouble();
    // "N G R" is a reference to object N.
    const qsizetype after = m_at;
    const std::optional<qint64> object = wholeNumber(text);
    if (object && *object >= 0 && *object < (qint64(1) << 31) && integer() && keyword("R")) {
        out.kind = PdfObject::Kind::Reference;
        out.objectNumber = static_cast<int>(*object);
    } else {
        m_at = after;
    }
    return true;
}
