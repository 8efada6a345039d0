// The report reader a resumed run starts with, on any report file. Kept to the public reading
// function alone, so that it follows the reader wherever it goes.
#include "FuzzSupport.h"
#include "cli/ReportJournal.h"

#include <algorithm>

namespace {

// The settings of the hand-made seeds, so that lines can match them.
ReportSettings seedSettings() {
    ReportSettings settings;
    settings.method = QStringLiteral("gflax");
    settings.output = QStringLiteral("/out/");
    settings.resolution = QStringLiteral("144");
    settings.pages = QStringLiteral("3");
    settings.quality = QStringLiteral("80");
    return settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString report = scratchPath(QStringLiteral("report.jsonl"));
    static const ReportSettings settings = seedSettings();
    writeScratch(report, data, size);
    const JournalRead read = ReadConvertedPaths(report, settings);
    if (!read.error.isEmpty())
        broken("a report that exists and can be read is read");
    const auto lines = std::count(data, data + size, '\n');
    if (read.converted.size() > lines)
        broken("each path done comes from a whole line of its own");
    return 0;
}
