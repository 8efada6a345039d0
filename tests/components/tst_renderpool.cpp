#include "JpegWriter.h"
#include "MuContext.h"
#include "RenderPool.h"
#include "RunLedger.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <unistd.h>

namespace {

// Stands in for the rasterizer: names the band it was given, keeps count of the bands being
// rendered at once, and takes a little time so that threads overlap.
struct CountingRenderer {
    std::atomic<int> now{0};
    std::atomic<int> most{0};
    std::atomic<int> calls{0};

    BandSegment operator()(const BandJob& job, int band) {
        const int inFlight = ++now;
        int seen = most.load();
        while (inFlight > seen && !most.compare_exchange_weak(seen, inFlight)) {
        }
        ++calls;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        BandSegment segment;
        segment.jpeg = QByteArray::number(job.quality) + '/' + QByteArray::number(band);
        --now;
        return segment;
    }
};

std::unique_ptr<BandJob> makeJob(int page, int bands) {
    auto job = std::make_unique<BandJob>();
    job->quality = page; // the page's number, for the stand-in to name its bands
    job->bandRows = 16;
    job->bandCount = bands;
    job->segments.resize(std::size_t(bands));
    return job;
}

QByteArray grayImage(int width, int height, quint32 pattern) {
    QByteArray samples(qsizetype(width) * height, '\0');
    QRandomGenerator random(pattern);
    for (char& c : samples) // mostly white with dark marks, like a page of text
        c = char(random.bounded(10) < 8 ? 255 : random.bounded(256));
    return samples;
}

QByteArray encodeByRows(const QByteArray& samples, int width, int height) {
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    JpegWriter writer;
    writer.setDensity(144);
    const auto* data = reinterpret_cast<const unsigned char*>(samples.constData());
    if (!writer.begin(out, width, height, JpegWriter::Colour::Gray, 90) ||
        !writer.writeRows(data, height, width) || !writer.finish())
        return {};
    return jpeg;
}

QByteArray encodeByBlocks(const QByteArray& samples, int width, int height) {
    const int stride = JpegWriter::blockAligned(width);
    // Garbage in the padding: what padBlocks() does not overwrite must never be read.
    std::vector<unsigned char> blocks(std::size_t(stride) * JpegWriter::blockAligned(height), 77);
    for (int y = 0; y < height; ++y)
        std::copy_n(samples.constData() + qsizetype(y) * width, width, blocks.data() + y * stride);
    JpegWriter::padBlocks(blocks.data(), width, height, stride);
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    JpegWriter writer;
    writer.setDensity(144);
    writer.setBlockInput(true);
    if (!writer.begin(out, width, height, JpegWriter::Colour::Gray, 90) ||
        !writer.writeBlockRows(blocks.data(), stride) || !writer.finish())
        return {};
    return jpeg;
}

} // namespace

class TestRenderPool : public QObject {
    Q_OBJECT
private slots:
    void bandsComeBackInOrderWithinTheAllowedThreads_data();
    void bandsComeBackInOrderWithinTheAllowedThreads();
    void serversAtWorkShareTheBudget_data();
    void serversAtWorkShareTheBudget();
    void greyBlocksEncodeAsScanlinesDo_data();
    void greyBlocksEncodeAsScanlinesDo();

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
            if (page == 2)
                allowed = allowedLater;
            if (page == 3) // bands taken under the first share are done by now
                counter.most = 0;
            BandJob& job = *jobs[std::size_t(page - 1)];
            for (int band = 0; band < bands; ++band) {
                const BandSegment segment = pool.take(job, band);
                QVERIFY(segment.error.isEmpty());
                QCOMPARE(segment.jpeg, QByteArray::number(page) + '/' + QByteArray::number(band));
                pool.markWritten(job, band + 1);
            }
            pool.remove(job);
            if (page >= 3)
                mostLater = std::max(mostLater, counter.most.load());
        }
        for (int page = pages - pagesDropped + 1; page <= pages; ++page)
            pool.remove(*jobs[std::size_t(page - 1)]);
        jobs.clear(); // a thread still holding a dropped page would now touch freed memory
    }
    if (pagesDropped == 0)
        QCOMPARE(counter.calls.load(), pages * bands);
    else
        QVERIFY(counter.calls.load() < pages * bands);
    QCOMPARE(mostLater, std::min(allowedLater, mostThreads));
}

void TestRenderPool::serversAtWorkShareTheBudget_data() {
    // +1/-1: the first server opens/closes a document, +2/-2: the second, +3: a server that
    // has since been killed opened one.
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QList<int>>("busy"); // what the first server sees after each step
    QTest::newRow("alone") << QList<int>{+1, -1} << QList<int>{1, 1};
    QTest::newRow("two at work, then one") << QList<int>{+1, +2, -2} << QList<int>{1, 2, 1};
    // Two documents open in one server count once; the server leaves with its last one.
    QTest::newRow("two documents in one server")
        << QList<int>{+1, +1, +2, -1, -1} << QList<int>{1, 1, 2, 2, 1};
    QTest::newRow("a close without an open") << QList<int>{-1, +2} << QList<int>{1, 1};
    QTest::newRow("a killed server is forgotten") << QList<int>{+3, +2, +1} << QList<int>{1, 1, 2};
}

// Servers of one run see each other through the file.
void TestRenderPool::serversAtWorkShareTheBudget() {
    QFETCH(QList<int>, steps);
    QFETCH(QList<int>, busy);
    QTemporaryDir dir;
    QFile file(dir.filePath("servers-at-work"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, '\0')) == 4096);
    file.close();
    QProcess ended; // its process id belongs to no process any more
    ended.start("true", {});
    QVERIFY(ended.waitForStarted());
    const int endedId = int(ended.processId());
    QVERIFY(ended.waitForFinished());
    const QByteArray path = QFile::encodeName(file.fileName());
    RunLedger first(path.constData());
    RunLedger second(path.constData(), int(::getppid())); // another process that runs
    RunLedger killed(path.constData(), endedId);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        RunLedger& server = std::abs(steps[i]) == 1   ? first
                            : std::abs(steps[i]) == 2 ? second
                                                      : killed;
        steps[i] > 0 ? server.enter() : server.leave();
        QCOMPARE(first.busyServers(), busy[i]);
    }
    // No file, or one too short to hold the slots: the server is alone.
    QCOMPARE(RunLedger(dir.filePath("missing").toUtf8().constData()).busyServers(), 1);
    QFile empty(dir.filePath("empty"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    RunLedger shortFile(QFile::encodeName(empty.fileName()).constData());
    shortFile.enter();
    QCOMPARE(shortFile.busyServers(), 1);
}

void TestRenderPool::greyBlocksEncodeAsScanlinesDo_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("one pixel") << 1 << 1;
    QTest::newRow("whole blocks") << 64 << 32;
    QTest::newRow("one short of a block") << 7 << 15;
    QTest::newRow("one past a block") << 9 << 17;
    QTest::newRow("a page's band") << 1191 << 192;
    QTest::newRow("a last band") << 1191 << 37;
}

// Handing grey rows over as the encoder's blocks must not change a byte of the file.
void TestRenderPool::greyBlocksEncodeAsScanlinesDo() {
    QFETCH(int, width);
    QFETCH(int, height);
    const QByteArray samples = grayImage(width, height, quint32(width * 31 + height));
    const QByteArray byRows = encodeByRows(samples, width, height);
    QVERIFY(!byRows.isEmpty());
    QCOMPARE(encodeByBlocks(samples, width, height), byRows);
}

QTEST_GUILESS_MAIN(TestRenderPool)
#include "tst_renderpool.moc"
