#include "cli/RunPlan.h"

#include "cli/AppliedSettings.h"
#include "cli/InputList.h"
#include "cli/ReportJournal.h"
#include "cli/ShardPlan.h"
#include "convert/MethodTable.h"
#include "platform/NativeNames.h"

#include <QDir>

#include <memory>

namespace {

QString readPaths(const CliOptions& options, PathList& paths) {
    for (const QString& path : options.paths)
        paths.appendText(path);
    for (const QString& listFile : options.filesFrom) {
        if (QString error = ReadInputList(listFile, options.listSeparator, paths); !error.isEmpty())
            return error;
    }
    return {};
}

ResumeQuery resumeQuery(const CliOptions& options, bool folders) {
    return {AppliedSettings(options), encodeFileName(QDir::currentPath()), folders, {}};
}

// Resuming without a split: a listed path the report records as done is not looked up.
void planResumed(PathList& entries, ResumeJournal& journal, RunPlan& plan) {
    InputLookups lookups(Weighing::None, [&](QByteArrayView entry, const InputLookup& found) {
        if (!found.folder) {
            plan.pdfs.append(entry);
            ++plan.listed;
            return;
        }
        const std::vector<QByteArray> inFolder =
            PdfsInFolder(entry, plan.emptyFolders, plan.unreadableFolders);
        for (const QByteArray& pdf : inFolder) {
            if (journal.isDone(pdf))
                plan.skip(pdf);
            else
                plan.pdfs.append(pdf);
        }
        plan.listed += static_cast<qsizetype>(inFolder.size());
    });
    qsizetype position = 0;
    entries.drain([&](QByteArrayView entry) {
        if (journal.isDone(position++)) {
            plan.skip(entry);
            ++plan.listed;
        } else {
            lookups.add(entry);
        }
    });
    lookups.flush();
}

// The run's pages when a PDF's pages may be divided between shares: the command's own choices,
// with images named after their page numbers (the methods that number them by position would
// give two shares the same names).
std::optional<PageSelection> divisiblePages(const CliOptions& options) {
    if (options.window)
        return std::nullopt;
    const bool byPage =
        options.request.naming.hasPattern() ||
        MethodTable::standard()[options.method].numbering != PageNumbering::Positions;
    return byPage ? std::optional<PageSelection>(options.request.pages) : std::nullopt;
}

// One share of a split: every PDF of the list looked up and weighed, as in every share.
QString planShare(PathList&& entries, const CliOptions& options, RunPlan& plan) {
    InputFiles inputs = CollectInputs(std::move(entries), Weighing::Pages);
    plan.listed = inputs.pdfs.size();
    plan.emptyFolders = std::move(inputs.emptyFolders);
    plan.unreadableFolders = std::move(inputs.unreadable);
    std::vector<ShareMember> members =
        ShardMembers(inputs.pdfs, inputs.weights, *options.shard, divisiblePages(options));
    PathList share;
    std::map<qsizetype, PageSelection> parts; // by position in share
    auto member = members.begin();
    int position = 0;
    inputs.pdfs.drain([&](QByteArrayView pdf) {
        if (member != members.end() && member->position == position++) {
            if (member->part)
                parts.emplace(share.size(), *member->part);
            share.append(pdf);
            ++member;
        }
    });
    std::unique_ptr<ResumeJournal> journal;
    if (options.resume) {
        ResumeQuery query = resumeQuery(options, false);
        for (const auto& [at, pages] : parts)
            query.partPages.emplace(at, pages.text());
        journal = std::make_unique<ResumeJournal>(share, query);
        if (QString error = ReadReportFile(options.reportFile, *journal); !error.isEmpty())
            return error;
    }
    qsizetype sharePosition = 0;
    share.drain([&](QByteArrayView pdf) {
        const qsizetype at = sharePosition++;
        if (journal && journal->isDone(at)) {
            plan.skip(pdf);
            return;
        }
        if (const auto part = parts.find(at); part != parts.end())
            plan.parts.emplace(plan.pdfs.size(), part->second);
        plan.pdfs.append(pdf);
    });
    return {};
}

} // namespace

void RunPlan::skip(QByteArrayView pdf) {
    if (keepSkipped)
        skipped.append(pdf);
}

RunPlan PlanRun(const CliOptions& options) {
    RunPlan plan;
    plan.keepSkipped = !options.dryRun;
    PathList entries;
    plan.error = readPaths(options, entries);
    if (!plan.error.isEmpty())
        return plan;
    if (options.shard) {
        plan.error = planShare(std::move(entries), options, plan);
        return plan;
    }
    if (options.resume) {
        ResumeJournal journal(entries, resumeQuery(options, true));
        plan.error = ReadReportFile(options.reportFile, journal);
        if (plan.error.isEmpty())
            planResumed(entries, journal, plan);
        return plan;
    }
    InputFiles inputs = CollectInputs(std::move(entries), Weighing::None);
    plan.listed = inputs.pdfs.size();
    plan.pdfs = std::move(inputs.pdfs);
    plan.emptyFolders = std::move(inputs.emptyFolders);
    plan.unreadableFolders = std::move(inputs.unreadable);
    return plan;
}

void WritePlanListing(const PathList& pdfs, ListSeparator separator, std::FILE* out) {
    const char end = separator == ListSeparator::Nul ? '\0' : '\n';
    for (const QByteArrayView pdf : pdfs) {
        std::fwrite(pdf.data(), 1, static_cast<std::size_t>(pdf.size()), out);
        std::fputc(end, out);
    }
}
