#pragma once

#include "PageRaster.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// One band of a page, compressed on its own.
struct BandSegment {
    QByteArray jpeg;
    QString error;
    bool outOfMemory = false; // the error is MuPDF's memory running out
    bool done = false;
};

// The bands of one page: waiting, rendering and rendered, and how far the writer has come.
struct BandJob {
    PageRaster page;
    int bandRows = 0;
    int bandCount = 0;
    int quality = 0;
    int nextBand = 0; // the first band nobody has taken
    int written = 0;  // bands the writer has taken
    int active = 0;   // threads rendering a band of this page now
    bool stop = false;
    std::vector<BandSegment> segments;
};

// Renders one band; samples is the calling thread's buffer, grown as needed.
using BandRenderer = std::function<BandSegment(fz_context*, const BandJob&, int band,
                                               std::vector<unsigned char>& samples)>;

// The rendering threads of one server, shared by every page in flight. A thread takes the next
// band of the earliest page that no other thread is working on, else the next band of the
// earliest page: pages in flight each get a processor of their own (no two threads decode the
// same image side by side) while the page being saved always moves. Threads start as work
// needs them, never more than allowedThreads() render at once, and a count that grows while
// pages wait (another server of the run finished) is taken up at the next band.
class RenderPool {
public:
    RenderPool(fz_context* base, int mostThreads, BandRenderer render,
               std::function<int()> allowedThreads);
    ~RenderPool();
    RenderPool(const RenderPool&) = delete;
    RenderPool& operator=(const RenderPool&) = delete;

    // Pages are rendered in the order they were added.
    void add(BandJob& job);
    // Takes no more bands of job and returns once none is being rendered.
    void remove(BandJob& job);
    // Band `band` of job, once rendered.
    BandSegment take(BandJob& job, int band);
    // The writer has taken bands [0, count) of job, which frees room for more.
    void markWritten(BandJob& job, int count);

    static constexpr int kBandsAhead = 10; // bands of a page rendered before the writer takes them

private:
    static bool hasFreeBand(const BandJob& job);
    BandJob* pick() const;
    void growIfUseful();
    void failFreeBands(const QString& error);
    void run();

    fz_context* m_base;
    int m_mostThreads;
    BandRenderer m_render;
    std::function<int()> m_allowed;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<BandJob*> m_jobs;
    std::vector<std::thread> m_threads;
    int m_rendering = 0; // pool threads rendering now
    int m_waiting = 0;   // pool threads waiting for work
    bool m_stopping = false;
};
