#pragma once

#include "cli/RunReport.h"

#include <QSet>
#include <QString>

struct JournalRead {
    QSet<QString> converted; // paths done with the same settings
    QString error;           // empty when the report was read or does not exist yet
};

// Reads a run report (one JSON object a line) for resuming: a path counts as done when its
// last valid line has status "converted" and the same method and options as settings. Lines
// that are not valid JSON objects, such as the torn last line of a killed run, are skipped.
// A report that does not exist yet holds nothing done.
JournalRead ReadConvertedPaths(const QString& reportFile, const ReportSettings& settings);
