#pragma once

#include "convert/ConversionMethod.h"
#include "convert/MethodTable.h"
#include "convert/PasswordAttempts.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <set>
#include <vector>

class QThread;
class UserInterface;
class ConversionWorker;

// Converts a list of PDF files with up to `jobs` conversions at once, each in its own thread
// with its own working folder and component servers. Files whose outputs could collide (one
// base name a prefix of the other, or equal, and so on through chains: a collision group) are
// converted one at a time in the list's order, so the files written are those of a
// one-at-a-time run. The groups are found once, by sorting, so scheduling stays O(n log n)
// however many names collide. Threads are started as conversions need them, never more than
// there are PDFs, and never more than the open-file limit leaves room for (each job holds pipes
// to its servers and the files it copies).
class ParallelConverter : public QObject {
    Q_OBJECT
public:
    struct Setup {
        ConversionMethod method = ConversionMethod::Ghostscript;
        QString programFolder;
        QString outputFolder;
        QString resolution; // the window's texts, for a run with the window's choices
        QString pages;
        std::optional<ConversionRequest> request; // what the command asks of every PDF
        // What it asks instead of PDFs given only some of their pages: list position -> request.
        std::map<int, ConversionRequest> partRequests;
        int jobs = 1;
        MethodTable methods;
        QStringList passwords; // tried in turn on PDFs that need a password
    };

    // ui must be safe to call from several threads at once.
    ParallelConverter(Setup setup, UserInterface& ui, QObject* parent = nullptr);
    ~ParallelConverter() override;

    // Converts every path and returns the outcome of each, in list order (a PDF that was not
    // started because of a stop keeps a default, failed, outcome). The calling thread's event
    // loop runs meanwhile.
    const QList<ConversionOutcome>& run(const QStringList& pdfs);

    // Starts no further PDF; run() returns once the conversions under way have ended.
    void stop();

    // How many conversions may run at once: jobs, bounded by the open-file limit.
    int jobLimit() const { return m_jobLimit; }

    // True when not even one conversion thread could be started.
    bool threadsUnavailable() const { return m_threadsUnavailable; }

    // The number of jobs an open-file limit of openFiles leaves room for (at least 1).
    static int jobsWithinOpenFiles(long long openFiles);

signals:
    void conversionStarted(int position, int count, const QString& path);
    // The pages the conversion at position is to give, once known, and those it has written so
    // far; both may come several times, each superseding the last.
    void pagesExpected(int position, int pages);
    void pagesWritten(int position, int pages);
    // What a conversion gave, as it ends.
    void conversionOutcome(int position, int count, const QString& path,
                           const ConversionOutcome& outcome);
    void ended(); // run() is about to return

private:
    void onWorkerDone(int worker, int index, const ConversionOutcome& outcome);
    void dispatch();
    void planGroups();
    int idleWorker();
    bool addWorker();
    void start(int worker, int index);
    void endIfIdle();

    Setup m_setup;
    UserInterface& m_ui;
    PasswordRing m_passwords;
    std::vector<QThread*> m_threads;
    std::vector<ConversionWorker*> m_workers;
    std::vector<bool> m_workerBusy;

    QStringList m_pdfs;
    // Members of one collision group run one at a time in list order: m_nextInGroup links each
    // position to the next member of its group (-1 after the last), and m_ready holds the
    // positions that may start now, the first unfinished member of each idle group.
    std::vector<int> m_nextInGroup;
    std::set<int> m_ready;
    QList<ConversionOutcome> m_outcomes;
    int m_done = 0;
    int m_running = 0;
    int m_jobLimit = 1;
    bool m_stopping = false;
    bool m_threadsUnavailable = false;
};
