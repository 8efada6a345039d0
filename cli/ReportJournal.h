#pragma once

#include "cli/RunReport.h"

#include <QSet>
#include <QString>

struct JournalRead {
    QSet<QString> converted; // paths done with the same settings
    QString error;           // empty when the report was read or does not exist yet
};

// Reads a run report (one JSON object a line) for resuming: a path counts as done when its
// last valid line has status "converted" and the same method and options as settings.
// "skipped" lines, written by earlier resumed runs, do not count as lines here, so a run can
// be resumed any number of times. Lines that are not valid JSON objects, and a last line
// without its line end (the torn line of a killed run), are left out. A report that does not
// exist yet holds nothing done.
JournalRead ReadConvertedPaths(const QString& reportFile, const ReportSettings& settings);

// A run killed mid-write leaves a last line without its end. Before a run appends to the
// report, that line gets its end, so the new lines are never glued to the fragment. False,
// with error set, when the report exists and cannot be read or written.
bool EndTornLastLine(const QString& reportFile, QString& error);
