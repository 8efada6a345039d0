#include "platform/WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The private working folder goes with everything in it, also while a converter that was left
// running still writes pages into it. Working folders left by instances that were killed are
// removed at the next start; those of running instances, of other programs and those that
// name no owner stay.
namespace {

// The process id of a child that has ended and been collected: nobody runs as it now (unless
// the id was handed out again meanwhile, which the recorded start time tells apart).
qint64 endedProcessId() {
    QProcess child;
    child.start(QStringLiteral("true"), QStringList{});
    const qint64 pid = child.waitForStarted() ? child.processId() : 0;
    child.waitForFinished();
    return pid;
}

qint64 endedPid = 0;

QByteArray recordFor(const QString& kind) {
    const QByteArray own = ownerRecordOf(::getpid()).toLatin1();
    const QList<QByteArray> fields = own.split(' ');
    if (kind == "running")
        return own;
    if (kind == "ended")
        return fields.at(0) + ' ' + QByteArray::number(endedPid) + " 12345";
    if (kind == "id reused")
        return fields.at(0) + ' ' + fields.at(1) + ' ' +
               QByteArray::number(fields.at(2).toLongLong() + 1);
    if (kind == "earlier boot")
        return "00000000-0000-0000-0000-000000000000 " + fields.at(1) + ' ' + fields.at(2);
    return "half writ";
}

} // namespace

class TestWorkFolder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void removedWhileAWriterKeepsWriting();
    void ownRecordNamesThisProcess();
    void staleFoldersSwept_data();
    void staleFoldersSwept();
};

void TestWorkFolder::initTestCase() {
    endedPid = endedProcessId();
    QVERIFY(endedPid > 0);
}

void TestWorkFolder::removedWhileAWriterKeepsWriting() {
    WorkFolder folder;
    QVERIFY(folder.isValid());
    const QString pages = folder.subfolder("ps");
    // Writes numbered pages until the folder is gone under it, a page every few milliseconds:
    // faster than any converter makes pages, but not so fast that a slow (sanitized) build can
    // never empty the folder between two of them.
    QProcess writer;
    writer.setWorkingDirectory(pages);
    writer.start("/bin/sh", {"-c", "i=0; while : > current$i.jpg; do i=$((i+1)); sleep 0.002; "
                                   "done 2>/dev/null"});
    QVERIFY(writer.waitForStarted());
    QTRY_VERIFY(QDir(pages).entryList({"current*.jpg"}).size() >= 20);
    QVERIFY(folder.removeNow());
    QVERIFY(!QFileInfo::exists(folder.path()));
    // Nothing can be written into a removed folder: the writer fails and ends by itself.
    QVERIFY(writer.waitForFinished(30000));
    QVERIFY(!QFileInfo::exists(folder.path()));
}

void TestWorkFolder::ownRecordNamesThisProcess() {
    const WorkFolder folder;
    QVERIFY(folder.isValid());
    QFile owner(folder.path() + '/' + WorkFolder::OwnerFileName);
    QVERIFY(owner.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(owner.readAll().trimmed()), ownerRecordOf(::getpid()));
    QCOMPARE(removeStaleWorkFolders(QFileInfo(folder.path()).path()), 0);
    QVERIFY(QFileInfo::exists(folder.path()));
}

void TestWorkFolder::staleFoldersSwept_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("owner"); // "" = no owner file
    QTest::addColumn<bool>("removed");
    QTest::newRow("owner ended") << "pagekiln-ABC123"
                                 << "ended" << true;
    QTest::newRow("owner's id now another process") << "pagekiln-ABC123"
                                                    << "id reused" << true;
    QTest::newRow("made before the last restart") << "pagekiln-ABC123"
                                                  << "earlier boot" << true;
    QTest::newRow("owner runs") << "pagekiln-ABC123"
                                << "running" << false;
    QTest::newRow("no owner file") << "pagekiln-ABC123"
                                   << "" << false;
    QTest::newRow("owner file half written") << "pagekiln-ABC123"
                                             << "partial" << false;
    QTest::newRow("another program's folder") << "other-ABC123"
                                              << "ended" << false;
}

void TestWorkFolder::staleFoldersSwept() {
    QFETCH(QString, name);
    QFETCH(QString, owner);
    QFETCH(bool, removed);
    QTemporaryDir temp;
    const QString folder = temp.filePath(name);
    QVERIFY(QDir().mkpath(folder + "/ps"));
    QFile copy(folder + "/ps/current.pdf");
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write("a user's PDF");
    copy.close();
    if (!owner.isEmpty()) {
        QFile record(folder + '/' + WorkFolder::OwnerFileName);
        QVERIFY(record.open(QIODevice::WriteOnly));
        record.write(recordFor(owner) + '\n');
    }
    QCOMPARE(removeStaleWorkFolders(temp.path()), removed ? 1 : 0);
    QCOMPARE(QFileInfo::exists(folder), !removed);
}

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "tst_workfolder.moc"
