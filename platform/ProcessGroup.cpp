#include "platform/ProcessGroup.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kExitParentGone = 127;

// In the child, between fork and exec: async-signal-safe calls only. The parent may have ended
// before the death signal was set; the child then already belongs to another process and would
// never be ended, so it ends at once.
void endWithParent(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(kExitParentGone);
}

} // namespace

int serverStopSignal() {
    return SIGUSR1;
}

void startAsServer(QProcess& process) {
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::setpgid(0, 0);
        ::signal(SIGUSR1, SIG_IGN);
        endWithParent(parent);
    });
}

void startTiedToThisProcess(QProcess& process) {
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] { endWithParent(parent); });
}
