#include "cli/CliOptions.h"
#include "cli/ConsoleUserInterface.h"
#include "cli/ParallelConverter.h"
#include "cli/RunPlan.h"
#include "convert/BatchDriver.h"
#include "platform/AppSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

enum ExitStatus { AllConverted = 0, SomeFailed = 1, UsageError = 2 };

QString progressBar(int done, int count) {
    constexpr int Width = 30;
    const int filled = count > 0 ? done * Width / count : Width;
    return QStringLiteral("[%1%2] %3%")
        .arg(QString(filled, QLatin1Char('#')), QString(Width - filled, QLatin1Char(' ')))
        .arg(count > 0 ? done * 100 / count : 100);
}

// Each parallel job runs its own component servers; they share the processors between them
// instead of each taking all of them.
void shareProcessorsBetweenJobs(int jobs) {
    if (qEnvironmentVariableIsSet("PAGEKILN_RENDER_THREADS"))
        return;
    const int each = std::max(1, QThread::idealThreadCount() / std::max(1, jobs));
    qputenv("PAGEKILN_RENDER_THREADS", QByteArray::number(each));
}

int convert(const CliOptions& options, const QStringList& pdfs) {
    shareProcessorsBetweenJobs(options.jobs);
    ConsoleUserInterface console;
    ParallelConverter::Setup setup;
    setup.method = options.method;
    setup.programFolder = QCoreApplication::applicationDirPath();
    setup.outputFolder = options.outputFolder;
    setup.resolution = options.resolution;
    setup.pages = options.pages;
    setup.jobs = options.jobs;
    ParallelConverter converter(setup, console);

    const bool terminal = ::isatty(STDERR_FILENO) == 1;
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
    const QList<bool> results = converter.run(pdfs);
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
    const RunPlan plan = PlanRun(parse.options);
    if (!plan.error.isEmpty()) {
        std::fprintf(stderr, "pagekiln-convert: %s\n", qPrintable(plan.error));
        return UsageError;
    }
    if (parse.options.dryRun) {
        const QByteArray listing = PlanListing(plan.pdfs, parse.options.listSeparator);
        std::fwrite(listing.constData(), 1, static_cast<std::size_t>(listing.size()), stdout);
        return AllConverted;
    }
    return convert(parse.options, plan.pdfs);
}
