#include "platform/WorkFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

// The private working folder goes with everything in it, also while a converter that was left
// running still writes pages into it.
class TestWorkFolder : public QObject {
    Q_OBJECT
private slots:
    void removedWhileAWriterKeepsWriting();
};

void TestWorkFolder::removedWhileAWriterKeepsWriting() {
    WorkFolder folder;
    QVERIFY(folder.isValid());
    const QString pages = folder.subfolder("ps");
    // Writes numbered pages as fast as a shell can until the folder is gone under it.
    QProcess writer;
    writer.setWorkingDirectory(pages);
    writer.start("/bin/sh",
                 {"-c", "i=0; while : > current$i.jpg; do i=$((i+1)); done 2>/dev/null"});
    QVERIFY(writer.waitForStarted());
    QTRY_VERIFY(QDir(pages).entryList({"current*.jpg"}).size() >= 20);
    QVERIFY(folder.removeNow());
    QVERIFY(!QFileInfo::exists(folder.path()));
    // Nothing can be written into a removed folder: the writer fails and ends by itself.
    QVERIFY(writer.waitForFinished(30000));
    QVERIFY(!QFileInfo::exists(folder.path()));
}

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "tst_workfolder.moc"
