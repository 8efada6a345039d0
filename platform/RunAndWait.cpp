#include "platform/RunAndWait.h"

#include "platform/FileNames.h"
#include "platform/StopRequest.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;

constexpr std::int32_t MinimizeState = 6;
constexpr std::int64_t FailureOffset = -2147221504; // 0x80040000
constexpr int SignalBase = 128;

// Files matching the watched pattern and their total size: a change means the child got on.
struct Footprint {
    qsizetype files = 0;
    qint64 bytes = 0;
    bool operator==(const Footprint&) const = default;
};

Footprint footprintOf(const ProgressWatch& watch) {
    Footprint footprint;
    for (const QString& name : ListFolderFiles(watch.folder, watch.pattern)) {
        ++footprint.files;
        footprint.bytes += QFileInfo(watch.folder + QLatin1Char('/') + name).size();
    }
    return footprint;
}

// Ends the child's group once the watched files have stayed as they were for the idle limit.
// It looks at them a tenth of the limit apart (20 ms to 5 s, a quarter of a second at most when
// someone follows the files); this is how progress is seen, the child's end wakes the wait by
// itself.
class IdleBound {
public:
    IdleBound(const ProgressWatch& watch, pid_t group)
        : m_watch(watch), m_group(group), m_last(footprintOf(watch)) {
        m_sinceProgress.start();
        milliseconds interval =
            std::clamp(watch.idleLimit / 10, milliseconds(20), milliseconds(5000));
        if (watch.onFiles)
            interval = std::min(interval, milliseconds(250));
        m_check.setInterval(interval);
        QObject::connect(&m_check, &QTimer::timeout, &m_check, [this] { check(); });
        m_check.start();
    }

    bool fired() const { return m_fired; }

private:
    void check() {
        if (const Footprint now = footprintOf(m_watch); !(now == m_last)) {
            if (m_watch.onFiles && now.files != m_last.files)
                m_watch.onFiles(now.files);
            m_last = now;
            m_sinceProgress.restart();
        } else if (!m_fired && milliseconds(m_sinceProgress.elapsed()) >= m_watch.idleLimit) {
            m_fired = true;
            endProcessGroup(m_group);
        }
    }

    const ProgressWatch& m_watch;
    pid_t m_group;
    Footprint m_last;
    QElapsedTimer m_sinceProgress;
    QTimer m_check;
    bool m_fired = false;
};

// True once the child has ended; it is left to be collected, so its process id, and the
// group id it leads, cannot pass to another process meanwhile.
bool hasEnded(pid_t pid) {
    siginfo_t info{};
    int result = 0;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result < 0 && errno == EINTR);
    return result < 0 || info.si_pid == pid;
}

struct Collected {
    std::int32_t exitCode = 0; // 128 + the signal for a child ended by one
    bool bySignal = false;
};

// Collects the child, which has ended or is about to.
Collected collect(pid_t pid) {
    int status = 0;
    pid_t got = 0;
    do {
        got = ::waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0) // somebody else collected it: its code is lost
        return {};
    if (WIFEXITED(status))
        return {WEXITSTATUS(status), false};
    if (WIFSIGNALED(status))
        return {SignalBase + WTERMSIG(status), true};
    return {};
}

enum class Wake { Ended, Stalled, Quitting };

// Runs a local event loop until the child behind pidfd has ended (the descriptor becomes
// readable) or the thread's event loops are told to quit, which also returns at once when
// they were told so before.
Wake waitForEnd(int pidfd, pid_t pid, const ProgressWatch& watch) {
    QEventLoop loop;
    QSocketNotifier ended(pidfd, QSocketNotifier::Read);
    QObject::connect(&ended, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    std::optional<IdleBound> bound;
    if (!watch.folder.isEmpty())
        bound.emplace(watch, pid);
    loop.exec();
    if (!hasEnded(pid))
        return Wake::Quitting;
    return bound && bound->fired() ? Wake::Stalled : Wake::Ended;
}

ChildEnd endOf(Wake wake, const Collected& collected, ChildGroup group) {
    switch (wake) {
    case Wake::Stalled:
        return ChildEnd::Stalled;
    case Wake::Quitting:
        return ChildEnd::Interrupted;
    case Wake::Ended:
        break;
    }
    if (group == ChildGroup::Owned && collected.bySignal && stopRequested())
        return ChildEnd::Stopped;
    return ChildEnd::Ended;
}

// Waits for the child the launch started and collects it.
RunOutcome waitForChild(pid_t pid, const RunOptions& options) {
    const bool owned = options.group == ChildGroup::Owned;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        // Its end cannot be waited for. An owned group is not left to run unwatched.
        if (owned) {
            endProcessGroup(pid);
            collect(pid);
        }
        return {};
    }
    const bool adopted = owned && adoptScriptGroup(pid); // a stop under way ends it at once
    const Wake wake = waitForEnd(pidfd, pid, options.progress);
    ::close(pidfd);
    if (adopted)
        releaseScriptGroup(pid);
    if (!owned && wake == Wake::Quitting)
        return {0, ChildEnd::Interrupted, {}}; // its own business: left running
    // Whatever the child left running in its group goes with it. The leader is not collected
    // yet, so the group id cannot have passed to anybody else.
    if (owned)
        endProcessGroup(pid);
    const Collected collected = collect(pid);
    return {collected.exitCode, endOf(wake, collected, options.group), {}};
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

RunOutcome RunAndWait(const QString& command, std::int32_t windowState,
                      const QString& workingFolder, const RunOptions& options) {
    LaunchError error;
    const LaunchResult launch =
        LaunchFile(command, clampWindowState(windowState), {}, workingFolder,
                   QStringLiteral("open"), error, options.launch);
    if (error.isError())
        return {launchFailureResult(error.number), ChildEnd::NotStarted, error};
    if (launch.processId <= 0)
        return {};
    return waitForChild(static_cast<pid_t>(launch.processId), options);
}

std::int32_t RunAndWait(const QString& command, std::int32_t windowState,
                        const QString& workingFolder) {
    return RunAndWait(command, windowState, workingFolder, RunOptions{}).result;
}
