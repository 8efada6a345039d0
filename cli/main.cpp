#include "cli/AppliedSettings.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleUserInterface.h"
#include "cli/FolderFailures.h"
#include "cli/NameCollisions.h"
#include "cli/ParallelConverter.h"
#include "cli/ReportJournal.h"
#include "cli/RunConsole.h"
#include "cli/RunPlan.h"
#include "cli/RunReport.h"
#include "convert/BatchDriver.h"
#include "convert/MethodTable.h"
#include "convert/Naming.h"
#include "platform/AppSettings.h"
#include "platform/NativeNames.h"
#include "platform/OpenFiles.h"
#include "platform/ProgramEnd.h"
#include "platform/StopRequest.h"
#include "platform/WorkFolder.h"
#include "protocol/Environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

enum ExitStatus { AllConverted = 0, SomeFailed = 1, UsageError = 2 };

// Each parallel job runs its own component servers. They split the memory budget between them,
// and one budget of rendering threads, the processors: the servers count themselves in a small
// shared file while they convert, and each renders with its share of the processors. So many
// short PDFs get a processor each and do not contend, while a long PDF left alone at the end of
// the run gets them all.
void shareTheMachineBetweenJobs(int jobs, const WorkFolder& runFolder) {
    jobs = std::max(1, jobs);
    if (!qEnvironmentVariableIsSet(Environment::kRenderThreads))
        qputenv(Environment::kRenderThreads, QByteArray::number(QThread::idealThreadCount()));
    if (!qEnvironmentVariableIsSet(Environment::kMemoryShare))
        qputenv(Environment::kMemoryShare, QByteArray::number(jobs));
    // Zeroed room for the servers' slots.
    constexpr qint64 bytes = RunLedgerLayout::kBytes;
    QFile ledger(runFolder.path() + QStringLiteral("/servers-at-work"));
    if (jobs > 1 && runFolder.isValid() && ledger.open(QIODevice::WriteOnly) &&
        ledger.write(QByteArray(bytes, '\0')) == bytes && ledger.flush())
        qputenv(Environment::kRunLedger, QFile::encodeName(ledger.fileName()));
}

void reportUsageError(const QString& message) {
    std::fprintf(stderr, "pagekiln-convert: %s (try --help)\n", qPrintable(message));
}

// --output names a folder: made with its parents when missing, and joined to the images' names
// with "/". A path that exists and is no folder is refused.
bool prepareOutputFolder(CliOptions& options, QString& error) {
    QString& folder = options.outputFolder;
    if (!options.outputGiven || folder.isEmpty())
        return true;
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        error = QStringLiteral("--output %1 is not a folder").arg(oneLine(folder));
        return false;
    }
    if (!info.exists() && !QDir().mkpath(folder)) {
        error = QStringLiteral("cannot create the output folder %1").arg(oneLine(folder));
        return false;
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return true;
}

// The passwords of --password-file, one a line; blank lines are skipped.
bool readPasswords(const QString& file, QStringList& passwords, QString& error) {
    QFile in(file);
    const bool opened = file == QLatin1String("-") ? in.open(stdin, QIODevice::ReadOnly)
                                                   : in.open(QIODevice::ReadOnly);
    if (!opened) {
        error = QStringLiteral("cannot read the password file %1").arg(oneLine(file));
        return false;
    }
    for (QByteArray line : in.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            passwords.append(QString::fromUtf8(line));
    }
    return true;
}

// PDFs a resumed run leaves out get a line of their own, so that the report of this run
// alone accounts for every PDF of its list.
void recordSkipped(const PathList& skipped, const ReportSettings& settings, RunReport& report,
                   bool quiet) {
    report.recordSkipped(skipped, settings);
    if (!quiet && !skipped.isEmpty())
        std::fprintf(stderr, "pagekiln-convert: %lld PDFs already converted, skipped\n",
                     static_cast<long long>(skipped.size()));
}

void reportJobLimit(ConsoleUserInterface& console, const ParallelConverter& converter, int wanted) {
    if (converter.jobLimit() < wanted)
        console.printLine(QStringLiteral("pagekiln-convert: converting at most %1 PDF files at "
                                         "once: the open-file limit allows no more")
                              .arg(converter.jobLimit()));
}

// Counts of a run that a signal stopped, taken when the stop came.
struct StopCounts {
    int finished = 0;
    int underWay = 0;
};

QString stopSummary(int signalNumber, const StopCounts& counts, int total) {
    return QStringLiteral("pagekiln-convert: stopped by %1: %2 of %3 PDF files finished, %4 "
                          "stopped under way, %5 not started")
        .arg(SignalName(signalNumber))
        .arg(counts.finished)
        .arg(total)
        .arg(counts.underWay)
        .arg(total - counts.finished - counts.underWay);
}

struct RunCounts {
    int firstSignal = 0; // the signal that stopped the run, 0 while none came
    StopCounts atStop;
};

// A first signal: scripts end now, a page being saved is finished, nothing new starts. A
// second one: the servers end too.
void connectStops(TerminationRequests& endRequests, ParallelConverter& converter,
                  const RunConsole& shown, RunCounts& counts) {
    QObject::connect(&endRequests, &TerminationRequests::received, &converter,
                     [&](int signalNumber) {
                         if (counts.firstSignal != 0) {
                             stopNow();
                             return;
                         }
                         counts.firstSignal = signalNumber;
                         counts.atStop = {shown.finished(), shown.started() - shown.finished()};
                         requestStop();
                         converter.stop();
                     });
}

ParallelConverter::Setup converterSetup(const CliOptions& options, const QStringList& passwords,
                                        const std::map<qsizetype, PageSelection>& parts) {
    ParallelConverter::Setup setup;
    setup.method = options.method;
    setup.programFolder = QCoreApplication::applicationDirPath();
    setup.outputFolder = options.outputFolder;
    if (options.window) {
        setup.resolution = options.window->resolution;
        setup.pages = options.window->pages;
    } else {
        setup.request = options.request;
        for (const auto& [position, pages] : parts) {
            ConversionRequest part = options.request;
            part.pages = pages;
            setup.partRequests.emplace(static_cast<int>(position), part);
        }
    }
    setup.jobs = options.jobs;
    setup.passwords = passwords;
    return setup;
}

// The exit status of a run that has ended, after its last lines.
int endOfRun(const ParallelConverter& converter, const QList<ConversionOutcome>& outcomes,
             ConsoleUserInterface& console, RunConsole& shown, const RunCounts& counts) {
    const int total = static_cast<int>(outcomes.size());
    shown.finish();
    if (converter.threadsUnavailable())
        console.printLine(QStringLiteral("pagekiln-convert: no conversion thread could be started "
                                         "(the system is out of threads or memory)"));
    if (counts.firstSignal != 0) {
        console.printLine(stopSummary(counts.firstSignal, counts.atStop, total));
        return ExitStatusForSignal(counts.firstSignal);
    }
    const bool allConverted =
        std::all_of(outcomes.begin(), outcomes.end(), [](const ConversionOutcome& outcome) {
            return outcome.status == ConversionStatus::Converted;
        });
    return allConverted ? AllConverted : SomeFailed;
}

int convert(const CliOptions& options, const RunPlan& plan, const QStringList& pdfs,
            const std::vector<std::vector<int>>& collisions, const QStringList& passwords,
            RunReport& report) {
    TerminationRequests endRequests;
    ConsoleUserInterface console;
    ParallelConverter converter(converterSetup(options, passwords, plan.parts), console);
    const int wantedJobs = std::min(options.jobs, static_cast<int>(pdfs.size()));
    reportJobLimit(console, converter, wantedJobs);
    const WorkFolder runFolder;
    shareTheMachineBetweenJobs(std::min(wantedJobs, converter.jobLimit()), runFolder);
    const bool terminal = StandardErrorIsTerminal();
    RunConsole shown(console, report, AppliedSettings(options),
                     {!options.quiet, terminal && !options.quiet});
    std::map<qsizetype, QString> partPages;
    for (const auto& [position, pages] : plan.parts)
        partPages.emplace(position, pages.text());
    shown.setParts(std::move(partPages));
    shown.follow(converter, pdfs, collisions);
    RunCounts counts;
    connectStops(endRequests, converter, shown, counts);
    QCoreApplication::processEvents(); // a signal that came while the list was made counts
    const QList<ConversionOutcome>& outcomes = converter.run(pdfs);
    return endOfRun(converter, outcomes, console, shown, counts);
}

// The PDFs whose images may get the same names, told before the run starts.
std::vector<std::vector<int>> warnOfCollisions(const CliOptions& options, const QStringList& pdfs) {
    const OutputNaming naming = options.window ? OutputNaming() : options.request.naming;
    std::vector<std::vector<int>> groups =
        NameCollisions(pdfs, outputPrefix(options.outputFolder), naming,
                       MethodTable::standard()[options.method].numbering);
    for (const QString& line : CollisionLines(groups, pdfs))
        std::fprintf(stderr, "%s\n", qPrintable(line));
    return groups;
}

// The PDFs of a share that converts only some of their pages, told before the run starts.
void tellParts(const CliOptions& options, const RunPlan& plan, const QStringList& pdfs) {
    for (const auto& [position, pages] : plan.parts)
        std::fprintf(stderr, "pagekiln-convert: share %d/%d converts pages %s of %s\n",
                     options.shard->index, options.shard->count, qPrintable(pages.text()),
                     qPrintable(oneLine(pdfs[position])));
}

// The folders that could not be read, each told once the list is made and recorded once the
// report is open: each is a failure of the run.
void warnOfUnreadableFolders(const RunPlan& plan) {
    for (const UnreadableFolder& folder : plan.unreadableFolders)
        std::fprintf(stderr, "%s\n", qPrintable(UnreadableFolderLine(folder)));
}

void recordUnreadableFolders(const RunPlan& plan, const ReportSettings& settings,
                             RunReport& report) {
    if (!report.isOpen())
        return;
    for (const UnreadableFolder& folder : plan.unreadableFolders)
        report.record(folder.path, settings, UnreadableFolderOutcome(folder));
}

// The exit status of a run that converted what it found, counting the folders not read.
int withUnreadableFolders(const RunPlan& plan, int status) {
    return status == AllConverted && !plan.unreadableFolders.isEmpty() ? SomeFailed : status;
}

// A list that holds no PDF at all: nothing given, or only folders without one (or that could
// not be read, told already). An empty share of a list that has PDFs is not an error: another
// share converts them.
int nothingListed(const RunPlan& plan) {
    if (plan.emptyFolders.isEmpty()) {
        if (plan.unreadableFolders.isEmpty())
            std::fprintf(stderr, "pagekiln-convert: no PDF file given\n");
    } else {
        QStringList folders;
        for (const QString& folder : plan.emptyFolders)
            folders.append(oneLine(folder));
        std::fprintf(stderr, "pagekiln-convert: no PDF file found in %s\n",
                     qPrintable(folders.join(QStringLiteral(", "))));
    }
    return SomeFailed;
}

// A parsed command: the PDFs planned (lists, share, resume), then listed or converted.
int run(CliOptions& options) {
    QString error;
    QStringList passwords;
    RunReport report;
    if (options.dryRun) {
        // Named as a real run names it, without making the folder.
        if (options.outputGiven && !options.outputFolder.endsWith(QLatin1Char('/')))
            options.outputFolder += QLatin1Char('/');
    } else if (!prepareOutputFolder(options, error)) {
        reportUsageError(error);
        return UsageError;
    }
    RunPlan plan = PlanRun(options);
    if (!plan.error.isEmpty()) {
        std::fprintf(stderr, "pagekiln-convert: %s\n", qPrintable(plan.error));
        return UsageError;
    }
    warnOfUnreadableFolders(plan);
    const QStringList pdfs = plan.pdfs.texts();
    tellParts(options, plan, pdfs);
    const std::vector<std::vector<int>> collisions = warnOfCollisions(options, pdfs);
    if (options.dryRun) {
        WritePlanListing(plan.pdfs, options.listSeparator, stdout);
        return withUnreadableFolders(plan, AllConverted);
    }
    if ((!options.passwordFile.isEmpty() &&
         !readPasswords(options.passwordFile, passwords, error)) ||
        (!options.reportFile.isEmpty() && options.reportFile != QLatin1String("-") &&
         !EndTornLastLine(options.reportFile, error)) ||
        (!options.reportFile.isEmpty() && !report.open(options.reportFile, error))) {
        reportUsageError(error);
        return UsageError;
    }
    recordSkipped(plan.skipped, AppliedSettings(options), report, options.quiet);
    recordUnreadableFolders(plan, AppliedSettings(options), report);
    if (plan.listed == 0)
        return nothingListed(plan);
    // Litter of earlier runs that were killed: nobody else will ever remove it.
    removeStaleWorkFolders();
    return withUnreadableFolders(plan, convert(options, plan, pdfs, collisions, passwords, report));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pagekiln-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PAGEKILN_VERSION));

    const StoredChoices window = AppSettings().read();
    const CliDefaults defaults{QThread::idealThreadCount(), QDir::currentPath(), &window};
    CliParse parse = parseCommandLine(decodeArguments(argc, argv), defaults);
    switch (parse.request) {
    case CliRequest::Help:
        std::fputs(qPrintable(usageText()), stdout);
        return AllConverted;
    case CliRequest::Version:
        std::printf("pagekiln-convert %s\n", PAGEKILN_VERSION);
        return AllConverted;
    case CliRequest::UsageError:
        reportUsageError(parse.error);
        return UsageError;
    case CliRequest::Convert:
        break;
    }
    raiseOpenFileLimit();
    return run(parse.options);
}
