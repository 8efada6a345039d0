#pragma once

#include <atomic>

// A lock for critical sections a few dozen instructions long, taken very often by every
// rendering thread (MuPDF guards each allocation, reference count and glyph-cache lookup with
// one). A plain mutex sends a thread to sleep the moment it finds the lock taken, and the
// holder then pays a system call to wake it: on a text page that is hundreds of sleeps and
// wake-ups a page. This lock spins briefly first, since the holder almost always lets go within
// that time, and sleeps only when it does not.
class alignas(64) QuickLock { // a cache line each: the locks are taken by different threads at once
public:
    void lock() {
        int seen = kFree;
        for (int spin = 0; spin < kSpins; ++spin) {
            seen = kFree;
            if (m_state.compare_exchange_weak(seen, kTaken, std::memory_order_acquire,
                                              std::memory_order_relaxed))
                return;
            if (seen == kContended)
                break; // others already sleep: queue behind them rather than barge
            pause();
        }
        // Mark the lock as having sleepers so that its holder wakes one on unlock.
        if (seen != kContended)
            seen = m_state.exchange(kContended, std::memory_order_acquire);
        while (seen != kFree) {
            m_state.wait(kContended, std::memory_order_relaxed);
            seen = m_state.exchange(kContended, std::memory_order_acquire);
        }
    }

    void unlock() {
        if (m_state.exchange(kFree, std::memory_order_release) == kContended)
            m_state.notify_one();
    }

private:
    static constexpr int kFree = 0;
    static constexpr int kTaken = 1;
    static constexpr int kContended = 2; // taken, and a thread may be sleeping on it
    static constexpr int kSpins = 100;

    static void pause() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }

    std::atomic<int> m_state{kFree};
};
