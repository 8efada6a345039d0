#include "platform/RunAndWait.h"
#include "platform/StopRequest.h"
#include "support/TestFiles.h"

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <limits>
#include <memory>
#include <sys/wait.h>

namespace {

// What happens to a child while it is waited for.
enum class Trigger {
    None,
    Stop, // a stop request
    Quit, // the waiting thread is told to quit
};

// Counts what wakes the calling thread's event loop while it lives: timer events delivered
// to any object, and returns of the event dispatcher from waiting.
class WakeCounter : public QObject {
public:
    WakeCounter() {
        QCoreApplication::instance()->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this,
                [this] { ++awakenings; });
    }
    ~WakeCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    int timerEvents = 0;
    int awakenings = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer)
            ++timerEvents;
        return false;
    }
};

// A sleeper the script leaves in its process group, to see whether the group is ended; the
// marker says the script has got that far.
const QByteArray HangingScript = "sleep 1000 &\necho $! > sleeper.pid\necho $$ > child.pid\n"
                                 "echo > marker\nwait\n";

qint64 pidIn(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
}

QString writeScript(const QString& path, const QByteArray& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

QString quoted(const QString& path) {
    return '"' + path + '"';
}

} // namespace

class TestRunAndWait : public QObject {
    Q_OBJECT
private slots:
    void windowStateClamp_data();
    void windowStateClamp();
    void failureResult_data();
    void failureResult();
    void childEndWakesTheWait();
    void waitEnds_data();
    void waitEnds();
    void eventLoopRunsDuringLongChild();
    void missingFileReturnsAtOnce();
    void missingOpenerReturnsZero();
    void nestedWaitsDoNotDisturbEachOther();
    void childSeesOnlyItsWorkingFolder();
};

void TestRunAndWait::windowStateClamp_data() {
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("used");
    QTest::newRow("-1") << -1 << 6;
    QTest::newRow("min") << std::numeric_limits<int>::min() << 6;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("3") << 3 << 3;
    QTest::newRow("6") << 6 << 6;
    QTest::newRow("7") << 7 << 6;
}

void TestRunAndWait::windowStateClamp() {
    QFETCH(int, given);
    QFETCH(int, used);
    QCOMPARE(clampWindowState(given), used);
}

void TestRunAndWait::failureResult_data() {
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<int>("result");
    QTest::newRow("file not found") << 53 << -2147221451;
    QTest::newRow("access") << 75 << -2147221429;
    QTest::newRow("out of memory") << 7 << -2147221497;
    QTest::newRow("no association overflows") << -2147220425 << 0;
    QTest::newRow("bad format overflows") << -2147220445 << 0;
    QTest::newRow("time out") << 286 << -2147221218;
}

void TestRunAndWait::failureResult() {
    QFETCH(int, errorNumber);
    QFETCH(int, result);
    QCOMPARE(launchFailureResult(errorNumber), result);
}

// The child's end wakes the wait: no timer runs, and the loop wakes only to start waiting and
// at the child's end however long the child takes (a check every 100 ms would wake it five
// times more here).
void TestRunAndWait::childEndWakesTheWait() {
    QTemporaryDir dir;
    const QString script = writeScript(dir.filePath("three.sh"), "sleep 0.5\nexit 3\n");
    WakeCounter counter;
    QCOMPARE(RunAndWait(quoted(script), 0, dir.path()), 3);
    QCOMPARE(counter.timerEvents, 0);
    QVERIFY2(counter.awakenings <= 3, qPrintable(QString::number(counter.awakenings)));
}

// How a wait ends, with what result, and whether the child's group outlives it. The wait
// runs in a thread of its own, as the command's conversions do, so that it can be told to
// quit.
void TestRunAndWait::waitEnds_data() {
    QTest::addColumn<QByteArray>("body"); // empty: no script at all
    QTest::addColumn<ChildGroup>("group");
    QTest::addColumn<int>("idleMilliseconds"); // 0: no bound
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<ChildEnd>("end");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("groupOutlivesTheWait");
    QTest::newRow("ends by itself") << QByteArray("exit 3\n") << ChildGroup::Independent << 0
                                    << Trigger::None << ChildEnd::Ended << 3 << false;
    QTest::newRow("ended by a signal")
        << QByteArray("kill -TERM $$\n") << ChildGroup::Independent << 0 << Trigger::None
        << ChildEnd::Ended << 128 + SIGTERM << false;
    QTest::newRow("missing") << QByteArray() << ChildGroup::Owned << 0 << Trigger::None
                             << ChildEnd::NotStarted << -2147221451 << false;
    QTest::newRow("no progress within the idle limit")
        << HangingScript << ChildGroup::Owned << 200 << Trigger::None << ChildEnd::Stalled
        << 128 + SIGKILL << false;
    QTest::newRow("stop request ends an owned group")
        << HangingScript << ChildGroup::Owned << 0 << Trigger::Stop << ChildEnd::Stopped
        << 128 + SIGKILL << false;
    QTest::newRow("quitting ends an owned group")
        << HangingScript << ChildGroup::Owned << 0 << Trigger::Quit << ChildEnd::Interrupted
        << 128 + SIGKILL << false;
    QTest::newRow("quitting leaves an independent child running")
        << HangingScript << ChildGroup::Independent << 0 << Trigger::Quit << ChildEnd::Interrupted
        << 0 << true;
}

void TestRunAndWait::waitEnds() {
    QFETCH(QByteArray, body);
    QFETCH(ChildGroup, group);
    QFETCH(int, idleMilliseconds);
    QFETCH(Trigger, trigger);
    QFETCH(ChildEnd, end);
    QFETCH(int, result);
    QFETCH(bool, groupOutlivesTheWait);
    QTemporaryDir dir;
    const QString script = dir.filePath("child.sh");
    if (!body.isEmpty())
        writeScript(script, body);
    RunOptions options;
    options.group = group;
    if (idleMilliseconds > 0)
        options.progress = {dir.path(), "*.jpg", std::chrono::milliseconds(idleMilliseconds), {}};
    RunOutcome outcome;
    std::unique_ptr<QThread> waiter(QThread::create(
        [&] { outcome = RunAndWait(quoted(script), 0, dir.path() + '/', options); }));
    waiter->start();
    bool started = true;
    if (trigger != Trigger::None) {
        started = QTest::qWaitFor([&] { return QFile::exists(dir.filePath("marker")); });
        // Triggered either way, so that the thread ends before the test does.
        if (trigger == Trigger::Stop)
            requestStop();
        else
            waiter->quit();
    }
    waiter->wait();
    clearStopRequest();
    QVERIFY(started);
    QCOMPARE(outcome.end, end);
    QCOMPARE(outcome.result, result);
    const qint64 sleeper = pidIn(dir.filePath("sleeper.pid"));
    if (groupOutlivesTheWait) {
        QVERIFY(TestFiles::processRuns(sleeper));
        const auto child = static_cast<pid_t>(pidIn(dir.filePath("child.pid")));
        ::kill(-child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    } else if (sleeper > 0) {
        QTRY_VERIFY(!TestFiles::processRuns(sleeper));
    }
}

// The child ends only once a handler has run during the wait: the wait cannot return unless
// the event loop ran while the child was still there.
void TestRunAndWait::eventLoopRunsDuringLongChild() {
    QTemporaryDir dir;
    const QString script =
        writeScript(dir.filePath("gated.sh"), "while [ ! -e open ]; do sleep 0.01; done\nexit 0\n");
    bool ranDuringTheWait = false;
    QTimer::singleShot(0, this, [&] {
        ranDuringTheWait = true;
        QFile gate(dir.filePath("open"));
        QVERIFY(gate.open(QIODevice::WriteOnly));
    });
    QCOMPARE(RunAndWait(quoted(script), 0, dir.path()), 0);
    QVERIFY(ranDuringTheWait);
}

void TestRunAndWait::missingFileReturnsAtOnce() {
    QTemporaryDir dir;
    const RunOutcome outcome =
        RunAndWait(quoted(dir.filePath("absent.sh")), 0, dir.path(), RunOptions{});
    QCOMPARE(outcome.result, -2147221451);
    QCOMPARE(outcome.end, ChildEnd::NotStarted);
    QCOMPARE(outcome.error.number, 53);
    QCOMPARE(outcome.error.description, QString("File not found"));
    QCOMPARE(RunAndWait(quoted(dir.filePath("absent.sh")), 0, dir.path()), -2147221451);
}

void TestRunAndWait::missingOpenerReturnsZero() {
    QTemporaryDir dir;
    QFile document(dir.filePath("a.txt"));
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.close();
    RunOptions options;
    options.launch.documentOpener = "pagekiln-no-such-opener";
    const RunOutcome outcome = RunAndWait(document.fileName(), 0, dir.path(), options);
    QCOMPARE(outcome.result, 0);
    QCOMPARE(outcome.error.description,
             QString("No application is associated with this file type."));
}

// A handler running inside one wait starts a second child and waits for it; each wait gets
// its own child's code.
void TestRunAndWait::nestedWaitsDoNotDisturbEachOther() {
    QTemporaryDir dir;
    // The outer child ends only after the inner one has been waited for.
    const QString outer = writeScript(dir.filePath("outer.sh"),
                                      "while [ ! -e inner-done ]; do sleep 0.01; done\nexit 4\n");
    const QString inner = writeScript(dir.filePath("inner.sh"), "exit 9\n");
    int innerResult = -1;
    QTimer::singleShot(0, this, [&] {
        innerResult = RunAndWait(quoted(inner), 0, dir.path());
        QFile done(dir.filePath("inner-done"));
        QVERIFY(done.open(QIODevice::WriteOnly));
    });
    QCOMPARE(RunAndWait(quoted(outer), 0, dir.path()), 4);
    QCOMPARE(innerResult, 9);
}

void TestRunAndWait::childSeesOnlyItsWorkingFolder() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("work $(x) `y`"));
    const QString folder = dir.filePath("work $(x) `y`") + '/';
    const QString script = writeScript(dir.filePath("pwd.sh"), "pwd > here.txt\nexit 0\n");
    QCOMPARE(RunAndWait(quoted(script), 0, folder), 0);
    QFile out(folder + "here.txt");
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()).trimmed() + '/', folder);
}

QTEST_GUILESS_MAIN(TestRunAndWait)
#include "tst_runandwait.moc"
