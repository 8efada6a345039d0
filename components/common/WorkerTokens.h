#pragma once

// The right to keep one processor busy. Every band a server renders and compresses holds one
// token while it runs. A command converting several PDFs at once hands all its servers one
// pool of tokens for the whole run, as many as its jobs, so a server alone gets every processor
// and servers side by side share them instead of oversubscribing. A server started without a
// pool (the window's) shares the processors between its own threads.
class WorkerTokens {
public:
    // The pool named by the environment, or one of this process.
    static WorkerTokens& shared();

    // Helper threads worth starting for one page: the size of the pool.
    int threads() const { return m_threads; }

    // Waits for a token; true when it came from the run's pool, which release() must know.
    bool acquire();
    void release(bool fromPool);

    // Environment variables through which a command passes its pool to the servers.
    static constexpr const char* kPoolVariable = "PAGEKILN_WORKER_POOL";
    static constexpr const char* kThreadsVariable = "PAGEKILN_RENDER_THREADS";

private:
    WorkerTokens();
    bool poolUsable() const;

    int m_threads = 1;
    int m_pool = -1; // System V semaphore set of the run, or -1
    struct Local;
    Local* m_local; // leaked on purpose: helper threads may outlive static destruction
};

// Holds one token for as long as it lives.
class WorkerToken {
public:
    WorkerToken() : m_fromPool(WorkerTokens::shared().acquire()) {}
    ~WorkerToken() { WorkerTokens::shared().release(m_fromPool); }
    WorkerToken(const WorkerToken&) = delete;
    WorkerToken& operator=(const WorkerToken&) = delete;

private:
    bool m_fromPool;
};
