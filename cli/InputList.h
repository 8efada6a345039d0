#pragma once

#include "cli/PathList.h"
#include "filelist/FolderScan.h"
#include "platform/PathLookups.h"

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>
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

// What a PDF weighs in a split between machines: its pages, and whether they are the count
// its page tree gives (pages a split may divide between shares) rather than its size read as
// pages.
struct PdfWeight {
    qint64 pages = 0;
    bool counted = false;
};

// What one look-up of a path found: a folder, or else a file with its weight (nothing for a
// missing or unreadable one, and without weighing).
struct InputLookup {
    bool folder = false;
    PdfWeight weight;
};
InputLookup LookUpInput(PathLookups& lookups, QByteArrayView path, Weighing weighing);

// Looks paths up a batch at a time, the two halves of a full batch side by side on two
// threads: going through a list of millions is mostly waiting for the file system, one path
// after the other. Each path comes back with what was found, in the order given.
class InputLookups {
public:
    using Take = std::function<void(QByteArrayView path, const InputLookup& found)>;

    InputLookups(Weighing weighing, Take take) : m_weighing(weighing), m_take(std::move(take)) {}

    // Takes path in; when the batch is full, looks it up and hands its paths on.
    void add(QByteArrayView path);
    // Looks up and hands on the paths still waiting; call after the last add.
    void flush();
    // One path looked up at once, on this thread; only from within take, or with the batch
    // empty.
    InputLookup lookUpNow(QByteArrayView path) {
        return LookUpInput(m_lookups[0], path, m_weighing);
    }

private:
    static constexpr qsizetype BatchSize = 8192;
    // Below this, a batch is not worth a second thread.
    static constexpr std::size_t SplitFrom = 64;

    Weighing m_weighing;
    Take m_take;
    PathList m_batch;
    std::vector<QByteArrayView> m_paths;
    std::vector<InputLookup> m_found;
    PathLookups m_lookups[2];
};

// The PDFs in and below a listed folder, as the window's folder command finds them, in the
// file system's encoding. The folders of that tree that could not be read are added to
// unreadable, and the folder to emptyFolders when it holds no PDF (one that could not be read
// all through may hold some: it is not called empty).
std::vector<QByteArray> PdfsInFolder(QByteArrayView folder, QStringList& emptyFolders,
                                     QList<UnreadableFolder>& unreadable);

// The PDFs a run works on, in order, with their weights when weighed.
struct InputFiles {
    PathList pdfs;
    std::vector<PdfWeight> weights;     // with Weighing::Pages, one per PDF
    QStringList emptyFolders;           // folders given that hold no PDF
    QList<UnreadableFolder> unreadable; // folders given, or found below them, not read
};

// A folder stands for every PDF found in and below it; anything else is taken as it stands,
// as a drop is. Each path is looked up once. The paths are drained as they are taken.
InputFiles CollectInputs(PathList&& paths, Weighing weighing);
