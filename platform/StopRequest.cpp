#include "platform/StopRequest.h"

#include "platform/ProcessGroup.h"

#include <QHash>
#include <QMutex>
#include <QSet>

#include <atomic>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct Registry {
    QMutex mutex;
    QSet<pid_t> scriptGroups;
    QHash<pid_t, int> serverPidfds; // pid -> pidfd, -1 when the kernel has none
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::atomic<bool> stopFlag{false};
std::atomic<bool> serversEnded{false};

void signalServer(pid_t pid, int pidfd, int signalNumber) {
    if (pidfd >= 0)
        ::syscall(SYS_pidfd_send_signal, pidfd, signalNumber, nullptr, 0);
    else
        ::kill(pid, signalNumber);
}

} // namespace

void endProcessGroup(pid_t group) {
    if (group > 0)
        ::kill(-group, SIGKILL);
}

void requestStop() {
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    stopFlag = true;
    for (const pid_t group : std::as_const(r.scriptGroups))
        endProcessGroup(group);
    for (auto it = r.serverPidfds.cbegin(); it != r.serverPidfds.cend(); ++it)
        signalServer(it.key(), it.value(), serverStopSignal());
}

bool stopRequested() {
    return stopFlag;
}

void stopNow() {
    requestStop();
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    serversEnded = true;
    for (auto it = r.serverPidfds.cbegin(); it != r.serverPidfds.cend(); ++it)
        signalServer(it.key(), it.value(), SIGKILL);
}

bool serversWereEnded() {
    return serversEnded;
}

void clearStopRequest() {
    stopFlag = false;
    serversEnded = false;
}

bool adoptScriptGroup(pid_t group) {
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    if (stopFlag) {
        endProcessGroup(group);
        return false;
    }
    r.scriptGroups.insert(group);
    return true;
}

void releaseScriptGroup(pid_t group) {
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    r.scriptGroups.remove(group);
}

void adoptServer(qint64 processId) {
    const auto pid = static_cast<pid_t>(processId);
    if (pid <= 0)
        return;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    r.serverPidfds.insert(pid, pidfd);
}

void releaseServer(qint64 processId) {
    const auto pid = static_cast<pid_t>(processId);
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    const int pidfd = r.serverPidfds.value(pid, -1);
    r.serverPidfds.remove(pid);
    if (pidfd >= 0)
        ::close(pidfd);
}
