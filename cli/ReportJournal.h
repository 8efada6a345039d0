#pragma once

#include "cli/JournalPass.h"
#include "cli/PathKeys.h"
#include "cli/PathList.h"
#include "cli/RunReport.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <map>
#include <utility>
#include <vector>

// What a resumed run compares the lines of its report with.
struct ResumeQuery {
    ReportSettings settings;  // as this run applies them
    QByteArray currentFolder; // where relative paths start, those of the list and the report's
    // The list may name folders: report lines for paths below a listed path are kept as well,
    // for the PDFs that the folder will be found to hold.
    bool folders = true;
    // Listed PDFs whose pages a split divided between shares: list position -> the pages this
    // share converts of each, which their lines must show.
    std::map<qsizetype, QString> partPages;
};

// What a run report says of the paths of a list, read for resuming. A path is done when its
// last line says "converted" with the same method and the same options by meaning
// (SameOptions); lines of earlier resumed runs ("skipped") change nothing, so a run can be
// resumed any number of times, and a later line of another status undoes an earlier
// "converted". Paths compare in their clean absolute form (PathNormaliser): relative ones,
// in the list and in the report alike, start at the current folder of this run, so a report
// that holds relative paths is resumed from the folder it was written in. Lines that are no
// JSON object with a string "path", and a last line without its line end (the torn line of a
// killed run), count for nothing.
//
// Memory follows the list, not the report: a key and a flag per listed path, and a key per
// report path found below a listed path.
class ResumeJournal {
public:
    ResumeJournal(const PathList& paths, const ResumeQuery& query);
    ResumeJournal(const ResumeJournal&) = delete; // its target points into it
    ResumeJournal& operator=(const ResumeJournal&) = delete;

    // Takes in a report, reading it once from start to end. Empty, or why it could not be
    // read.
    QString read(QIODevice& report);
    // The same for a report file. One larger than splitAbove bytes is read in two parts side
    // by side, each by a thread of its own, the second starting at a line: a machine's two
    // processors read a report of gigabytes in half the time.
    static constexpr qint64 DefaultSplit = qint64(64) << 20;
    QString readFile(const QString& reportFile, qint64 splitAbove = DefaultSplit);

    // Whether the listed path at this position of the list is done.
    bool isDone(qsizetype listPosition) const { return m_done[listPosition] != 0; }
    // Whether any path is done: a listed one, or a PDF found in a listed folder.
    bool isDone(QByteArrayView path);

private:
    void insertListed(const PathList& paths, const QByteArray& currentFolder);
    // Takes in what the passes over consecutive parts of the report found, in report order.
    void takePasses(const std::vector<const JournalPass*>& passes);

    PathKeyTable m_listed; // key -> first list position of the path
    JournalTarget m_target;
    PathNormaliser m_paths;
    std::vector<quint8> m_done;
    std::vector<std::pair<quint32, quint32>> m_repeats; // later position, first position
    PathKeyTable m_below;                               // key -> JournalPass::Verdict
};

// Takes the report file in, when there is one: a report that does not exist yet holds nothing
// done. Empty, or why it could not be read.
QString ReadReportFile(const QString& reportFile, ResumeJournal& journal);

// A run killed mid-write leaves a last line without its end. Before a run appends to the
// report, that line gets its end, so the new lines are never glued to the fragment. False,
// with error set, when the report exists and cannot be read or written.
bool EndTornLastLine(const QString& reportFile, QString& error);
