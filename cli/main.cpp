#include "cli/CliOptions.h"
#include "cli/ConsoleUserInterface.h"
#include "cli/ParallelConverter.h"
#include "convert/BatchDriver.h"
#include "filelist/FolderScan.h"
#include "platform/AppSettings.h"
#include "platform/OpenFiles.h"
#include "platform/ProgramEnd.h"
#include "platform/StopRequest.h"
#include "platform/WorkFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

namespace {

enum ExitStatus { AllConverted = 0, SomeFailed = 1, UsageError = 2 };

struct Inputs {
    QStringList pdfs;
    QStringList emptyFolders; // folders given that hold no PDF
};

// The PDFs of the arguments: a folder stands for every PDF found in and below it, as the
// window's folder command finds them; anything else is taken as it stands, as a drop is.
Inputs collectInputs(const QStringList& paths) {
    Inputs inputs;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            inputs.pdfs.append(path);
            continue;
        }
        const QStringList found = CollectPdfFiles(path);
        if (found.isEmpty())
            inputs.emptyFolders.append(path);
        inputs.pdfs += found;
    }
    return inputs;
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

QString progressBar(int done, int count) {
    constexpr int Width = 30;
    const int filled = count > 0 ? done * Width / count : Width;
    return QStringLiteral("[%1%2] %3%")
        .arg(QString(filled, QLatin1Char('#')), QString(Width - filled, QLatin1Char(' ')))
        .arg(count > 0 ? done * 100 / count : 100);
}

// Each parallel job runs its own component servers. They split the processors and the memory
// budget between them instead of each taking all: a page rendered on its own gets its server's
// share of helper threads, and a long PDF keeps the processors busy with the pages it renders
// ahead, one helper each.
void shareTheMachineBetweenJobs(int jobs) {
    jobs = std::max(1, jobs);
    if (!qEnvironmentVariableIsSet("PAGEKILN_RENDER_THREADS"))
        qputenv("PAGEKILN_RENDER_THREADS",
                QByteArray::number(std::max(1, QThread::idealThreadCount() / jobs)));
    if (!qEnvironmentVariableIsSet("PAGEKILN_MEMORY_SHARE"))
        qputenv("PAGEKILN_MEMORY_SHARE", QByteArray::number(jobs));
}

void reportJobLimit(ConsoleUserInterface& console, const ParallelConverter& converter, int wanted) {
    if (converter.jobLimit() < wanted)
        console.printLine(QStringLiteral("pagekiln-convert: converting at most %1 PDF files at "
                                         "once: the open-file limit allows no more")
                              .arg(converter.jobLimit()));
}

ParallelConverter::Setup setupFor(const CliOptions& options) {
    ParallelConverter::Setup setup;
    setup.method = options.method;
    setup.programFolder = QCoreApplication::applicationDirPath();
    setup.outputFolder = options.outputFolder;
    setup.resolution = options.resolution;
    setup.pages = options.pages;
    setup.jobs = options.jobs;
    return setup;
}

struct RunCounts {
    int started = 0;
    int finished = 0;
    int firstSignal = 0; // the signal that stopped the run, 0 while none came
    StopCounts atStop;
};

// A first signal: scripts end now, a page being saved is finished, nothing new starts. A
// second one: the servers end too.
void connectStops(TerminationRequests& endRequests, ParallelConverter& converter,
                  RunCounts& counts) {
    QObject::connect(&endRequests, &TerminationRequests::received, &converter,
                     [&](int signalNumber) {
                         if (counts.firstSignal != 0) {
                             stopNow();
                             return;
                         }
                         counts.firstSignal = signalNumber;
                         counts.atStop = {counts.finished, counts.started - counts.finished};
                         requestStop();
                         converter.stop();
                     });
}

// False, after naming them, when the folders given hold no PDF at all.
bool announceEmptyFolders(ConsoleUserInterface& console, const Inputs& inputs) {
    if (inputs.pdfs.isEmpty()) {
        console.printLine(QStringLiteral("pagekiln-convert: no PDF file found in %1")
                              .arg(inputs.emptyFolders.join(QStringLiteral(", "))));
        return false;
    }
    for (const QString& folder : inputs.emptyFolders)
        console.printLine(QStringLiteral("pagekiln-convert: no PDF file found in %1").arg(folder));
    return true;
}

int convert(const CliOptions& options) {
    // Litter of earlier runs that were killed: nobody else will ever remove it.
    removeStaleWorkFolders();
    TerminationRequests endRequests;
    ConsoleUserInterface console;
    const Inputs inputs = collectInputs(options.paths);
    if (!announceEmptyFolders(console, inputs))
        return SomeFailed;
    const int wantedJobs = std::min(options.jobs, static_cast<int>(inputs.pdfs.size()));
    ParallelConverter converter(setupFor(options), console);
    reportJobLimit(console, converter, wantedJobs);
    shareTheMachineBetweenJobs(std::min(wantedJobs, converter.jobLimit()));

    const bool terminal = StandardErrorIsTerminal();
    RunCounts counts;
    connectStops(endRequests, converter, counts);
    QObject::connect(&converter, &ParallelConverter::conversionStarted, &converter,
                     [&](int position, int count, const QString& path) {
                         ++counts.started;
                         if (!options.quiet)
                             console.printLine(
                                 QStringLiteral("[%1/%2] %3").arg(position).arg(count).arg(path));
                     });
    QObject::connect(&converter, &ParallelConverter::conversionFinished, &converter,
                     [&](int, int count, const QString& path, bool jpgCreated) {
                         ++counts.finished;
                         if (!jpgCreated)
                             console.printLine(BatchDriver::FailurePrefix + path);
                         if (terminal && !options.quiet)
                             console.printStatus(progressBar(counts.finished, count));
                     });
    QCoreApplication::processEvents(); // a signal that came during the folder scan counts
    const QList<bool> results = converter.run(inputs.pdfs);
    if (terminal && !options.quiet)
        console.printLine(progressBar(counts.finished, static_cast<int>(results.size())));
    if (converter.threadsUnavailable())
        console.printLine(QStringLiteral("pagekiln-convert: no conversion thread could be started "
                                         "(the system is out of threads or memory)"));
    if (counts.firstSignal != 0) {
        console.printLine(
            stopSummary(counts.firstSignal, counts.atStop, static_cast<int>(results.size())));
        return ExitStatusForSignal(counts.firstSignal);
    }
    return results.contains(false) || !inputs.emptyFolders.isEmpty() ? SomeFailed : AllConverted;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pagekiln-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PAGEKILN_VERSION));

    const AppSettings settings;
    const CliParse parse = parseCommandLine(QCoreApplication::arguments().mid(1), settings,
                                            QThread::idealThreadCount());
    switch (parse.request) {
    case CliRequest::Help:
        std::fputs(qPrintable(usageText()), stdout);
        return AllConverted;
    case CliRequest::Version:
        std::printf("pagekiln-convert %s\n", PAGEKILN_VERSION);
        return AllConverted;
    case CliRequest::UsageError:
        std::fprintf(stderr, "pagekiln-convert: %s (try --help)\n", qPrintable(parse.error));
        return UsageError;
    case CliRequest::Convert:
        break;
    }
    raiseOpenFileLimit();
    return convert(parse.options);
}
