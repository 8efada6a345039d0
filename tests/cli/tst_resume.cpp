#include "cli/ReportJournal.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

int runCommand(const QStringList& arguments) {
    QProcess process;
    process.start(TestPaths::programFolder() + "/pagekiln-convert", arguments);
    if (!process.waitForFinished(300'000))
        return -1;
    return process.exitCode();
}

QByteArray record(const char* path, const char* status, const char* resolution = "72",
                  const char* method = "gflax") {
    return QByteArray("{\"path\":\"") + path + "\",\"method\":\"" + method +
           "\",\"options\":{\"output\":\"/out/\",\"resolution\":\"" + resolution +
           "\",\"pages\":\"1\"},\"status\":\"" + status +
           "\",\"pages\":1,\"outputs\":[],\"reason\":{\"code\":\"none\",\"text\":\"\"},"
           "\"seconds\":0.1}";
}

QList<QByteArray> linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

class TestResume : public QObject {
    Q_OBJECT
private slots:
    void journal_data();
    void journal();
    void resumedRunSkipsWhatWasConverted();
};

void TestResume::journal_data() {
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QStringList>("done");
    QTest::newRow("converted alike") << record("/a.pdf", "converted") + "\n"
                                     << QStringList{"/a.pdf"};
    QTest::newRow("another resolution") << record("/a.pdf", "converted", "144") + "\n"
                                        << QStringList{};
    QTest::newRow("another method") << record("/a.pdf", "converted", "72", "bw") + "\n"
                                    << QStringList{};
    QTest::newRow("partial is not done") << record("/a.pdf", "partial") + "\n" << QStringList{};
    QTest::newRow("a later failure replaces")
        << record("/a.pdf", "converted") + "\n" + record("/a.pdf", "failed") + "\n"
        << QStringList{};
    QTest::newRow("a later conversion replaces")
        << record("/a.pdf", "failed") + "\n" + record("/a.pdf", "converted") + "\n"
        << QStringList{"/a.pdf"};
    QTest::newRow("skipped lines change nothing")
        << record("/a.pdf", "converted") + "\n" + record("/a.pdf", "skipped") + "\n" +
               record("/b.pdf", "skipped") + "\n"
        << QStringList{"/a.pdf"};
    QTest::newRow("torn last line")
        << record("/a.pdf", "converted") + "\n" + record("/b.pdf", "converted").left(40)
        << QStringList{"/a.pdf"};
    QTest::newRow("whole last line without its end")
        << record("/a.pdf", "converted") + "\n" + record("/b.pdf", "converted")
        << QStringList{"/a.pdf"};
    QTest::newRow("lines that are no records")
        << QByteArray("garbage\n[1,2]\n{\"status\":\"converted\"}\n") +
               record("/b.pdf", "converted") + "\n"
        << QStringList{"/b.pdf"};
    QTest::newRow("escaped path") << record("/x \\\"q\\\"\\\\n.pdf", "converted") + "\n"
                                  << QStringList{"/x \"q\"\\n.pdf"};
}

void TestResume::journal() {
    QFETCH(QByteArray, report);
    QFETCH(QStringList, done);
    QTemporaryDir folder;
    QFile file(folder.filePath("report.jsonl"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(report);
    file.close();
    const ReportSettings settings{"gflax", "/out/", "72", "1", {}, {}, {}, {}, {}};
    const JournalRead read = ReadConvertedPaths(file.fileName(), settings);
    QVERIFY(read.error.isEmpty());
    QStringList found(read.converted.cbegin(), read.converted.cend());
    found.sort();
    QCOMPARE(found, done);
    QVERIFY(ReadConvertedPaths(folder.filePath("none"), settings).converted.isEmpty());
}

// A second run with --resume converts nothing that was converted (its images, removed, stay
// away) and records those PDFs as skipped; a PDF that failed is tried again; other options
// convert everything again.
void TestResume::resumedRunSkipsWhatWasConverted() {
    QTemporaryDir folder;
    const QString output = folder.filePath("out") + "/";
    const QString report = folder.filePath("report.jsonl");
    QFile broken(folder.filePath("broken.pdf"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("%PDF-1.4 nothing more\n");
    broken.close();
    const QStringList pdfs{TestPaths::corpusFile("minimal-document.pdf"), broken.fileName(),
                           TestPaths::corpusFile("multicolumn.pdf")};
    const QStringList common{"--quiet",  "--method", "gflax",    "--pages", "1",
                             "--output", output,     "--report", report};
    QCOMPARE(runCommand(common + QStringList{"--resolution", "36"} + pdfs), 1);
    QCOMPARE(linesOf(report).size(), 3);
    QDir out(output);
    const QStringList images = out.entryList(QDir::Files);
    QCOMPARE(images.size(), 2);
    for (const QString& image : images)
        QVERIFY(out.remove(image));

    QCOMPARE(runCommand(common + QStringList{"--resolution", "36", "--resume"} + pdfs), 1);
    QVERIFY(out.entryList(QDir::Files).isEmpty());
    QList<QByteArray> lines = linesOf(report);
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines[3].contains("\"status\":\"skipped\"") && lines[3].contains("minimal-document"));
    QVERIFY(lines[4].contains("\"status\":\"skipped\"") && lines[4].contains("multicolumn"));
    QVERIFY(lines[5].contains("\"status\":\"failed\"") && lines[5].contains("broken.pdf"));

    // Resumed again: the skipped lines keep the PDFs done.
    QCOMPARE(runCommand(common + QStringList{"--resolution", "36", "--resume"} + pdfs), 1);
    QVERIFY(out.entryList(QDir::Files).isEmpty());
    QCOMPARE(linesOf(report).size(), 9);

    // A killed run's torn line: the next run's lines start after it, whole.
    QFile torn(report);
    QVERIFY(torn.open(QIODevice::Append));
    torn.write(record("/torn.pdf", "converted").left(30));
    torn.close();
    QCOMPARE(runCommand(common + QStringList{"--resolution", "40", "--resume"} + pdfs), 1);
    QCOMPARE(out.entryList(QDir::Files).size(), 2);
    lines = linesOf(report);
    QCOMPARE(lines.size(), 13);
    for (int n = 10; n < 13; ++n)
        QVERIFY2(QJsonDocument::fromJson(lines[n]).isObject(), lines[n].constData());
}

QTEST_GUILESS_MAIN(TestResume)
#include "tst_resume.moc"
