#pragma once

#include <QByteArrayView>

// The fields of a report line that a resumed run reads.
struct ReportLineFields {
    QByteArrayView path; // the text of each string, as written (it holds no escape)
    QByteArrayView method;
    QByteArrayView status;
    QByteArrayView options; // the whole "options" object, braces included
};

enum class LineShape {
    Common,  // a JSON object as the report writes them: fields holds what it says
    Unusual, // anything else, valid JSON or not: for a full JSON parser to judge
};

// Reads one report line in a single pass without building a document: the line must be one
// JSON object holding "path", "method" and "status" as strings without escapes and "options"
// as an object, each once. The whole line is checked as strictly as JSON itself (strings of
// valid UTF-8 without control characters, numbers, nesting, nothing after the object), so a
// torn line, which is no valid JSON, is never Common. Rarer shapes (escapes in those fields,
// \u escapes anywhere, numbers with long exponents, deep nesting, repeated fields) are
// Unusual, as is every line that is no valid JSON.
LineShape ScanReportLine(QByteArrayView line, ReportLineFields& fields);
