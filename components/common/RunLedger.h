#pragma once

#include <atomic>
#include <mutex>

// How many component servers of one run are converting at this moment. A command running
// several jobs side by side gives its servers one small shared file (PAGEKILN_RUN_LEDGER); each
// server counts itself there while it has a document open. A server then takes its share of
// the run's processors: all of them when it is the only one still at work, a part of them while
// others work too. Without the file (a window, a server started by hand) a server is alone.
class RunLedger {
public:
    static constexpr const char* kVariable = "PAGEKILN_RUN_LEDGER";

    // The ledger named by the environment of this process.
    static RunLedger& process();

    // Servers converting now, this one included once it has entered; at least 1.
    int busyServers() const;
    // This process opened a document, or closed one; only the first open and the last close
    // change the shared count.
    void enter();
    void leave();

    explicit RunLedger(const char* path);
    ~RunLedger();
    RunLedger(const RunLedger&) = delete;
    RunLedger& operator=(const RunLedger&) = delete;

private:
    std::atomic<int>* m_shared = nullptr; // in the shared file; null without one
    std::mutex m_mutex;
    int m_open = 0; // documents open in this process
};

// Worker threads one server may keep rendering: the run's budget (PAGEKILN_RENDER_THREADS, by
// default the processors) divided between the servers at work, at least one.
int renderBudget();
int allowedRenderThreads();
