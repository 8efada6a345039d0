#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <vector>

// One PDF object as far as the structure of a file needs it: numbers, names, references,
// arrays and dictionaries. Strings are read past but not kept.
struct PdfObject {
    enum class Kind { Null, Boolean, Number, Name, String, Array, Dictionary, Reference };
    Kind kind = Kind::Null;
    double number = 0;            // a number's value
    int objectNumber = 0;         // a reference's object
    QByteArray name;              // a name without its "/"
    std::vector<PdfObject> items; // an array's items, a dictionary's values
    std::vector<QByteArray> keys; // a dictionary's keys, without their "/"

    // A dictionary's value for key; nothing when absent or this is no dictionary.
    const PdfObject* value(QByteArrayView key) const;
    // A whole number that fits in 64 bits; nothing for anything else.
    std::optional<qint64> integer() const;
    bool isName(QByteArrayView text) const { return kind == Kind::Name && name == text; }
};

// Reads PDF syntax from a piece of a file.
class PdfParser {
public:
    explicit PdfParser(QByteArrayView text, qsizetype at = 0) : m_text(text), m_at(at) {}

    // The next object, a reference "N G R" included; false when there is none to read.
    bool object(PdfObject& out);
    // The next token when it is this keyword ("obj", "stream", "xref", "trailer", ...).
    bool keyword(QByteArrayView word);
    // The next token when it is a whole number.
    std::optional<qint64> integer();

    qsizetype position() const { return m_at; }
    // After the end of a stream's keyword: the first byte of its data.
    qsizetype streamStart() const;
    // True when a read failed because the piece ended: a larger piece may succeed.
    bool ranOut() const { return m_ranOut; }

private:
    void skipBlanks();
    QByteArrayView word(); // a run of regular characters
    bool value(PdfObject& out, int depth);
    bool container(PdfObject& out, int depth, char close);
    bool skipString();
    bool skipHexString();
    bool fail(bool ranOut = false);

    QByteArrayView m_text;
    qsizetype m_at;
    bool m_ranOut = false;
};
