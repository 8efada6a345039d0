#pragma once

// What one run of the command gives its component servers to share: a pool of worker tokens
// (one per job, so `--jobs N` keeps at most N processors busy whichever PDFs are under way) and
// the number of servers the memory budget is divided between. Passed through the environment,
// which the servers inherit; the pool is removed when the run ends.
class RunBudget {
public:
    explicit RunBudget(int jobs);
    ~RunBudget();
    RunBudget(const RunBudget&) = delete;
    RunBudget& operator=(const RunBudget&) = delete;

    bool hasPool() const { return m_pool >= 0; }

private:
    int m_pool = -1;
};
