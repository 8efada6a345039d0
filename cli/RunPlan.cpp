#include "cli/RunPlan.h"

#include "cli/InputList.h"
#include "cli/ShardPlan.h"

#include <QFile>

RunPlan PlanRun(const CliOptions& options) {
    RunPlan plan;
    QStringList paths = options.paths;
    for (const QString& listFile : options.filesFrom) {
        InputListRead read = ReadInputList(listFile, options.listSeparator);
        if (!read.error.isEmpty())
            return {{}, read.error};
        paths += read.paths;
    }
    InputFiles inputs = CollectInputs(paths);
    paths = {};
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

QByteArray PlanListing(const QStringList& pdfs, ListSeparator separator) {
    const char end = separator == ListSeparator::Nul ? '\0' : '\n';
    QByteArray listing;
    for (const QString& pdf : pdfs) {
        listing += QFile::encodeName(pdf);
        listing += end;
    }
    return listing;
}
