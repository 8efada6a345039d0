#include "RenderPool.h"

#include <algorithm>
#include <system_error>

RenderPool::RenderPool(fz_context* base, int mostThreads, BandRenderer render,
                       std::function<int()> allowedThreads)
    : m_base(base), m_mostThreads(std::max(1, mostThreads)), m_render(std::move(render)),
      m_allowed(std::move(allowedThreads)) {}

RenderPool::~RenderPool() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

bool RenderPool::hasFreeBand(const BandJob& job) {
    return !job.stop && job.nextBand < job.bandCount && job.nextBand < job.written + kBandsAhead;
}

BandJob* RenderPool::pick() const {
    BandJob* shared = nullptr;
    for (BandJob* job : m_jobs) {
        if (!hasFreeBand(*job))
            continue;
        if (job->active == 0)
            return job;
        if (!shared)
            shared = job;
    }
    return shared;
}

// Called with the lock held: wakes or starts one more thread when a band waits and the run
// lets this server render more at once than it does.
void RenderPool::growIfUseful() {
    if (m_stopping || m_rendering >= m_allowed() || !pick())
        return;
    if (m_waiting > 0) {
        m_changed.notify_all();
    } else if (int(m_threads.size()) < m_mostThreads) {
        try {
            m_threads.emplace_back(&RenderPool::run, this);
        } catch (const std::system_error&) {
            if (m_threads.empty()) // nobody will ever render these pages
                failFreeBands(QStringLiteral("cannot start a rendering thread"));
        }
    }
}

void RenderPool::failFreeBands(const QString& error) {
    for (BandJob* job : m_jobs) {
        for (; job->nextBand < job->bandCount; ++job->nextBand) {
            BandSegment& segment = job->segments[std::size_t(job->nextBand)];
            segment.error = error;
            segment.outOfMemory = true; // the system is out of threads or memory
            segment.done = true;
        }
    }
    m_changed.notify_all();
}

void RenderPool::add(BandJob& job) {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(&job);
    growIfUseful();
}

void RenderPool::remove(BandJob& job) {
    std::unique_lock lock(m_mutex);
    job.stop = true;
    m_changed.wait(lock, [&] { return job.active == 0; });
    m_jobs.erase(std::find(m_jobs.begin(), m_jobs.end(), &job));
}

void RenderPool::run() {
    // A clone shares the document, the caches and the memory budget; a context that cannot be
    // cloned turns every band it takes into an out-of-memory failure.
    fz_context* ctx = fz_clone_context(m_base);
    std::vector<unsigned char> samples;
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        BandJob* job = m_rendering < m_allowed() ? pick() : nullptr;
        if (!job) {
            ++m_waiting;
            m_changed.wait(lock);
            --m_waiting;
            continue;
        }
        const int band = job->nextBand++;
        ++job->active;
        ++m_rendering;
        growIfUseful();
        lock.unlock();
        BandSegment segment = m_render(ctx, *job, band, samples);
        segment.done = true;
        lock.lock();
        job->segments[std::size_t(band)] = std::move(segment);
        --job->active;
        --m_rendering;
        m_changed.notify_all();
    }
    lock.unlock();
    if (ctx)
        fz_drop_context(ctx);
}

BandSegment RenderPool::take(BandJob& job, int band) {
    std::unique_lock lock(m_mutex);
    BandSegment& wanted = job.segments[std::size_t(band)];
    m_changed.wait(lock, [&] { return wanted.done; });
    return std::exchange(wanted, {});
}

void RenderPool::markWritten(BandJob& job, int count) {
    {
        std::lock_guard lock(m_mutex);
        job.written = count;
        growIfUseful();
    }
    m_changed.notify_all();
}
