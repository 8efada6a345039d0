#include "RunLedger.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

#include <unistd.h>

class TestRunLedger : public QObject {
    Q_OBJECT
private slots:
    void serversAtWorkShareTheBudget_data();
    void serversAtWorkShareTheBudget();
};

void TestRunLedger::serversAtWorkShareTheBudget_data() {
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
void TestRunLedger::serversAtWorkShareTheBudget() {
    QFETCH(QList<int>, steps);
    QFETCH(QList<int>, busy);
    QTemporaryDir dir;
    QFile file(dir.filePath("servers-at-work"));
    QVERIFY(file.open(QIODevice::WriteOnly) &&
            file.write(QByteArray(RunLedgerLayout::kBytes, '\0')) == RunLedgerLayout::kBytes);
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

QTEST_GUILESS_MAIN(TestRunLedger)
#include "tst_runledger.moc"
