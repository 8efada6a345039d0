#include "platform/StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
constexpr int HandledSignals[] = {SIGINT, SIGTERM};

// Runs in signal context: only async-signal-safe calls, errno kept for the interrupted code.
void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

void setHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readSignals);
    for (const int signalNumber : HandledSignals)
        setHandler(signalNumber, onSignal);
}

StopSignals::~StopSignals() {
    if (!m_notifier)
        return;
    for (const int signalNumber : HandledSignals)
        setHandler(signalNumber, SIG_DFL);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

QString StopSignals::signalName(int signalNumber) {
    switch (signalNumber) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    default:
        return QStringLiteral("signal %1").arg(signalNumber);
    }
}

void StopSignals::readSignals() {
    char received[16];
    ssize_t count = 0;
    while ((count = ::read(pipeEnds[0], received, sizeof received)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            const int signalNumber = static_cast<unsigned char>(received[i]);
            if (m_first == 0) {
                m_first = signalNumber;
                emit stopRequested(signalNumber);
            } else {
                emit stopNowRequested(signalNumber);
            }
        }
    }
}
