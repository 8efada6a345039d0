#include "convert/BatchFileConversion.h"

#include "convert/ConversionContext.h"
#include "convert/Naming.h"
#include "platform/FileNames.h"
#include "platform/RegularFile.h"
#include "platform/ScriptRun.h"
#include "platform/StopRequest.h"
#include "platform/UserInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>

namespace {

const QString WorkingCopyName = QStringLiteral("current.pdf");
constexpr qint64 CopyChunk = 1 << 16;

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
    return layout;
}

bool copyContents(QFile& in, QFileDevice& out) {
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(CopyChunk);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            return false;
    }
    return out.flush() && out.error() == QFileDevice::NoError;
}

// The copies below are not forced to disk: doing so for every page costs more than the
// conversion itself on a busy disk, and a crash loses at worst a page that can be made again.

// Copies source over target in the private working folder, where nobody else looks. Only a
// regular file is read: a FIFO or a device named like a PDF would hold the copy for ever.
ScriptRunStatus copyIntoWorkFolder(const QString& source, const QString& target) {
    QFile in;
    const InputCheck check = openRegularFile(source, in);
    if (check == InputCheck::NotRegular)
        return ScriptRunStatus::NotRegular;
    QFile out(target);
    if (check != InputCheck::Regular || !out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !copyContents(in, out) || !FileExists(target))
        return ScriptRunStatus::CopyInFailed;
    return ScriptRunStatus::Converted;
}

ScriptRunStatus statusOf(const ScriptResult& result) {
    switch (result.end) {
    case ScriptEnd::Ended:
        return ScriptRunStatus::Converted;
    case ScriptEnd::NotStarted:
        return ScriptRunStatus::LaunchFailed;
    case ScriptEnd::Stalled:
        return ScriptRunStatus::Stalled;
    case ScriptEnd::Stopped:
        return ScriptRunStatus::Stopped;
    case ScriptEnd::Interrupted:
        break;
    }
    return ScriptRunStatus::Interrupted;
}

// Writes a copy of source at target, replacing a file of that name only once the whole copy
// is in place, so a failed copy never costs the user an older image.
bool copyReplacing(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QTemporaryFile out(QFileInfo(target).absolutePath() + QStringLiteral("/.pagekiln-XXXXXX"));
    if (!out.open() || !copyContents(in, out))
        return false;
    out.setPermissions(in.permissions());
    out.close();
    if (std::rename(QFile::encodeName(out.fileName()).constData(),
                    QFile::encodeName(target).constData()) != 0)
        return false;
    out.setAutoRemove(false);
    return true;
}

// Puts the working copy in place and runs the script on it; Converted here only means that the
// script has run, the images it left decide the rest. The script's end, not the
// disappearance of the working copy, ends the wait: a script that is missing, fails to start
// or forgets to remove the copy cannot hold the conversion for ever, and one that stops
// getting on (no new or growing page image within the idle limit) is ended.
ScriptRunStatus runScript(const QString& pdfPath, const Layout& layout, BusyPointer& pointer) {
    if (stopRequested())
        return ScriptRunStatus::Stopped;
    if (!QDir().mkpath(layout.workFolder))
        return ScriptRunStatus::CopyInFailed;
    if (FileExists(layout.workingCopy))
        QFile::remove(layout.workingCopy);
    pointer.busy();
    if (const ScriptRunStatus copied = copyIntoWorkFolder(pdfPath, layout.workingCopy);
        copied != ScriptRunStatus::Converted)
        return copied;
    // Run by /bin/sh whatever its mode: a script that lost its execute bit still converts.
    const ScriptResult result =
        runShellScript(layout.script, layout.workFolder,
                       ScriptProgress{layout.imageFolder, QStringLiteral("*"), scriptIdleLimit()});
    pointer.busy();
    return statusOf(result);
}

int copyImagesOut(const QStringList& images, const Layout& layout, const QString& baseName,
                  ConversionContext& context) {
    int written = 0;
    for (int i = 0; i < images.size(); ++i) {
        // The output folder text is read again for every image, as the window may change it.
        const QString prefix = outputPrefix(context.view.outputFolderText());
        if (copyReplacing(layout.imageFolder + images.at(i),
                          outputImagePath(prefix, baseName, i + 1))) {
            context.jpgCreated = true;
            ++written;
        }
    }
    return written;
}

// Leaves the working folder as it was before the conversion: no copy, no images.
void clearWorkFolder(const Layout& layout, const ScriptMethod& method) {
    for (const QString& name : ListFolderFiles(layout.imageFolder, method.imagePattern))
        QFile::remove(layout.imageFolder + name);
    if (!method.imageFolder.isEmpty())
        QDir(layout.imageFolder).removeRecursively(); // whatever else the script left there
    if (FileExists(layout.workingCopy))
        QFile::remove(layout.workingCopy);
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

ScriptRunStatus convertThroughScript(const QString& pdfPath, ConversionContext& context,
                                     const ScriptMethod& method) {
    const QString baseName = PdfBaseName(pdfPath);
    BusyPointer pointer(context.ui);
    context.jpgCreated = false;
    if (context.workFolder.isEmpty())
        return ScriptRunStatus::CopyInFailed; // no private folder: never work beside others
    const Layout layout = layoutFor(context, method);
    ScriptRunStatus status = runScript(pdfPath, layout, pointer);
    if (status == ScriptRunStatus::Converted) {
        const QStringList images = ListFolderFiles(layout.imageFolder, method.imagePattern);
        pointer.busy();
        if (images.isEmpty())
            status = ScriptRunStatus::NoImages;
        else if (copyImagesOut(images, layout, baseName, context) == 0)
            status = ScriptRunStatus::OutputFailed;
    } else if (status == ScriptRunStatus::Stopped) {
        // Ghostscript writes the pages one after the other: all but the last are whole, the
        // last may have been cut short and is dropped.
        QStringList images = ListFolderFiles(layout.imageFolder, method.imagePattern);
        if (!images.isEmpty())
            images.removeLast();
        copyImagesOut(images, layout, baseName, context);
    }
    pointer.busy();
    clearWorkFolder(layout, method);
    return status;
}
