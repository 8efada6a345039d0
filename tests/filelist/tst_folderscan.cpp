#include "filelist/AddFolder.h"
#include "filelist/FileListModel.h"
#include "filelist/FolderScan.h"
#include "filelist/ListTestHelpers.h"
#include "support/RecordingUserInterface.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Takes away the calling thread's power to read any folder regardless of its permissions
// (what root has), so that a folder without read permission really cannot be listed.
// Threads started meanwhile inherit the reduced set. Restored on destruction.
class FolderPermissionsEnforced {
public:
    FolderPermissionsEnforced() {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_changed = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~FolderPermissionsEnforced() {
        if (m_changed)
            syscall(SYS_capset, &m_header, m_saved);
    }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_changed = false;
};

bool canList(const QString& folder) {
    return !QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
}

} // namespace

class TestFolderScan : public QObject {
    Q_OBJECT
private slots:
    void entriesOfATree_data();
    void entriesOfATree();
    void queuedFolderHasOneSeparator_data();
    void queuedFolderHasOneSeparator();
    void subfoldersInLevelOrder();
    void chosenFolderWithTrailingSeparator();
    void linksEnterEachFolderOnce();
    void unreadableFolderIsSkipped();
    void commandAppendsAfterExistingEntries();
    void runningTwiceDoublesEveryEntry();
    void cancelChangesNothing();
    void nestedScanKeepsItsOwnEntries();
    void frozenListTakesEntriesAfterTheRun();
};

void TestFolderScan::entriesOfATree_data() {
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("level order, not depth first")
        << QStringList{"a.pdf", "X/b.pdf", "X/Y/c.pdf", "Z/d.pdf"}
        << QStringList{"a.pdf", "X/b.pdf", "Z/d.pdf", "X/Y/c.pdf"};
    QTest::newRow("tilde names skipped, tilde inside kept")
        << QStringList{"~temp.pdf", "a~b.pdf", "X/~lock.pdf"} << QStringList{"a~b.pdf"};
    QTest::newRow("hidden folder contributes nothing")
        << QStringList{".hidden/x.pdf", ".hidden/deep/y.pdf", "v.pdf"} << QStringList{"v.pdf"};
    QTest::newRow("hidden file in an entered folder is listed")
        << QStringList{".h.pdf", "X/.i.pdf"} << QStringList{".h.pdf", "X/.i.pdf"};
    QTest::newRow("extension without regard to case, nothing else")
        << QStringList{"A.PDF", "b.Pdf", "c.txt", "d.pdf.bak", "e.pdfx", "pdf"}
        << QStringList{"A.PDF", "b.Pdf"};
    QTest::newRow("natural file order")
        << QStringList{"p10.pdf", "p2.pdf", "P1.pdf"} << QStringList{"P1.pdf", "p2.pdf", "p10.pdf"};
    QTest::newRow("natural folder order") << QStringList{"f10/a.pdf", "f2/a.pdf", "F1/a.pdf"}
                                          << QStringList{"F1/a.pdf", "f2/a.pdf", "f10/a.pdf"};
    QTest::newRow("folder named like a PDF is entered, not listed")
        << QStringList{"x.pdf/y.pdf"} << QStringList{"x.pdf/y.pdf"};
    QTest::newRow("no PDF anywhere") << QStringList{"a.txt", "X/", "X/b.doc"} << QStringList{};
    QTest::newRow("awkward names")
        << QStringList{"-lead.pdf", "sp ace/$x `q` 'y'.pdf", "new\nline.pdf"}
        << QStringList{"-lead.pdf", "new\nline.pdf", "sp ace/$x `q` 'y'.pdf"};
    // Latin-1 names from an old archive and bytes that are no text at all: each byte that is
    // not UTF-8 is kept as U+DC00 plus the byte, so the file is found again under its name.
    const QString latin1Folder = QStringLiteral("d") + QChar(0xDCE9) + QStringLiteral("j");
    const QString latin1 = QStringLiteral("r") + QChar(0xDCE9) + QStringLiteral("sum.pdf");
    const QString noText = QString(QChar(0xDCFF)) + QChar(0xDCFE) + QStringLiteral(".pdf");
    QTest::newRow("names that are not UTF-8")
        << QStringList{latin1, latin1Folder + "/" + noText, latin1Folder + "/notes.txt"}
        << QStringList{latin1, latin1Folder + "/" + noText};
}

void TestFolderScan::entriesOfATree() {
    QFETCH(QStringList, tree);
    QFETCH(QStringList, expected);
    QTemporaryDir temp;
    const EmptiedOnExit emptied(QFile::encodeName(temp.path()));
    const QString root = temp.path() + "/R";
    QVERIFY(makeTree(root, tree));
    QCOMPARE(CollectPdfFiles(root), under(root, expected));
}

void TestFolderScan::queuedFolderHasOneSeparator_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("queued");
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("plain") << "/tmp/R"
                           << "/tmp/R/";
    QTest::newRow("trailing separator") << "/tmp/R/"
                                        << "/tmp/R/";
}

void TestFolderScan::queuedFolderHasOneSeparator() {
    QFETCH(QString, folder);
    QFETCH(QString, queued);
    QCOMPARE(queuedFolder(folder), queued);
}

void TestFolderScan::subfoldersInLevelOrder() {
    QTemporaryDir temp;
    const QString r = temp.path() + "/R";
    QVERIFY(makeTree(r, {"B/B2/B21/", "B/B1/", "A/A1/", "C/", ".h/H1/"}));
    FolderQueue queue{r + "/"};
    CollectSubfolders(queue);
    QCOMPARE(queue, (FolderQueue{r + "/", r + "/A/", r + "/B/", r + "/C/", r + "/A/A1/",
                                 r + "/B/B1/", r + "/B/B2/", r + "/B/B2/B21/"}));
}

void TestFolderScan::chosenFolderWithTrailingSeparator() {
    QTemporaryDir temp;
    const QString root = temp.path() + "/R";
    QVERIFY(makeTree(root, {"a.pdf", "X/b.pdf"}));
    QCOMPARE(CollectPdfFiles(root + "/"), under(root, {"a.pdf", "X/b.pdf"}));
}

void TestFolderScan::linksEnterEachFolderOnce() {
    QTemporaryDir temp;
    const QString root = temp.path() + "/R";
    const QString outside = temp.path() + "/S";
    QVERIFY(makeTree(root, {"a.pdf", "X/b.pdf"}));
    QVERIFY(makeTree(outside, {"s.pdf"}));
    QVERIFY(QFile::link(root, root + "/X/loop"));   // a cycle back to the top
    QVERIFY(QFile::link(root + "/X", root + "/Y")); // a second way into X
    QVERIFY(QFile::link(outside, root + "/ext"));   // a folder outside the tree
    QVERIFY(QFile::link(root + "/gone", root + "/broken"));
    QCOMPARE(CollectPdfFiles(root), under(root, {"a.pdf", "ext/s.pdf", "X/b.pdf"}));
}

void TestFolderScan::unreadableFolderIsSkipped() {
    QTemporaryDir temp;
    const QString root = temp.path() + "/R";
    QVERIFY(makeTree(root, {"a.pdf", "L/l.pdf", "M/m.pdf", "M/N/n.pdf", "Z/z.pdf"}));
    QVERIFY(QFile::setPermissions(root + "/M", QFileDevice::Permissions{}));
    QStringList found;
    {
        const FolderPermissionsEnforced enforced;
        if (!canList(root + "/M"))
            found = CollectPdfFiles(root);
    }
    QVERIFY(QFile::setPermissions(root + "/M", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner));
    if (found.isEmpty())
        QSKIP("this user can list a folder without read permission");
    QCOMPARE(found, under(root, {"a.pdf", "L/l.pdf", "Z/z.pdf"}));
}

void TestFolderScan::commandAppendsAfterExistingEntries() {
    QTemporaryDir temp;
    const QString root = temp.path() + "/R";
    QVERIFY(makeTree(root, {"a.pdf", "X/b.pdf"}));
    FileListModel list;
    list.append("/elsewhere/first.pdf");
    RecordingUserInterface ui;
    ui.folderAnswers.enqueue(root);
    RecordingWindowPointer window;
    QCOMPARE(AddAllPdfFilesInFolder(list, ui, window), AddFolderOutcome::Added);
    QCOMPARE(ui.dialogTitles, QStringList{"Please select folder to add:"});
    QCOMPARE(list.entries(),
             QStringList{"/elsewhere/first.pdf"} + under(root, {"a.pdf", "X/b.pdf"}));
    QCOMPARE(window.changes, (QList<MousePointer>{MousePointer::Hourglass, MousePointer::Default}));
    QVERIFY(ui.messages.isEmpty());
}

void TestFolderScan::runningTwiceDoublesEveryEntry() {
    QTemporaryDir temp;
    const QString root = temp.path() + "/R";
    QVERIFY(makeTree(root, {"a.pdf", "X/b.pdf"}));
    FileListModel list;
    RecordingUserInterface ui;
    ui.folderAnswers << root << root;
    RecordingWindowPointer window;
    AddAllPdfFilesInFolder(list, ui, window);
    AddAllPdfFilesInFolder(list, ui, window);
    const QStringList once = under(root, {"a.pdf", "X/b.pdf"});
    QCOMPARE(list.entries(), once + once);
}

void TestFolderScan::cancelChangesNothing() {
    FileListModel list;
    list.append("/kept.pdf");
    RecordingUserInterface ui; // no answer queued: the browser is cancelled
    RecordingWindowPointer window;
    window.pointer = MousePointer::Custom;
    QCOMPARE(AddAllPdfFilesInFolder(list, ui, window), AddFolderOutcome::Cancelled);
    QCOMPARE(list.entries(), QStringList{"/kept.pdf"});
    QVERIFY(window.changes.isEmpty());
    QCOMPARE(window.pointer, MousePointer::Custom);
}

void TestFolderScan::nestedScanKeepsItsOwnEntries() {
    QTemporaryDir temp;
    const QString outer = temp.path() + "/O";
    const QString inner = temp.path() + "/I";
    QVERIFY(makeTree(outer, {"o1.pdf", "X/o2.pdf", "X/Y/o3.pdf"}));
    QVERIFY(makeTree(inner, {"i1.pdf", "Q/i2.pdf"}));
    FileListModel list;
    RecordingUserInterface ui;
    ui.folderAnswers << outer << inner;
    RecordingWindowPointer window;
    AddFolderOutcome innerOutcome = AddFolderOutcome::Cancelled;
    // Runs inside the outer command's wait, as another click on the button would.
    QTimer::singleShot(0, [&] { innerOutcome = AddAllPdfFilesInFolder(list, ui, window); });
    QCOMPARE(AddAllPdfFilesInFolder(list, ui, window), AddFolderOutcome::Added);
    QCOMPARE(innerOutcome, AddFolderOutcome::Added);
    QCOMPARE(list.entries(), under(inner, {"i1.pdf", "Q/i2.pdf"}) +
                                 under(outer, {"o1.pdf", "X/o2.pdf", "X/Y/o3.pdf"}));
}

void TestFolderScan::frozenListTakesEntriesAfterTheRun() {
    QTemporaryDir temp;
    const QString root = temp.path() + "/R";
    QVERIFY(makeTree(root, {"a.pdf"}));
    FileListModel list;
    list.setFrozen(true);
    RecordingUserInterface ui;
    ui.folderAnswers.enqueue(root);
    RecordingWindowPointer window;
    AddAllPdfFilesInFolder(list, ui, window);
    QCOMPARE(list.count(), 0);
    list.setFrozen(false);
    QCOMPARE(list.entries(), under(root, {"a.pdf"}));
}

QTEST_GUILESS_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
