#include "platform/RunAndWait.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <limits>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::int32_t MinimizeState = 6;
constexpr std::int64_t FailureOffset = -2147221504; // 0x80040000

struct Reaped {
    bool ended = false;
    std::int32_t exitCode = 0;
};

// Collects the child if it has ended; never blocks.
Reaped reap(pid_t pid) {
    int status = 0;
    pid_t got = 0;
    do {
        got = ::waitpid(pid, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0)
        return {};
    if (got < 0) // somebody else collected it: its code is lost
        return {true, 0};
    if (WIFEXITED(status))
        return {true, WEXITSTATUS(status)};
    if (WIFSIGNALED(status))
        return {true, 128 + WTERMSIG(status)};
    return {true, 0};
}

// Runs a local event loop until the process behind pidfd has ended (the descriptor becomes
// readable) or the application quits.
void waitOnPidfd(int pidfd) {
    QEventLoop loop;
    QSocketNotifier notifier(pidfd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    loop.exec();
}

// Only for kernels without pidfd_open (before 5.3): checks for the child's end between
// event-loop passes.
void waitByChecking(pid_t pid, Reaped& reaped) {
    QEventLoop loop;
    QTimer check;
    check.setInterval(20);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        reaped = reap(pid);
        if (reaped.ended)
            loop.quit();
    });
    check.start();
    loop.exec();
}

Reaped waitForChild(pid_t pid) {
    Reaped reaped;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        waitOnPidfd(pidfd);
        ::close(pidfd);
        return reap(pid);
    }
    waitByChecking(pid, reaped);
    return reaped.ended ? reaped : reap(pid);
}

} // namespace

std::int32_t clampWindowState(std::int32_t windowState) {
    return windowState < 0 || windowState > MinimizeState ? MinimizeState : windowState;
}

std::int32_t launchFailureResult(std::int32_t errorNumber) {
    const std::int64_t sum = std::int64_t{errorNumber} + FailureOffset;
    if (sum < std::numeric_limits<std::int32_t>::min() ||
        sum > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(sum);
}

RunOutcome runProgram(const QString& command, std::int32_t windowState,
                      const QString& workingFolder, LaunchError& error,
                      const LaunchOptions& options) {
    const LaunchResult launch = LaunchFile(command, clampWindowState(windowState), {},
                                           workingFolder, QStringLiteral("open"), error, options);
    if (error.isError())
        return {launchFailureResult(error.number), ChildEnd::NotStarted};
    if (launch.processId <= 0)
        return {0, ChildEnd::NotStarted};
    const Reaped reaped = waitForChild(static_cast<pid_t>(launch.processId));
    if (!reaped.ended)
        return {0, ChildEnd::StillRunning};
    return {reaped.exitCode, ChildEnd::Ended};
}

std::int32_t RunAndWait(const QString& command, std::int32_t windowState,
                        const QString& workingFolder) {
    LaunchError error;
    return runProgram(command, windowState, workingFolder, error).result;
}
