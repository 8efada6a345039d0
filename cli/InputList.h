#pragma once

#include "cli/PathList.h"
#include "filelist/FolderScan.h"

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <vector>

// How the entries of a list of paths are separated: one a line, or by NUL characters as
// `find -print0` writes them (the only way to list names that hold a line break).
enum class ListSeparator { Line, Nul };

// Appends the paths of a list to paths, in order, reading it once in chunks. Empty entries
// are left out; in a list of lines a carriage return ending a line is dropped, so lists
// written on Windows read the same. Paths are kept as written (relative ones are taken from
// the current folder), byte for byte, whether or not they are UTF-8. Empty, or why
// the list could not be read.
QString ReadInputList(QIODevice& list, ListSeparator separator, PathList& paths);

// The same for a list file ("-" for standard input).
QString ReadInputList(const QString& listFile, ListSeparator separator, PathList& paths);

// How PDFs are weighed for a split between machines.
enum class Weighing {
    None,  // no split: only whether each path is a folder is looked up
    Pages, // the page count each PDF says it has (EstimatePages)
};

// What one look-up of a path found: a folder, or else a file with its weight (0 for a missing
// or unreadable one, and without weighing).
struct InputLookup {
    bool folder = false;
    qint64 weight = 0;
};
InputLookup LookUpInput(QByteArrayView path, Weighing weighing);

// The PDFs in and below a folder, as the window's folder command finds them, and the folders
// of that tree that could not be read.
PdfFileScan PdfsInFolder(QByteArrayView folder);

// The PDFs a run works on, in order, with their weights when weighed.
struct InputFiles {
    PathList pdfs;
    std::vector<qint64> weights;        // with Weighing::Pages, one per PDF
    QStringList emptyFolders;           // folders given that hold no PDF
    QList<UnreadableFolder> unreadable; // folders given, or found below them, not read
};

// A folder stands for every PDF found in and below it; anything else is taken as it stands,
// as a drop is. Each path is looked up once. The paths are drained as they are taken.
InputFiles CollectInputs(PathList&& paths, Weighing weighing);
