#include "platform/ProgramEnd.h"

#include "platform/WorkFolder.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> EndingSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe from the handler to the event loop: [0] is read by the notifier, [1] written by
// the handler. Both ends close on exec, so no child holds them.
int g_pipe[2] = {-1, -1};

extern "C" void onEndingSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

void setHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : EndingSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

int ExitStatusForSignal(int signalNumber) {
    return 128 + signalNumber;
}

void EndProgramNow(WorkFolder* folder, int status) {
    if (folder)
        folder->removeNow();
    std::fflush(nullptr);
    ::_exit(status);
}

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

TerminationRequests::TerminationRequests(QObject* parent) : QObject(parent) {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // another instance is active, or no pipe: the default handling stays
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationRequests::readPending);
    setHandler(onEndingSignal);
}

TerminationRequests::~TerminationRequests() {
    if (!m_notifier)
        return;
    setHandler(SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationRequests::readPending() {
    unsigned char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1)
        emit received(number);
}
