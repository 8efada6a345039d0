#include "convert/BatchFileConversion.h"

#include "convert/ConversionContext.h"
#include "convert/ConversionRequest.h"
#include "convert/GhostscriptMessages.h"
#include "convert/InputChecks.h"
#include "convert/Naming.h"
#include "platform/ExactFiles.h"
#include "platform/FileCopy.h"
#include "platform/FileNames.h"
#include "platform/RunAndWait.h"
#include "platform/StopRequest.h"
#include "platform/UserInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace {

const QString WorkingCopyName = QStringLiteral("current.pdf");
// Less free space than this on the working folder's disk counts as a full disk: a page image
// needs far more.
constexpr qint64 kNearlyFull = 64 * 1024;
// Exit statuses above this are a signal's number plus it.
constexpr std::int32_t kSignalBase = 128;
constexpr double kDefaultIdleSeconds = 300.0;
// The scripts run hidden, as batch files do.
constexpr std::int32_t kHiddenWindow = 0;

// How long a script may go without a new or growing page image: PAGEKILN_SCRIPT_IDLE_SECONDS
// (a decimal number of seconds) when set to a positive value, else 300 s. A page image
// appears at least every few seconds on any real document, so the bound only ever ends a
// script that hangs.
std::chrono::milliseconds scriptIdleLimit() {
    bool ok = false;
    const double seconds = qEnvironmentVariable("PAGEKILN_SCRIPT_IDLE_SECONDS").toDouble(&ok);
    return std::chrono::milliseconds(
        static_cast<qint64>((ok && seconds > 0 ? seconds : kDefaultIdleSeconds) * 1000.0));
}

// Sets the busy pointer now and the default pointer when the conversion returns, however it
// returns.
class BusyPointer {
public:
    explicit BusyPointer(UserInterface& ui) : m_ui(ui) { busy(); }
    ~BusyPointer() { m_ui.setApplicationPointer(MousePointer::Default); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    void busy() { m_ui.setApplicationPointer(MousePointer::Hourglass); }

private:
    UserInterface& m_ui;
};

struct Layout {
    QString workFolder; // ends with "/"
    QString workingCopy;
    QString imageFolder; // ends with "/"
    QString script;
    QString messages;
    QString passwordFile;
    QString settingsFile;
};

Layout layoutFor(const ConversionContext& context, const ScriptMethod& method) {
    Layout layout;
    layout.workFolder = context.workFolder + QLatin1Char('/') + method.folder + QLatin1Char('/');
    layout.workingCopy = layout.workFolder + WorkingCopyName;
    layout.imageFolder = method.imageFolder.isEmpty()
                             ? layout.workFolder
                             : layout.workFolder + method.imageFolder + QLatin1Char('/');
    layout.script =
        context.programFolder + QLatin1Char('/') + method.folder + QLatin1Char('/') + method.script;
    layout.messages = layout.workFolder + GhostscriptMessagesName;
    layout.passwordFile = layout.workFolder + PasswordFileName;
    layout.settingsFile = layout.workFolder + ScriptSettingsName;
    return layout;
}

// Why the copy into the working folder failed.
Reason copyInProblem(const QString& pdfPath, const QString& workingCopy, const CopyResult& copy) {
    if (const Reason input = inputProblem(pdfPath); input.found())
        return input;
    if (copy.reading)
        return {ReasonCode::Missing,
                QStringLiteral("The file %1 cannot be read: %2.")
                    .arg(pdfPath, QString::fromLocal8Bit(std::strerror(copy.error)))};
    return {reasonOfWriteError(copy.error), textOfWriteError(copy.error, workingCopy)};
}

// Why the script's run ended without its images: missing, ended for want of progress, or
// stopped (by a stop request, or because the program is closing).
Reason reasonOfScriptEnd(const RunOutcome& run, const Layout& layout,
                         std::chrono::milliseconds idleLimit) {
    switch (run.end) {
    case ChildEnd::NotStarted:
        if (!run.error.isError()) // started, but its end could not be watched: it was ended
            return {ReasonCode::Internal,
                    QStringLiteral("The converter script %1 could not be watched and was ended.")
                        .arg(layout.script)};
        return {ReasonCode::ComponentMissing,
                QStringLiteral("The converter script %1 is missing or cannot be run.")
                    .arg(layout.script)};
    case ChildEnd::Stalled:
        return {ReasonCode::ComponentTimedOut,
                QStringLiteral("Ghostscript wrote no page for %1 s and was ended.")
                    .arg(static_cast<double>(idleLimit.count()) / 1000.0)};
    case ChildEnd::Stopped:
        return {ReasonCode::Interrupted,
                QStringLiteral("The run was stopped while Ghostscript was converting.")};
    case ChildEnd::Interrupted:
        return {ReasonCode::Interrupted,
                QStringLiteral("The program was closing while Ghostscript was converting.")};
    case ChildEnd::Ended:
        break;
    }
    return {};
}

// The script is started as a batch file is, by the quoted path, hidden, in its working
// folder, and run by /bin/sh whatever its mode. Its process group is the conversion's: a stop
// ends it with the Ghostscript it started, and so does a run that makes no progress (no new
// or growing page image within the idle limit).
RunOutcome runScriptAndWait(const Layout& layout, std::chrono::milliseconds idleLimit,
                            const PageProgress& progress) {
    RunOptions options;
    options.group = ChildGroup::Owned;
    options.progress = ProgressWatch{layout.imageFolder, QStringLiteral("*"), idleLimit, {}};
    if (progress.written) {
        // Ghostscript writes the pages one after the other: all but the newest are whole.
        options.progress.onFiles = [&progress](qsizetype files) {
            progress.wrote(static_cast<int>(std::max<qsizetype>(0, files - 1)));
        };
    }
    return RunAndWait(QLatin1Char('"') + layout.script + QLatin1Char('"'), kHiddenWindow,
                      layout.workFolder, options);
}

// Puts the working copy in place and runs the script on it; None here only means that the
// script has run, the images it left decide the rest. The script's end, not the
// disappearance of the working copy, ends the wait: a script that is missing, fails to start
// or forgets to remove the copy cannot hold the conversion for ever, and one that stops
// getting on (no new or growing page image within the idle limit) is ended.
Reason runScript(const QString& pdfPath, const Layout& layout, const ConversionContext& context,
                 BusyPointer& pointer, std::int32_t& exitCode) {
    if (stopRequested())
        return {ReasonCode::Interrupted, QStringLiteral("The run was stopped.")};
    if (!QDir().mkpath(layout.workFolder))
        return {ReasonCode::Internal,
                QStringLiteral("The working folder %1 cannot be made.").arg(layout.workFolder)};
    if (FileExists(layout.workingCopy))
        QFile::remove(layout.workingCopy);
    pointer.busy();
    if (const CopyResult copy = copyIntoWorkFolder(pdfPath, layout.workingCopy); !copy.ok())
        return copyInProblem(pdfPath, layout.workingCopy, copy);
    if (!context.password.isEmpty() &&
        writePrivateFile(layout.passwordFile, ghostscriptPasswordDefinition(context.password)) != 0)
        return {ReasonCode::Internal, QStringLiteral("The password could not be handed over.")};
    if (context.request &&
        writePrivateFile(layout.settingsFile, scriptSettings(*context.request)) != 0)
        return {ReasonCode::Internal, QStringLiteral("The settings could not be handed over.")};
    const std::chrono::milliseconds idleLimit = scriptIdleLimit();
    const RunOutcome run = runScriptAndWait(layout, idleLimit, context.progress);
    QFile::remove(layout.passwordFile);
    QFile::remove(layout.settingsFile);
    pointer.busy();
    exitCode = run.result;
    return reasonOfScriptEnd(run, layout, idleLimit);
}

// True when the PDF's trailer names an encryption dictionary. The trailer (or the cross-
// reference stream holding it) is at the end of the file, or at its start in a linearized one.
bool looksEncrypted(const QString& pdfPath) {
    constexpr qint64 kWindow = 64 * 1024;
    QFile file;
    if (openExactly(file, pdfPath) != 0)
        return false;
    if (file.read(kWindow).contains("/Encrypt"))
        return true;
    return file.size() > kWindow && file.seek(file.size() - kWindow) &&
           file.read(kWindow).contains("/Encrypt");
}

// True for a page image Ghostscript began and could not finish (a full disk): empty, or a
// JPEG that has its start-of-image marker but not the end-of-image one.
bool isCutShort(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    if (file.size() == 0)
        return true;
    return file.read(2) == "\xFF\xD8" &&
           (file.size() < 4 || !file.seek(file.size() - 2) || file.read(2) != "\xFF\xD9");
}

// Pages Ghostscript lost although it ended with success: it could not draw or write one (it
// says so and goes on), or a page image it wrote was cut short. The images keep only those
// before the first one cut short; the reason says what was lost, and why when the working
// folder's disk is full.
Reason lostPages(const Layout& layout, QStringList& images) {
    const GhostscriptMessages messages = readGhostscriptMessages(layout.messages);
    const auto cut = std::find_if(images.begin(), images.end(), [&](const QString& name) {
        return isCutShort(layout.imageFolder + name);
    });
    if (cut == images.end() && !messages.pageMissing)
        return {};
    const QString image = cut == images.end() ? QString() : layout.imageFolder + *cut;
    const int whole = static_cast<int>(cut - images.begin());
    images.erase(cut, images.end());
    if (QStorageInfo(layout.workFolder).bytesAvailable() < kNearlyFull)
        return {ReasonCode::DiskFull, QStringLiteral("No space left on the device writing %1.")
                                          .arg(image.isEmpty() ? layout.workFolder : image)};
    if (image.isEmpty())
        return {ReasonCode::ConverterFailed,
                QStringLiteral("Ghostscript left out a page it could not draw: %1")
                    .arg(asSentence(messages.lastError.isEmpty() ? QStringLiteral("no reason given")
                                                                 : messages.lastError))};
    return {
        ReasonCode::ConverterFailed,
        QStringLiteral("Ghostscript could not write page image %1 (after %2 whole): %3")
            .arg(image)
            .arg(whole)
            .arg(asSentence(messages.lastError.isEmpty() ? QStringLiteral("the image was cut short")
                                                         : messages.lastError))};
}

// Why the script left no image: what Ghostscript said, or what is plain to see in the input.
Reason noImageProblem(const QString& pdfPath, const Layout& layout,
                      const ConversionContext& context, std::int32_t exitCode) {
    // Ghostscript 10.0 crashes on a wrong password for some encrypted PDFs instead of saying so.
    if (exitCode > kSignalBase && !context.password.isEmpty() && looksEncrypted(pdfPath))
        return {ReasonCode::PasswordWrong, QStringLiteral("The password was not accepted.")};
    if (exitCode > kSignalBase)
        return {ReasonCode::ComponentDied,
                QStringLiteral("Ghostscript stopped unexpectedly (signal %1).")
                    .arg(exitCode - kSignalBase)};
    const GhostscriptMessages messages = readGhostscriptMessages(layout.messages);
    if (messages.needsPassword)
        return context.password.isEmpty()
                   ? Reason{ReasonCode::Password, QStringLiteral("The PDF needs a password.")}
                   : Reason{ReasonCode::PasswordWrong,
                            QStringLiteral("The password was not accepted.")};
    if (const Reason input = inputProblem(pdfPath); input.found())
        return input;
    if (exitCode != 0)
        return {ReasonCode::ConverterFailed,
                messages.lastError.isEmpty()
                    ? QStringLiteral("Ghostscript failed with exit status %1.").arg(exitCode)
                    : QStringLiteral("Ghostscript failed: %1").arg(asSentence(messages.lastError))};
    // Ghostscript says "page not found" of the pages in its list past the end of the document.
    if (context.request && !context.request->pages.isAll() &&
        (messages.lastError.isEmpty() || messages.lastError == QLatin1String("page not found")))
        return {ReasonCode::NoPage, QStringLiteral("The PDF has none of the pages asked for (%1).")
                                        .arg(context.request->pages.text())};
    if (!messages.lastError.isEmpty())
        return {ReasonCode::Damaged,
                QStringLiteral("The PDF is damaged: %1").arg(asSentence(messages.lastError))};
    return {ReasonCode::Damaged,
            QStringLiteral("The PDF has no page that Ghostscript could render.")};
}

// The page the position-th image shows: the position itself, or the position-th page asked for.
// A list that names the last page alone needs the document's count, which the script wrote.
int pageOfImage(const Layout& layout, const ConversionContext& context, int position) {
    if (!context.request || context.request->pages.isAll())
        return position;
    QFile counted(layout.workFolder + LastPageName);
    bool known = false;
    const int pageCount =
        counted.open(QIODevice::ReadOnly) ? counted.readAll().trimmed().toInt(&known) : 0;
    const int page = context.request->pages.pageAt(position, known ? pageCount : INT_MAX);
    return page > 0 ? page : position;
}

// Copies the images out in page order; the first that cannot be written ends the copying, as
// the ones after it would meet the same full disk or closed folder.
void copyImagesOut(const QStringList& images, const Layout& layout, const QString& pdfPath,
                   ConversionContext& context, ConversionOutcome& outcome) {
    for (int i = 0; i < images.size(); ++i) {
        // The output folder text is read again for every image, as the window may change it.
        const QString target = ImagePathFor(context, pdfPath, pageOfImage(layout, context, i + 1),
                                            i + 1, PageNumbering::Positions);
        const CopyResult copy = copyReplacing(layout.imageFolder + images.at(i), target);
        if (!copy.ok()) {
            const Reason why = copyOutProblem(copy, target, context.view.outputFolderText());
            outcome.fail(why.code, why.text);
            return;
        }
        outcome.addOutput(target);
        context.progress.wrote(outcome.pagesWritten);
    }
}

// Leaves the working folder as it was before the conversion: no copy, no images, no messages.
void clearWorkFolder(const Layout& layout, const ScriptMethod& method) {
    for (const QString& name : ListFolderFiles(layout.imageFolder, method.imagePattern))
        QFile::remove(layout.imageFolder + name);
    if (!method.imageFolder.isEmpty())
        QDir(layout.imageFolder).removeRecursively(); // whatever else the script left there
    if (FileExists(layout.workingCopy))
        QFile::remove(layout.workingCopy);
    QFile::remove(layout.messages);
    QFile::remove(layout.workFolder + LastPageName);
}

} // namespace

const ScriptMethod& ghostscriptMethod() {
    static const ScriptMethod method{
        QStringLiteral("ps"), QStringLiteral("pdf2tiff.sh"), {}, QStringLiteral("current*.jpg")};
    return method;
}

const ScriptMethod& blackWhiteMethod() {
    static const ScriptMethod method{QStringLiteral("bw"), QStringLiteral("convert.sh"),
                                     QStringLiteral("current"), QStringLiteral("*.jpg")};
    return method;
}

QString imageNumberSuffix(int position) {
    return QStringLiteral("-%1").arg(position, 3, 10, QLatin1Char('0'));
}

QString outputImagePath(const QString& prefix, const QString& baseName, int position) {
    return prefix + baseName + imageNumberSuffix(position) + QStringLiteral(".jpg");
}

QByteArray scriptSettings(const ConversionRequest& request) {
    QString pages;
    if (!request.pages.isAll()) {
        // Ghostscript's lists end an open range with "-"; only a lone last page needs a count.
        pages = request.pages.text().replace(QLatin1String("-N"), QLatin1String("-"));
    }
    const bool grey = request.colour == ColourMode::Grey;
    return QStringLiteral("resolution=%1\nquality=%2\ncolour=%3\npages=%4\n")
        .arg(QString::number(request.resolution))
        .arg(request.quality)
        .arg(grey ? QStringLiteral("grey") : QStringLiteral("rgb"), pages)
        .toLatin1();
}

QByteArray ghostscriptPasswordDefinition(const QString& password) {
    return "/PDFPassword <" + password.toUtf8().toHex() + "> def\n";
}

ConversionOutcome convertThroughScript(const QString& pdfPath, ConversionContext& context,
                                       const ScriptMethod& method) {
    BusyPointer pointer(context.ui);
    ConversionOutcome outcome;
    if (context.workFolder.isEmpty()) { // no private folder: never work beside others
        outcome.fail(ReasonCode::Internal,
                     QStringLiteral("No private working folder is available."));
        return outcome.settle();
    }
    if (const Reason input = inputTypeProblem(pdfPath); input.found()) {
        outcome.fail(input.code, input.text);
        return outcome.settle();
    }
    const Layout layout = layoutFor(context, method);
    std::int32_t exitCode = 0;
    const Reason ran = runScript(pdfPath, layout, context, pointer, exitCode);
    if (ran.found()) {
        outcome.fail(ran.code, ran.text);
        if (ran.code == ReasonCode::Interrupted) {
            // Ghostscript writes the pages one after the other: all but the last are whole,
            // the last may have been cut short and is dropped.
            QStringList images = ListFolderFiles(layout.imageFolder, method.imagePattern);
            if (!images.isEmpty())
                images.removeLast();
            copyImagesOut(images, layout, pdfPath, context, outcome);
        }
    } else {
        QStringList images = ListFolderFiles(layout.imageFolder, method.imagePattern);
        pointer.busy();
        const Reason lost = lostPages(layout, images);
        if (images.isEmpty()) {
            const Reason why =
                lost.found() ? lost : noImageProblem(pdfPath, layout, context, exitCode);
            outcome.fail(why.code, why.text);
        } else {
            copyImagesOut(images, layout, pdfPath, context, outcome);
            if (lost.found() && !isFault(outcome.reason))
                outcome.fail(lost.code, lost.text);
        }
    }
    pointer.busy();
    clearWorkFolder(layout, method);
    return outcome.settle();
}
