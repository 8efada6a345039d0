#pragma once

#include "cli/PathList.h"
#include "convert/ConversionOutcome.h"
#include "platform/FileCopy.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The settings a run converted with, as applied and as the report names them.
struct ReportSettings {
    QString method; // the command-line name of the method
    QString output;
    QString resolution; // dots per inch; empty when the pages are fitted in a box
    QString pages;
    QString quality;
    QString colour;
    QString size; // empty when the pages keep the resolution's size
    QString name; // the naming pattern; empty for the method's own names
    QString tree; // "kept" when the images go below the PDFs' own folders; empty otherwise

    // The report's "options" object: every setting but the method, empty ones left out.
    QJsonObject options() const;
};

// The run's journal: one compact JSON object a line, one line per PDF, appended as each PDF
// finishes. Each line goes out in a single write, so a run that is killed leaves at most a
// torn last line, which readers skip as it is not valid JSON.
class RunReport {
public:
    // Opens file for appending ("-" is standard output); false with error set when it cannot.
    bool open(const QString& file, QString& error);
    bool isOpen() const { return m_file.isOpen(); }

    // Writes the line of one PDF; false when the write failed. replaces: the PDFs of this run
    // whose images this one's replaced.
    bool record(const QString& path, const ReportSettings& settings,
                const ConversionOutcome& outcome, const QStringList& replaces = {});

    // Writes a "skipped" line for each path, in order: whole lines, many to a write, so that
    // the millions of lines of a large resumed run go out in seconds. False when a write failed.
    bool recordSkipped(const PathList& paths, const ReportSettings& settings);

    // The line of one PDF, with its final newline.
    static QByteArray line(const QString& path, const ReportSettings& settings,
                           const ConversionOutcome& outcome, const QStringList& replaces = {});

private:
    AppendingFile m_file;
};

// text on one line: backslashes, line feeds and carriage returns written as \\, \n and \r, so
// that a path holding them cannot break the one-line-per-PDF output, and each byte of a name
// that is not UTF-8 as \xe9.
QString oneLine(const QString& text);
