#include "MuContext.h"
#include "RenderPool.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Stands in for the rasterizer: names the band it was given and counts the bands rendering at
// once. A band is held until as many as expected have rendered at once since the count was
// restarted (a band that finds no company goes on after a moment), so the most counted is what
// the pool lets render, however the threads happen to be scheduled; a short pause after that
// gives a thread beyond the allowed the chance to show.
class CountingRenderer {
public:
    void expect(int together) {
        const std::lock_guard lock(m_mutex);
        m_expected = together;
    }
    void restartCount() {
        const std::lock_guard lock(m_mutex);
        m_most = 0;
    }
    int most() {
        const std::lock_guard lock(m_mutex);
        return m_most;
    }
    int calls() {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }

    BandSegment operator()(const BandJob& job, int band) {
        {
            std::unique_lock lock(m_mutex);
            ++m_calls;
            m_most = std::max(m_most, ++m_now);
            m_joined.notify_all();
            m_joined.wait_for(lock, 200ms, [&] { return m_most >= m_expected; });
        }
        std::this_thread::sleep_for(2ms);
        BandSegment segment;
        segment.jpeg = QByteArray::number(job.quality) + '/' + QByteArray::number(band);
        const std::lock_guard lock(m_mutex);
        --m_now;
        return segment;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_joined;
    int m_expected = 1;
    int m_now = 0;
    int m_most = 0;
    int m_calls = 0;
};

std::unique_ptr<BandJob> makeJob(int page, int bands) {
    auto job = std::make_unique<BandJob>();
    job->quality = page; // the page's number, for the stand-in to name its bands
    job->bandRows = 16;
    job->bandCount = bands;
    job->segments.resize(std::size_t(bands));
    return job;
}

} // namespace

class TestRenderPool : public QObject {
    Q_OBJECT
private slots:
    void bandsComeBackInOrderWithinTheAllowedThreads_data();
    void bandsComeBackInOrderWithinTheAllowedThreads();

private:
    MuContext m_mu{16u << 20};
};

void TestRenderPool::bandsComeBackInOrderWithinTheAllowedThreads_data() {
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("bands");
    QTest::addColumn<int>("mostThreads");
    QTest::addColumn<int>("allowedFirst");
    QTest::addColumn<int>("allowedLater"); // from the second page on, measured from the third
    QTest::addColumn<int>("pagesDropped"); // the last ones, with bands still under way
    QTest::newRow("one thread") << 3 << 5 << 4 << 1 << 1 << 0;
    QTest::newRow("two threads, many pages") << 6 << 9 << 2 << 2 << 2 << 0;
    QTest::newRow("more bands than the writer lets ahead") << 3 << 40 << 3 << 3 << 3 << 0;
    QTest::newRow("another server finished") << 4 << 12 << 2 << 1 << 2 << 0;
    QTest::newRow("another server started") << 4 << 12 << 2 << 2 << 1 << 0;
    QTest::newRow("pages dropped under way") << 5 << 30 << 2 << 2 << 2 << 2;
}

// Whatever the threads, the writer gets every band of every page once, in order, with its own
// content; never more bands render at once than allowed; a share that grows is taken up; and
// a page dropped while its bands render leaves nothing behind for a thread to touch.
void TestRenderPool::bandsComeBackInOrderWithinTheAllowedThreads() {
    QFETCH(int, pages);
    QFETCH(int, bands);
    QFETCH(int, mostThreads);
    QFETCH(int, allowedFirst);
    QFETCH(int, allowedLater);
    QFETCH(int, pagesDropped);
    CountingRenderer counter;
    std::atomic<int> allowed{allowedFirst};
    counter.expect(std::min(allowedFirst, mostThreads));
    int mostLater = 0;
    {
        RenderPool pool(
            m_mu.get(), mostThreads,
            [&](fz_context*, const BandJob& job, int band, std::vector<unsigned char>&) {
                return counter(job, band);
            },
            [&] { return allowed.load(); });
        std::vector<std::unique_ptr<BandJob>> jobs;
        for (int page = 1; page <= pages; ++page) {
            jobs.push_back(makeJob(page, bands));
            pool.add(*jobs.back());
        }
        for (int page = 1; page <= pages - pagesDropped; ++page) {
            if (page == 2) {
                allowed = allowedLater;
                counter.expect(std::min(allowedLater, mostThreads));
            }
            if (page == 3) // bands taken under the first share are done by now
                counter.restartCount();
            BandJob& job = *jobs[std::size_t(page - 1)];
            for (int band = 0; band < bands; ++band) {
                const BandSegment segment = pool.take(job, band);
                QVERIFY(segment.error.isEmpty());
                QCOMPARE(segment.jpeg, QByteArray::number(page) + '/' + QByteArray::number(band));
                pool.markWritten(job, band + 1);
            }
            pool.remove(job);
            if (page >= 3)
                mostLater = std::max(mostLater, counter.most());
        }
        for (int page = pages - pagesDropped + 1; page <= pages; ++page)
            pool.remove(*jobs[std::size_t(page - 1)]);
        jobs.clear(); // a thread still holding a dropped page would now touch freed memory
    }
    if (pagesDropped == 0)
        QCOMPARE(counter.calls(), pages * bands);
    else
        QVERIFY(counter.calls() < pages * bands);
    QCOMPARE(mostLater, std::min(allowedLater, mostThreads));
}

QTEST_GUILESS_MAIN(TestRenderPool)
#include "tst_renderpool.moc"
