#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into Qt signals on the thread that made the object, so a stop is
// handled by ordinary code with the event loop running rather than inside a signal handler.
// The handler only writes the signal's number to a pipe (a self-pipe); the read end wakes the
// event loop. Only one object may exist at a time; the handlers go back to the defaults when
// it is destroyed.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False when the pipe or the handlers could not be set up (the defaults stay in force).
    bool isActive() const { return m_notifier != nullptr; }

    // The signal received first (0 while none has come).
    int firstSignal() const { return m_first; }

    // The exit status of a program ended by the first signal: 128 + its number.
    int exitStatus() const { return 128 + m_first; }

    // "SIGINT", "SIGTERM", or "signal N".
    static QString signalName(int signalNumber);

signals:
    // The first SIGINT or SIGTERM: finish the work under way, start nothing new.
    void stopRequested(int signalNumber);
    // Any later one: the user insists; end at once.
    void stopNowRequested(int signalNumber);

private:
    void readSignals();

    QSocketNotifier* m_notifier = nullptr;
    int m_first = 0;
};
