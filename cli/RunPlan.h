#pragma once

#include "cli/CliOptions.h"
#include "cli/RunReport.h"

#include <QString>
#include <QStringList>

// The PDFs one run of pagekiln-convert converts: those of its paths and lists, in order, less
// those of the other shares when the run is one share of several, less those done already
// when it resumes.
struct RunPlan {
    QStringList pdfs;
    QStringList skipped;      // left out as a resumed run: done before alike
    int listed = 0;           // PDFs of all paths and lists, before any split
    QStringList emptyFolders; // folders given that hold no PDF
    QString error;            // one line: a list that could not be read
};

RunPlan PlanRun(const CliOptions& options);

// A resumed run: moves the PDFs that reportFile records as converted with these settings from
// pdfs to skipped, both keeping list order. Gives an error text for a report it cannot read.
QString SkipConverted(RunPlan& plan, const QString& reportFile, const ReportSettings& settings);

// The plan as --dry-run prints it: each PDF followed by a line end, or by a NUL character
// when the lists were NUL-separated.
QByteArray PlanListing(const QStringList& pdfs, ListSeparator separator);
