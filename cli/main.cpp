#include "cli/CliOptions.h"
#include "cli/ConsoleUserInterface.h"
#include "cli/ParallelConverter.h"
#include "cli/RunReport.h"
#include "convert/BatchDriver.h"
#include "filelist/FolderScan.h"
#include "platform/AppSettings.h"
#include "platform/ProgramEnd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

// The warning line of a PDF that was not converted, or only in part.
QString failureLine(const QString& path, const ConversionOutcome& outcome) {
    return BatchDriver::FailurePrefix + oneLine(path) + QStringLiteral(": ") +
           oneLine(outcomeSummary(outcome));
}

int convert(const CliOptions& options, const QStringList& passwords, RunReport& report) {
    shareTheMachineBetweenJobs(options.jobs);
    ConsoleUserInterface console;
    ParallelConverter::Setup setup;
    setup.method = options.method;
    setup.programFolder = QCoreApplication::applicationDirPath();
    setup.outputFolder = options.outputFolder;
    setup.resolution = options.resolution;
    setup.pages = options.pages;
    setup.jobs = options.jobs;
    setup.passwords = passwords;
    ParallelConverter converter(setup, console);
    const ReportSettings settings{nameOfMethod(options.method), options.outputFolder,
                                  options.resolution, options.pages};

    const bool terminal = StandardErrorIsTerminal();
    int finished = 0;
    QObject::connect(
        &converter, &ParallelConverter::conversionStarted, &converter,
        [&](int position, int count, const QString& path) {
            if (!options.quiet)
                console.printLine(
                    QStringLiteral("[%1/%2] %3").arg(position).arg(count).arg(oneLine(path)));
        });
    QObject::connect(&converter, &ParallelConverter::conversionOutcome, &converter,
                     [&](int, int count, const QString& path, const ConversionOutcome& outcome) {
                         ++finished;
                         if (outcome.status != ConversionStatus::Converted)
                             console.printLine(failureLine(path, outcome));
                         if (report.isOpen())
                             report.record(path, settings, outcome);
                         if (terminal && !options.quiet)
                             console.printStatus(progressBar(finished, count));
                     });
    const QList<bool> results = converter.run(collectInputs(options.paths));
    if (terminal && !options.quiet)
        console.printLine(progressBar(finished, static_cast<int>(results.size())));
    for (const ConversionOutcome& outcome : converter.outcomes()) {
        if (outcome.status != ConversionStatus::Converted)
            return SomeFailed;
    }
    return AllConverted;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pagekiln-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PAGEKILN_VERSION));

    const AppSettings settings;
    CliParse parse = parseCommandLine(QCoreApplication::arguments().mid(1), settings,
                                      QThread::idealThreadCount());
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
    QString error;
    QStringList passwords;
    RunReport report;
    if (!prepareOutputFolder(parse.options, error) ||
        (!parse.options.passwordFile.isEmpty() &&
         !readPasswords(parse.options.passwordFile, passwords, error)) ||
        (!parse.options.reportFile.isEmpty() && !report.open(parse.options.reportFile, error))) {
        reportUsageError(error);
        return UsageError;
    }
    return convert(parse.options, passwords, report);
}
