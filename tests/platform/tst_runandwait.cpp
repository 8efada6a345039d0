#include "platform/RunAndWait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <limits>

namespace {

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
    void returnsExitCode();
    void killedChildReportsSignal();
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

void TestRunAndWait::returnsExitCode() {
    QTemporaryDir dir;
    const QString script = writeScript(dir.filePath("three.sh"), "exit 3\n");
    // The child's end wakes the wait; no fixed pause is added. The quickest of a few runs
    // stays well under a 100 ms tick even on a busy machine.
    qint64 quickest = std::numeric_limits<qint64>::max();
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(RunAndWait(quoted(script), 0, dir.path()), 3);
        quickest = std::min(quickest, clock.elapsed());
    }
    QVERIFY2(quickest < 90, qPrintable(QString::number(quickest)));
}

void TestRunAndWait::killedChildReportsSignal() {
    QTemporaryDir dir;
    const QString script = writeScript(dir.filePath("killed.sh"), "kill -TERM $$\n");
    QCOMPARE(RunAndWait(quoted(script), 0, dir.path()), 128 + SIGTERM);
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
    LaunchError error;
    const RunOutcome outcome = runProgram(quoted(dir.filePath("absent.sh")), 0, dir.path(), error);
    QCOMPARE(outcome.result, -2147221451);
    QCOMPARE(outcome.end, ChildEnd::NotStarted);
    QCOMPARE(error.number, 53);
    QCOMPARE(RunAndWait(quoted(dir.filePath("absent.sh")), 0, dir.path()), -2147221451);
}

void TestRunAndWait::missingOpenerReturnsZero() {
    QTemporaryDir dir;
    QFile document(dir.filePath("a.txt"));
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.close();
    LaunchOptions options;
    options.documentOpener = "pagekiln-no-such-opener";
    LaunchError error;
    const RunOutcome outcome = runProgram(document.fileName(), 0, dir.path(), error, options);
    QCOMPARE(outcome.result, 0);
    QCOMPARE(error.description, QString("No application is associated with this file type."));
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
