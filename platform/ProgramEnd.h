#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;
class WorkFolder;

// The exit status of a program ended by signalNumber, as a shell reports it (143 for SIGTERM).
int ExitStatusForSignal(int signalNumber);

// "SIGTERM", "SIGINT", "SIGHUP", or "signal N".
QString SignalName(int signalNumber);

// Ends the program at once with status: converter scripts still running (and their
// Ghostscript) are ended, the private working folder goes (even while a converter left running
// still writes into it), the standard streams are flushed, and nothing else runs: no
// destructor, no pending event, no wait for the programs it started.
[[noreturn]] void EndProgramNow(WorkFolder* folder, int status);

// Whether standard error is a terminal (and so may show a status line that rewrites itself).
bool StandardErrorIsTerminal();

// Turns the signals that ask a program to end (SIGTERM at a logout or shutdown, SIGINT from
// Ctrl+C, SIGHUP when the terminal goes away) into a Qt signal, raised from the event loop, so
// the usual clean-up runs instead of the default end that leaves everything behind. The
// handler only writes the number to a pipe; the event loop reads it. One instance at a time;
// the default handling comes back when it goes.
class TerminationRequests : public QObject {
    Q_OBJECT
public:
    explicit TerminationRequests(QObject* parent = nullptr);
    ~TerminationRequests() override;

signals:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier* m_notifier = nullptr;
};
