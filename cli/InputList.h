#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// How the entries of a list of paths are separated: one a line, or by NUL characters as
// `find -print0` writes them (the only way to list names that hold a line break).
enum class ListSeparator { Line, Nul };

struct InputListRead {
    QStringList paths;
    QString error; // empty when the list was read
};

// The paths of a list file ("-" for standard input), in order. Empty entries are left out; in
// a list of lines a carriage return ending a line is dropped, so lists written on Windows
// read the same. Paths are kept as written: relative ones are taken from the current folder.
InputListRead ReadInputList(const QString& listFile, ListSeparator separator);

// The PDFs a run works on, in order, with the size of each file in bytes (0 for a missing
// or unreadable one).
struct InputFiles {
    QStringList pdfs;
    std::vector<qint64> sizes;
    QStringList emptyFolders; // folders given that hold no PDF
};

// A folder stands for every PDF found in and below it, as the window's folder command finds
// them; anything else is taken as it stands, as a drop is. Each path is looked up once.
InputFiles CollectInputs(const QStringList& paths);
