#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A tree of three PDFs, one of them in a folder nobody may read:
//   top/a.pdf, top/locked/b.pdf (locked: mode 000), top/open/c.pdf
struct LockedTree {
    QTemporaryDir root;
    bool lockedReadable = false;

    LockedTree() {
        QDir(root.path()).mkpath("top/locked");
        QDir(root.path()).mkpath("top/open");
        const QString pdf = TestPaths::corpusFile("minimal-document.pdf");
        for (const char* name : {"top/a.pdf", "top/locked/b.pdf", "top/open/c.pdf"})
            QFile::copy(pdf, root.filePath(name));
        QFile::setPermissions(root.filePath("top/locked"), QFileDevice::Permissions());
        lockedReadable = QDir(root.filePath("top/locked")).isReadable();
    }
    ~LockedTree() {
        // The temporary folder can only be removed once its owner may enter it again.
        QFile::setPermissions(root.filePath("top/locked"), QFileDevice::ReadOwner |
                                                               QFileDevice::WriteOwner |
                                                               QFileDevice::ExeOwner);
    }
};

struct CommandRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CommandRun runIn(const QString& folder, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(TestPaths::programFolder() + "/pagekiln-convert", arguments);
    CommandRun run;
    if (!process.waitForFinished(300'000))
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// Report lines by path: status and reason code.
QMap<QString, QString> reportLines(const QString& file) {
    QMap<QString, QString> lines;
    QFile report(file);
    if (!report.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray& line : report.readAll().split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (!record.isEmpty())
            lines.insert(record["path"].toString(),
                         record["status"].toString() + " " +
                             record["reason"].toObject()["code"].toString());
    }
    return lines;
}

} // namespace

class TestFolderFailures : public QObject {
    Q_OBJECT
private slots:
    void unreadableFolders_data();
    void unreadableFolders();
};

void TestFolderFailures::unreadableFolders_data() {
    QTest::addColumn<QStringList>("arguments"); // "list" names a file listing "top"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("listing"); // of a dry run
    QTest::addColumn<QStringList>("warned"); // folders told as unreadable
    const QStringList dry{"--dry-run"};
    const QByteArray readable = "top/a.pdf\ntop/open/c.pdf\n";
    QTest::newRow("a locked folder below a folder given")
        << dry + QStringList{"top"} << 1 << readable << QStringList{"top/locked"};
    QTest::newRow("the locked folder given itself")
        << dry + QStringList{"top/locked"} << 1 << QByteArray() << QStringList{"top/locked"};
    QTest::newRow("given with a final separator")
        << dry + QStringList{"top/locked/"} << 1 << QByteArray() << QStringList{"top/locked"};
    QTest::newRow("a folder of a list")
        << dry + QStringList{"--files-from", "list"} << 1 << readable << QStringList{"top/locked"};
    QTest::newRow("one share of one")
        << dry + QStringList{"--shard", "1/1", "top"} << 1 << readable << QStringList{"top/locked"};
    QTest::newRow("a resumed run") << dry + QStringList{"--resume", "--report", "none.jsonl", "top"}
                                   << 1 << readable << QStringList{"top/locked"};
    QTest::newRow("given twice, told twice") << dry + QStringList{"top/locked", "top"} << 1
                                             << readable << QStringList{"top/locked", "top/locked"};
    QTest::newRow("readable folders only")
        << dry + QStringList{"top/open"} << 0 << QByteArray("top/open/c.pdf\n") << QStringList{};
    QTest::newRow("a conversion") << QStringList{"--quiet",  "--output",  "out",
                                                 "--report", "run.jsonl", "top"}
                                  << 1 << QByteArray() << QStringList{"top/locked"};
}

// A folder the command cannot read is told on the console, fails the run and, in a real run,
// gets a report line of its own; the readable PDFs are converted all the same.
void TestFolderFailures::unreadableFolders() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, warned);
    LockedTree tree;
    if (tree.lockedReadable)
        QSKIP("a folder of mode 000 can be read by this user (root): nothing to test");
    QFile list(tree.root.filePath("list"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("top\n");
    list.close();
    const CommandRun run = runIn(tree.root.path(), arguments);
    QCOMPARE(run.exitCode, exitCode);
    QStringList told;
    for (const QByteArray& line : run.err.split('\n'))
        if (line.startsWith("pagekiln-convert: cannot read the folder "))
            told.append(QString::fromUtf8(line.mid(41, line.indexOf(':', 41) - 41)));
    QCOMPARE(told, warned);
    QVERIFY2(!run.err.contains("no PDF file"), run.err.constData());
    if (arguments.contains("--dry-run")) {
        QCOMPARE(run.out, listing);
        return;
    }
    QVERIFY2(run.err.contains("Permission denied"), run.err.constData());
    const QMap<QString, QString> report = reportLines(tree.root.filePath("run.jsonl"));
    QCOMPARE(report.value("top/locked"), QString("failed missing"));
    QCOMPARE(report.value("top/a.pdf"), QString("converted none"));
    QCOMPARE(report.value("top/open/c.pdf"), QString("converted none"));
    QCOMPARE(report.size(), 3);
}

QTEST_GUILESS_MAIN(TestFolderFailures)
#include "tst_folderfailures.moc"
