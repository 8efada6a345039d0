#pragma once

#include <QtGlobal>

#include <cstdint>

// What the component servers read from the environment they are started with, and the layout
// of the run ledger they share. The command sets the thread budget, the memory share and the
// ledger for its run; a user may set the budgets; a server started without them works alone
// with the defaults.
namespace Environment {

// The run's budget of rendering threads (default: the processors).
inline constexpr const char* kRenderThreads = "PAGEKILN_RENDER_THREADS";
// The number of servers a run starts side by side, which share the memory budget.
inline constexpr const char* kMemoryShare = "PAGEKILN_MEMORY_SHARE";
// The whole memory budget in MiB, instead of the default.
inline constexpr const char* kMemoryMegabytes = "PAGEKILN_MEMORY_MB";
// The path of the run ledger.
inline constexpr const char* kRunLedger = "PAGEKILN_RUN_LEDGER";

} // namespace Environment

// The run ledger: a file of slots, zeroed by the command that makes it, which the servers map
// and in which each holds one slot, its process id, while it has a document open.
struct RunLedgerLayout {
    using Slot = std::int32_t;         // a process id; 0 = free
    static constexpr int kSlots = 256; // as many as a run has jobs at most
    static constexpr qint64 kBytes = kSlots * qint64(sizeof(Slot));
};
