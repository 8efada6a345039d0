#include "cli/CliOptions.h"
#include "cli/ConsoleUserInterface.h"
#include "cli/ParallelConverter.h"
#include "convert/BatchDriver.h"
#include "filelist/FolderScan.h"
#include "platform/AppSettings.h"
#include "platform/ProgramEnd.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

namespace {

enum ExitStatus { AllConverted = 0, SomeFailed = 1, UsageError = 2 };

// The PDFs of the arguments: a folder stands for every PDF found in and below it, as the
// window's folder command finds them; anything else is taken as it stands, as a drop is.
QStringList collectInputs(const QStringList& paths) {
    QStringList pdfs;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            pdfs += CollectPdfFiles(path);
        else
            pdfs.append(path);
    }
    return pdfs;
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

int convert(const CliOptions& options) {
    shareTheMachineBetweenJobs(options.jobs);
    ConsoleUserInterface console;
    ParallelConverter::Setup setup;
    setup.method = options.method;
    setup.programFolder = QCoreApplication::applicationDirPath();
    setup.outputFolder = options.outputFolder;
    setup.resolution = options.resolution;
    setup.pages = options.pages;
    setup.jobs = options.jobs;
    ParallelConverter converter(setup, console);

    const bool terminal = StandardErrorIsTerminal();
    int finished = 0;
    QObject::connect(&converter, &ParallelConverter::conversionStarted, &converter,
                     [&](int position, int count, const QString& path) {
                         if (!options.quiet)
                             console.printLine(
                                 QStringLiteral("[%1/%2] %3").arg(position).arg(count).arg(path));
                     });
    QObject::connect(&converter, &ParallelConverter::conversionFinished, &converter,
                     [&](int, int count, const QString& path, bool jpgCreated) {
                         ++finished;
                         if (!jpgCreated)
                             console.printLine(BatchDriver::FailurePrefix + path);
                         if (terminal && !options.quiet)
                             console.printStatus(progressBar(finished, count));
                     });
    const QList<bool> results = converter.run(collectInputs(options.paths));
    if (terminal && !options.quiet)
        console.printLine(progressBar(finished, static_cast<int>(results.size())));
    return results.contains(false) ? SomeFailed : AllConverted;
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
    return convert(parse.options);
}
