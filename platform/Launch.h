#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Opening a program or a document the way a desktop shell does, with the classic shell's
// result codes: a value above 32 is success, 0 to 32 name the failure. The numbers and texts
// callers see for a failure are fixed: the failure table below belongs to the interface.

// Show commands of the started program's window. Linux has no such thing for a child process;
// the value is still worked out and reported so the rules stay visible and testable.
enum class ShowState : std::int32_t {
    Hidden = 0,
    Normal = 1,
    ShowMinimized = 2,
    Maximized = 3,
    NoActivate = 4,
    Show = 5,
    Minimize = 6,
};

// Shell results we produce on Linux (the subset of the classic codes that errno can name).
namespace ShellResult {
constexpr std::int32_t OutOfResources = 0;
constexpr std::int32_t FileNotFound = 2;
constexpr std::int32_t PathNotFound = 3;
constexpr std::int32_t AccessDenied = 5;
constexpr std::int32_t OutOfMemory = 8;
constexpr std::int32_t BadFormat = 11;
constexpr std::int32_t SharingViolation = 26;
constexpr std::int32_t NoAssociation = 31;
constexpr std::int32_t Success = 42; // any value above 32 means success
} // namespace ShellResult

// The error record of the last launch. number 0 means no error.
struct LaunchError {
    std::int32_t number = 0;
    QString source;
    QString description;

    bool isError() const { return number != 0; }
    void clear() { *this = LaunchError{}; }
};

// One row of the failure table: what a shell result in 0..32 turns into.
struct LaunchFailure {
    std::int32_t number = 0;
    QString description;
};

constexpr std::int32_t LaunchErrorBase = -2147220456; // 0x80040418

bool isLaunchFailure(std::int32_t shellResult); // 0 <= r <= 32

// The failure table; meaningful for 0 <= shellResult <= 32.
LaunchFailure launchFailureFor(std::int32_t shellResult);

// errno of a failed start mapped onto a shell result.
std::int32_t shellResultFromErrno(int error);

// The window state a launch uses: a name containing ".EXE" (upper-cased) is started hidden,
// and a launch without parameters and working folder is always shown normally.
ShowState effectiveShowState(const QString& fileName, std::int32_t windowState,
                             const QStringList& parameters, const QString& workingFolder);

// "<executable name without extension>.GShell" for the given executable path.
QString launchErrorSource(const QString& executablePath);

// The source used by LaunchFile: built from the running program's own executable.
QString currentLaunchErrorSource();

struct LaunchOptions {
    // What opens documents (anything that is not an executable file). Replaced in tests.
    QString documentOpener = QStringLiteral("xdg-open");
    // Source of the error record; empty means currentLaunchErrorSource().
    QString errorSource;
};

struct LaunchResult {
    std::int32_t shellResult = ShellResult::OutOfResources;
    std::int64_t processId = 0; // our child when one was started, else 0
    ShowState showState = ShowState::Normal;
};

// Starts fileName (surrounding double quotes stripped) with the verb operation ("open" or
// empty; other verbs find no association). A file whose name ends in ".sh" is run by
// "/bin/sh --" whatever its mode, as a batch file is run by its command interpreter; another
// executable file is started as it is; both become our child, started in workingFolder with
// parameters as its arguments (never through a shell string). Any other path is handed to the
// document opener. Every child starts in a process group of its own, with standard input from
// /dev/null and every signal at its default. error is cleared first and filled on a failure.
// The caller owns the child: it must reap processId (RunAndWait does).
LaunchResult LaunchFile(const QString& fileName, std::int32_t windowState,
                        const QStringList& parameters, const QString& workingFolder,
                        const QString& operation, LaunchError& error,
                        const LaunchOptions& options = {});
