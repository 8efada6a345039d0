// The report reader a resumed run starts with, on any report file, read in one pass and split
// in two parts side by side. Kept to the public reading functions alone, so that it follows
// the reader wherever it goes.
#include "FuzzSupport.h"
#include "cli/ReportJournal.h"

#include <QFile>

namespace {

// The settings and paths of the hand-made seeds, so that lines can match them.
ResumeQuery seedQuery() {
    ResumeQuery query;
    query.settings.method = QStringLiteral("gflax");
    query.settings.output = QStringLiteral("/out/");
    query.settings.resolution = QStringLiteral("144");
    query.settings.pages = QStringLiteral("3");
    query.settings.quality = QStringLiteral("80");
    query.currentFolder = "/in";
    return query;
}

PathList seedPaths() {
    PathList paths;
    for (const char* path : {"/in/h.pdf", "/in/a.pdf", "h.pdf", "/in"})
        paths.append(path);
    return paths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString report = scratchPath(QStringLiteral("report.jsonl"));
    static const ResumeQuery query = seedQuery();
    static const PathList paths = seedPaths();
    writeScratch(report, data, size);
    ResumeJournal whole(paths, query);
    ResumeJournal split(paths, query);
    if (!whole.readFile(report).isEmpty() || !split.readFile(report, 0).isEmpty())
        broken("a report that exists and can be read is read");
    for (qsizetype position = 0; position < paths.size(); ++position) {
        if (whole.isDone(position) != split.isDone(position))
            broken("a report read in two parts says what it says read whole");
    }
    return 0;
}
