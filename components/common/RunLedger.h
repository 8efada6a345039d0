#pragma once

#include "protocol/Environment.h"

#include <atomic>
#include <mutex>

// How many component servers of one run are converting at this moment. A command running
// several jobs side by side gives its servers one small shared file (the run ledger, laid out as
// RunLedgerLayout says and named in the environment, protocol/Environment.h); each
// server holds a slot there, marked with its process id, while it has a document open. A server
// then takes its share of the run's processors: all of them when it is the only one still at
// work, a part of them while others work too. A server that was killed cannot free its slot,
// so each server entering frees the slots of processes that no longer run. Without the file
// (a window, a server started by hand) a server is alone.
class RunLedger {
public:
    // The ledger named by the environment of this process.
    static RunLedger& process();

    // Servers converting now, this one included once it has entered; at least 1.
    int busyServers() const;
    // This process opened a document, or closed one; only the first open and the last close
    // change the shared slots.
    void enter();
    void leave();

    // processId stands in for this process's id (tests play several servers in one process).
    explicit RunLedger(const char* path, int processId = 0);
    ~RunLedger();
    RunLedger(const RunLedger&) = delete;
    RunLedger& operator=(const RunLedger&) = delete;

private:
    std::atomic<RunLedgerLayout::Slot>* m_slots = nullptr; // in the shared file; null without one
    int m_processId;
    int m_slot = -1;
    std::mutex m_mutex;
    int m_open = 0; // documents open in this process
};

// Worker threads one server may keep rendering: the run's budget (Environment::kRenderThreads,
// by default the processors) divided between the servers at work, at least one.
int renderBudget();
int allowedRenderThreads();
