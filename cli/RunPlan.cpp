#include "cli/RunPlan.h"

#include "cli/InputList.h"
#include "cli/ReportJournal.h"
#include "cli/ShardPlan.h"
#include "platform/NativeNames.h"

RunPlan PlanRun(const CliOptions& options) {
    RunPlan plan;
    QStringList paths = options.paths;
    for (const QString& listFile : options.filesFrom) {
        InputListRead read = ReadInputList(listFile, options.listSeparator);
        if (!read.error.isEmpty()) {
            plan.error = read.error;
            return plan;
        }
        paths += read.paths;
    }
    InputFiles inputs = CollectInputs(paths);
    paths = {};
    plan.listed = static_cast<int>(inputs.pdfs.size());
    plan.emptyFolders = std::move(inputs.emptyFolders);
    if (!options.shard) {
        plan.pdfs = std::move(inputs.pdfs);
        return plan;
    }
    const std::vector<int> members = ShardMembers(inputs.pdfs, inputs.sizes, *options.shard);
    plan.pdfs.reserve(static_cast<qsizetype>(members.size()));
    for (const int index : members)
        plan.pdfs.append(inputs.pdfs[index]);
    return plan;
}

QString SkipConverted(RunPlan& plan, const QString& reportFile, const ReportSettings& settings) {
    const JournalRead journal = ReadConvertedPaths(reportFile, settings);
    if (!journal.error.isEmpty())
        return journal.error;
    if (journal.converted.isEmpty())
        return {};
    QStringList remaining;
    for (QString& pdf : plan.pdfs)
        (journal.converted.contains(pdf) ? plan.skipped : remaining).append(std::move(pdf));
    plan.pdfs = std::move(remaining);
    return {};
}

QByteArray PlanListing(const QStringList& pdfs, ListSeparator separator) {
    const char end = separator == ListSeparator::Nul ? '\0' : '\n';
    QByteArray listing;
    for (const QString& pdf : pdfs) {
        listing += encodeFileName(pdf);
        listing += end;
    }
    return listing;
}
