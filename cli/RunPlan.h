#pragma once

#include "cli/CliOptions.h"
#include "cli/PathList.h"
#include "convert/PageSelection.h"
#include "filelist/FolderScan.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <map>

// The PDFs one run of pagekiln-convert converts: those of its paths and lists, in order, less
// those of the other shares when the run is one share of several, less those done already
// when it resumes (--resume with --report).
struct RunPlan {
    PathList pdfs;
    PathList skipped;         // left out as a resumed run: done before alike (a dry run,
                              // which records nothing, keeps none)
    qsizetype listed = 0;     // PDFs of all paths and lists, before any split
    QStringList emptyFolders; // folders given that hold no PDF
    QList<UnreadableFolder> unreadableFolders; // given, or found below them, and not read
    QString error;                             // one line: a list or report that could not be read
    // PDFs of a share whose pages the split divided between shares: position in pdfs -> the
    // pages this share converts of it.
    std::map<qsizetype, PageSelection> parts;

    bool keepSkipped = true;
    void skip(QByteArrayView pdf);
};

// A resumed run without a split reads the report before it looks anything up: a listed path
// the report records as done is left out as it stands, so only the paths still to convert are
// looked up. A split weighs every PDF of the list first, as every share must, and leaves out
// those of its own share that are done.
RunPlan PlanRun(const CliOptions& options);

// The plan as --dry-run prints it: each PDF followed by a line end, or by a NUL character
// when the lists were NUL-separated.
void WritePlanListing(const PathList& pdfs, ListSeparator separator, std::FILE* out);
