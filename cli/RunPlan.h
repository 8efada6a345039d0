#pragma once

#include "cli/CliOptions.h"

#include <QString>
#include <QStringList>

// The PDFs one run of pagekiln-convert converts: those of its paths and lists, in order, less
// those of the other shares when the run is one share of several.
struct RunPlan {
    QStringList pdfs;
    QString error; // one line: a list that could not be read
};

RunPlan PlanRun(const CliOptions& options);

// The plan as --dry-run prints it: each PDF followed by a line end, or by a NUL character
// when the lists were NUL-separated.
QByteArray PlanListing(const QStringList& pdfs, ListSeparator separator);
