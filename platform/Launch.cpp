#include "platform/Launch.h"

#include "platform/ChildSpawn.h"
#include "platform/NativeNames.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString GenericFailureText =
    QStringLiteral("An error occurred occurred whilst trying to open or print the selected file.");

QString stripSurroundingQuotes(const QString& text) {
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

bool isRegularFile(const QByteArray& path) {
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isExecutableFile(const QByteArray& path) {
    return isRegularFile(path) && ::access(path.constData(), X_OK) == 0;
}

// A shell script is opened the way a batch file is: by the command interpreter, whatever the
// file's mode, so a script that lost its execute bit (an unpacked archive, a copy from a
// memory stick) still runs.
bool isShellScript(const QString& file) {
    return file.endsWith(QLatin1String(".sh"));
}

// 0 when the path can be looked at, else the errno of the look.
int statError(const QByteArray& path, bool mustBeFolder) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return errno;
    if (mustBeFolder && !S_ISDIR(info.st_mode))
        return ENOTDIR;
    return 0;
}

// Starts program with its arguments, in folder (when not empty), in a process group of its
// own, so that whoever waits for it can end it together with everything it starts. Exec
// failures come back as errno, not as a child that exits 127.
SpawnedChild startProgram(const QByteArray& program, const QList<QByteArray>& arguments,
                          const QByteArray& folder, bool searchPath) {
    return spawnChild(program, QList<QByteArray>{program} + arguments,
                      ChildStart{folder, true, searchPath});
}

// "/bin/sh -- script arguments...": "--" ends the interpreter's own options, whatever the
// path looks like.
SpawnedChild startScript(const QByteArray& script, const QList<QByteArray>& arguments,
                         const QByteArray& folder) {
    return startProgram(QByteArrayLiteral("/bin/sh"),
                        QList<QByteArray>{QByteArrayLiteral("--"), script} + arguments, folder,
                        false);
}

QList<QByteArray> encodedArguments(const QStringList& parameters) {
    QList<QByteArray> encoded;
    for (const QString& parameter : parameters)
        encoded.append(encodeFileName(parameter));
    return encoded;
}

// Starts a file that exists: a shell script through the interpreter, an executable as it is,
// anything else through the document opener.
LaunchResult startExisting(const QString& file, const QByteArray& path,
                           const QStringList& parameters, const QByteArray& folder,
                           const LaunchOptions& options) {
    LaunchResult result;
    SpawnedChild spawned;
    if (isShellScript(file)) {
        if (!isRegularFile(path)) { // a folder or a device named like a script
            result.shellResult = ShellResult::AccessDenied;
            return result;
        }
        spawned = startScript(path, encodedArguments(parameters), folder);
    } else if (isExecutableFile(path)) {
        spawned = startProgram(path, encodedArguments(parameters), folder, false);
    } else {
        // A document: the desktop's opener picks the application. Its absence means no
        // application is associated with anything.
        spawned = startProgram(QFile::encodeName(options.documentOpener), {path}, folder, true);
        if (spawned.error == ENOENT || spawned.error == EACCES) {
            result.shellResult = ShellResult::NoAssociation;
            return result;
        }
    }
    result.shellResult =
        spawned.error == 0 ? ShellResult::Success : shellResultFromErrno(spawned.error);
    result.processId = spawned.pid;
    return result;
}

// Starts the file or hands it to the document opener; returns the shell result.
LaunchResult start(const QString& file, const QStringList& parameters, const QString& folder,
                   const LaunchOptions& options) {
    LaunchResult result;
    const QByteArray path = encodeFileName(QFileInfo(file).absoluteFilePath());
    const QByteArray encodedFolder = encodeFileName(folder);
    if (file.isEmpty()) {
        result.shellResult = ShellResult::FileNotFound;
        return result;
    }
    if (const int error = statError(path, false); error != 0) {
        result.shellResult = shellResultFromErrno(error);
        return result;
    }
    if (!folder.isEmpty()) {
        if (const int error = statError(encodedFolder, true); error != 0) {
            // The folder is a path, so a missing one is "path not found".
            result.shellResult =
                error == ENOENT ? ShellResult::PathNotFound : shellResultFromErrno(error);
            return result;
        }
    }
    return startExisting(file, path, parameters, encodedFolder, options);
}

} // namespace

bool isLaunchFailure(std::int32_t shellResult) {
    return shellResult >= 0 && shellResult <= 32;
}

LaunchFailure launchFailureFor(std::int32_t r) {
    switch (r) {
    case 0:
    case 8:
        return {7, QStringLiteral("Out of memory")};
    case 2:
        return {53, QStringLiteral("File not found")};
    case 3:
        return {76, QStringLiteral("Path not found")};
    case 5:
        return {75, QStringLiteral("Path/file access error")};
    case 11:
        return {LaunchErrorBase + r, QStringLiteral("The executable file is invalid or corrupt")};
    case 26:
        return {75, QStringLiteral("A sharing violation occurred.")};
    case 27:
        return {LaunchErrorBase + r,
                QStringLiteral("This file type does not have a valid file association.")};
    case 28:
        return {286, QStringLiteral("The file could not be opened due to time out. Please try "
                                    "again in a moment.")};
    case 29:
        return {285, QStringLiteral("The file could not be opened because the DDE transaction "
                                    "failed. Please try again in a moment.")};
    case 30:
        return {285, QStringLiteral("The file could not be opened because the target application "
                                    "is busy. Please try again in a moment.")};
    case 31:
        return {LaunchErrorBase + r,
                QStringLiteral("No application is associated with this file type.")};
    case 32:
        return {48, QStringLiteral("The specified dynamic-link library was not found.")};
    default:
        return {LaunchErrorBase + r, GenericFailureText};
    }
}

std::int32_t shellResultFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ShellResult::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return ShellResult::PathNotFound;
    case EACCES:
    case EPERM:
        return ShellResult::AccessDenied;
    case ENOMEM:
        return ShellResult::OutOfMemory;
    case ENOEXEC:
        return ShellResult::BadFormat;
    case ETXTBSY:
        return ShellResult::SharingViolation;
    case EAGAIN:
        return ShellResult::OutOfResources;
    default:
        return ShellResult::AccessDenied;
    }
}

ShowState effectiveShowState(const QString& fileName, std::int32_t windowState,
                             const QStringList& parameters, const QString& workingFolder) {
    if (fileName.toUpper().contains(QLatin1String(".EXE")))
        windowState = static_cast<std::int32_t>(ShowState::Hidden);
    if (parameters.isEmpty() && workingFolder.isEmpty())
        return ShowState::Normal;
    return static_cast<ShowState>(windowState);
}

QString launchErrorSource(const QString& executablePath) {
    return QFileInfo(executablePath).completeBaseName() + QStringLiteral(".GShell");
}

QString currentLaunchErrorSource() {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return launchErrorSource(self.isEmpty() ? QStringLiteral("pagekiln") : self);
}

LaunchResult LaunchFile(const QString& fileName, std::int32_t windowState,
                        const QStringList& parameters, const QString& workingFolder,
                        const QString& operation, LaunchError& error,
                        const LaunchOptions& options) {
    const ShowState showState =
        effectiveShowState(fileName, windowState, parameters, workingFolder);
    error.clear();
    LaunchResult result;
    if (!operation.isEmpty() && operation.compare(QLatin1String("open"), Qt::CaseInsensitive))
        result.shellResult = ShellResult::NoAssociation;
    else
        result = start(stripSurroundingQuotes(fileName), parameters, workingFolder, options);
    result.showState = showState;
    if (isLaunchFailure(result.shellResult)) {
        const LaunchFailure failure = launchFailureFor(result.shellResult);
        error.number = failure.number;
        error.description = failure.description;
        error.source =
            options.errorSource.isEmpty() ? currentLaunchErrorSource() : options.errorSource;
    }
    return result;
}
