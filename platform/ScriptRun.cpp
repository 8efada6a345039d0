#include "platform/ScriptRun.h"

#include "platform/ChildSpawn.h"
#include "platform/FileNames.h"
#include "platform/StopRequest.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;

constexpr double DefaultIdleSeconds = 300.0;

// Collects the ended child and returns its wait status.
int collect(pid_t pid) {
    int status = 0;
    pid_t got = 0;
    do {
        got = ::waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    return got < 0 ? 0 : status; // collected elsewhere: the status is lost
}

// The script runs as "/bin/sh -- script" whatever its mode, in a process group of its own.
pid_t spawnScript(const QByteArray& script, const QByteArray& folder) {
    const QByteArray shell = "/bin/sh";
    // "--": a script path may start with "-".
    return spawnChild(shell, {shell, "--", script}, ChildStart{folder, true, false}).pid;
}

// Files matching the pattern and their total size: a change means the script got on.
struct Footprint {
    qsizetype files = 0;
    qint64 bytes = 0;
    bool operator==(const Footprint&) const = default;
};

Footprint footprintOf(const ScriptProgress& progress) {
    Footprint footprint;
    for (const QString& name : ListFolderFiles(progress.folder, progress.pattern)) {
        ++footprint.files;
        footprint.bytes += QFileInfo(progress.folder + QLatin1Char('/') + name).size();
    }
    return footprint;
}

// True once the child has ended; it is left to be collected (its group id stays reserved).
bool hasEnded(pid_t pid) {
    siginfo_t info{};
    int result = 0;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result < 0 && errno == EINTR);
    return result < 0 || info.si_pid == pid;
}

enum class Wake { Ended, Stalled, Quitting };

// Waits for the end of the child behind pid while the event loop runs; ends its group once it
// made no progress for the idle limit. The end wakes the wait through a pidfd; where the
// kernel has none (before 5.3), the progress check looks for the end as well.
Wake waitWatching(pid_t pid, const ScriptProgress& progress) {
    QEventLoop loop;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    QSocketNotifier ended(std::max(pidfd, 0), QSocketNotifier::Read);
    ended.setEnabled(pidfd >= 0);
    QObject::connect(&ended, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer check;
    check.setInterval(std::clamp(progress.idleLimit / 10, milliseconds(20), milliseconds(5000)));
    Footprint last = footprintOf(progress);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    bool stalled = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (const Footprint now = footprintOf(progress); !(now == last)) {
            last = now;
            sinceProgress.restart();
        } else if (!stalled && milliseconds(sinceProgress.elapsed()) >= progress.idleLimit) {
            stalled = true;
            endProcessGroup(pid);
        }
        if (pidfd < 0 && hasEnded(pid))
            loop.quit();
    });
    check.start();
    loop.exec(); // returns at once, and without the end, when the application is quitting
    if (pidfd >= 0)
        ::close(pidfd);
    if (!hasEnded(pid))
        return Wake::Quitting;
    return stalled ? Wake::Stalled : Wake::Ended;
}

ScriptResult resultOf(Wake wake, int status) {
    switch (wake) {
    case Wake::Stalled:
        return {ScriptEnd::Stalled, 0};
    case Wake::Quitting:
        return {ScriptEnd::Interrupted, 0};
    case Wake::Ended:
        break;
    }
    if (WIFSIGNALED(status))
        return {stopRequested() ? ScriptEnd::Stopped : ScriptEnd::Ended, 128 + WTERMSIG(status)};
    return {ScriptEnd::Ended, WIFEXITED(status) ? WEXITSTATUS(status) : 0};
}

bool isRegularFile(const QByteArray& path) {
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::chrono::milliseconds scriptIdleLimit() {
    bool ok = false;
    const double seconds = qEnvironmentVariable("PAGEKILN_SCRIPT_IDLE_SECONDS").toDouble(&ok);
    return milliseconds(
        static_cast<qint64>((ok && seconds > 0 ? seconds : DefaultIdleSeconds) * 1000.0));
}

ScriptResult runShellScript(const QString& script, const QString& workingFolder,
                            const ScriptProgress& progress) {
    const QByteArray encodedScript = QFile::encodeName(script);
    if (!isRegularFile(encodedScript))
        return {ScriptEnd::NotStarted, 0};
    const pid_t pid = spawnScript(encodedScript, QFile::encodeName(workingFolder));
    if (pid <= 0)
        return {ScriptEnd::NotStarted, 0};
    const bool adopted = adoptScriptGroup(pid); // a stop under way ends the group at once
    Wake wake = waitWatching(pid, progress);
    if (wake == Wake::Quitting)
        endProcessGroup(pid);
    // Whatever the script left running in its group goes with it. The leader is not collected
    // yet, so the group id cannot have passed to anybody else.
    if (adopted)
        releaseScriptGroup(pid);
    endProcessGroup(pid);
    const int status = collect(pid);
    return resultOf(wake, status);
}
