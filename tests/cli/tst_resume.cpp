#include "cli/ReportJournal.h"
#include "support/TestPaths.h"

#include <QBuffer>
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

// The current folder of the normalisation table and the options of its run.
const char* const Here = "/work/here";
const char* const Options = R"({"colour":"auto","output":"/work/here/out/","pages":"1-3",)"
                            R"("quality":"90","resolution":"72"})";

// A report line as the command writes it (keys in order), with the options as given.
QByteArray line(const QByteArray& path, const char* status = "converted",
                const QByteArray& options = Options, const char* method = "gflax") {
    return "{\"method\":\"" + QByteArray(method) + "\",\"options\":" + options +
           ",\"outputs\":[\"/work/here/out/a1.jpg\"],\"pages\":1,\"path\":\"" + path +
           "\",\"reason\":{\"code\":\"none\",\"text\":\"\"},\"seconds\":0.25,\"status\":\"" +
           status + "\"}\n";
}

// The run's options with one value written otherwise.
QByteArray optionsWith(const QByteArray& name, const QByteArray& written) {
    QByteArray options = Options;
    const qsizetype start = options.indexOf("\"" + name + "\":") + name.size() + 3;
    const qsizetype end = options.indexOf('"', start + 1) + 1;
    return options.replace(start, end - start, written);
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
    void normalisation_data();
    void normalisation();
    void dividedPdfs_data();
    void dividedPdfs();
    void longListInBatches();
    void resumeByMeaning();
    void resumedRunSkipsWhatWasConverted();
};

void TestResume::normalisation_data() {
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("queries"); // PDFs found in listed folders
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QStringList>("done"); // of the list, then of the queries
    const QStringList none;
    const QStringList a{"/in/a.pdf"};
    QTest::newRow("converted alike") << a << none << line("/in/a.pdf") << a;
    QTest::newRow("dots and doubled separators")
        << QStringList{"/in/./sub//a.pdf"} << none << line("/in/sub/a.pdf")
        << QStringList{"/in/./sub//a.pdf"};
    QTest::newRow("relative list path, absolute report path")
        << QStringList{"in/a.pdf"} << none << line("/work/here/in/a.pdf")
        << QStringList{"in/a.pdf"};
    QTest::newRow("absolute list path, relative report path")
        << QStringList{"/work/here/in/a.pdf"} << none << line("./in//a.pdf")
        << QStringList{"/work/here/in/a.pdf"};
    QTest::newRow("parent folders kept as written")
        << QStringList{"/in/x/../a.pdf"} << none << line("/in/a.pdf") << none;
    QTest::newRow("another file") << QStringList{"/in/b.pdf"} << none << line("/in/a.pdf") << none;
    for (const char* output : {"out", "./out/", "/work/here/out", "/work/here//out/."})
        QTest::addRow("output written %s", output)
            << a << none
            << line("/in/a.pdf", "converted",
                    optionsWith("output", QByteArray("\"") + output + "\""))
            << a;
    for (const char* output : {"out2", "/work/out/", "/work/here/out/../out"})
        QTest::addRow("another output %s", output)
            << a << none
            << line("/in/a.pdf", "converted",
                    optionsWith("output", QByteArray("\"") + output + "\""))
            << none;
    const QList<QPair<QByteArray, QByteArray>> sameValues{
        {"resolution", "\"72.0\""}, {"resolution", "\"7.2e1\""}, {"resolution", "72"},
        {"quality", "\"90.00\""},   {"pages", "\"3\""},          {"pages", "\" 1-3\""}};
    for (const auto& [name, written] : sameValues)
        QTest::addRow("%s written %s", name.constData(), written.constData())
            << a << none << line("/in/a.pdf", "converted", optionsWith(name, written)) << a;
    const QList<QPair<QByteArray, QByteArray>> otherValues{
        {"resolution", "\"144\""}, {"resolution", "\"72dpi\""}, {"pages", "\"1-4\""},
        {"pages", "\"all\""},      {"quality", "\"91\""},       {"colour", "\"rgb\""}};
    for (const auto& [name, written] : otherValues)
        QTest::addRow("%s %s differs", name.constData(), written.constData())
            << a << none << line("/in/a.pdf", "converted", optionsWith(name, written)) << none;
    QTest::newRow("an option less")
        << a << none << line("/in/a.pdf", "converted", R"({"output":"/work/here/out/"})") << none;
    QTest::newRow("an option more")
        << a << none
        << line("/in/a.pdf", "converted", QByteArray(Options).replace("}", R"(,"size":"200x200"})"))
        << none;
    QTest::newRow("another method")
        << a << none << line("/in/a.pdf", "converted", Options, "bw") << none;
    QTest::newRow("partial is not done") << a << none << line("/in/a.pdf", "partial") << none;
    QTest::newRow("a later failure replaces")
        << a << none << line("/in/a.pdf") + line("/in/a.pdf", "failed") << none;
    QTest::newRow("a later conversion replaces")
        << a << none << line("/in/a.pdf", "failed") + line("/in/a.pdf") << a;
    QTest::newRow("skipped lines change nothing")
        << QStringList{"/in/a.pdf", "/in/b.pdf"} << none
        << line("/in/a.pdf") + line("/in/a.pdf", "skipped") + line("/in/b.pdf", "skipped") << a;
    QTest::newRow("torn last line") << QStringList{"/in/a.pdf", "/in/b.pdf"} << none
                                    << line("/in/a.pdf") + line("/in/b.pdf").left(200) << a;
    QTest::newRow("whole last line without its end")
        << QStringList{"/in/a.pdf", "/in/b.pdf"} << none
        << line("/in/a.pdf") + line("/in/b.pdf").chopped(1) << a;
    QTest::newRow("torn line ended by a later run")
        << QStringList{"/in/a.pdf", "/in/b.pdf"} << none
        << line("/in/a.pdf").chopped(2) + "\n" + line("/in/b.pdf") << QStringList{"/in/b.pdf"};
    QTest::newRow("lines that are no records")
        << a << none
        << "garbage\n[1,2]\n{\"status\":\"converted\"}\n{\"path\":5}\n" + line("/in/a.pdf") << a;
    QTest::newRow("keys in another order, as once written")
        << a << none
        << QByteArray(
               R"({"path":"/in/a.pdf","status":"converted","options":{"resolution":"72","pages":)"
               R"("1-3","output":"/work/here/out/","colour":"auto","quality":"90"},"method":)"
               R"("gflax"})"
               "\n")
        << a;
    QTest::newRow("blanks between the fields")
        << a << none << line("/in/a.pdf").replace(",", " , ").replace(":", " :\t") << a;
    QTest::newRow("escaped and non-ASCII paths")
        << QStringList{"/in/\"q\" \\x.pdf", QString::fromUtf8("/in/Übersicht ñ.pdf")} << none
        << line("/in/\\\"q\\\" \\\\x.pdf") + line("/in/Übersicht ñ.pdf")
        << QStringList{"/in/\"q\" \\x.pdf", QString::fromUtf8("/in/Übersicht ñ.pdf")};
    QTest::newRow("the same PDF listed twice")
        << QStringList{"/in/a.pdf", "/in/./a.pdf"} << none << line("/in/a.pdf")
        << QStringList{"/in/a.pdf", "/in/./a.pdf"};
    QTest::newRow("listed twice, failed last")
        << QStringList{"/in/a.pdf", "/in/./a.pdf"} << none
        << line("/in/a.pdf") + line("/in/a.pdf", "failed") << none;
    QTest::newRow("PDFs of a listed folder")
        << QStringList{"/in/dir"}
        << QStringList{"/in/dir/a.pdf", "/in/dir/sub/b.pdf", "/in/other/c.pdf", "/in/dir/d.pdf"}
        << line("/in/dir/a.pdf") + line("/in/dir/sub//b.pdf") + line("/in/other/c.pdf") +
               line("/in/dir/d.pdf") + line("/in/dir/d.pdf", "partial")
        << QStringList{"/in/dir/a.pdf", "/in/dir/sub/b.pdf"};
}

// Each report is read whole from a device, and from its file in two parts read side by side:
// both readings find the same PDFs done.
void TestResume::normalisation() {
    QFETCH(QStringList, list);
    QFETCH(QStringList, queries);
    QFETCH(QByteArray, report);
    QFETCH(QStringList, done);
    PathList paths;
    for (const QString& path : list)
        paths.appendText(path);
    const ReportSettings settings{"gflax", "/work/here/out/", "72", "1-3", "90", "auto", {}, {},
                                  {}};
    const ResumeQuery query{settings, Here, true, {}};
    QTemporaryDir folder;
    QFile file(folder.filePath("report.jsonl"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(report);
    file.close();
    for (const bool split : {false, true}) {
        ResumeJournal journal(paths, query);
        QBuffer buffer(&report);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY((split ? journal.readFile(file.fileName(), 0) : journal.read(buffer)).isEmpty());
        QStringList found;
        for (int position = 0; position < list.size(); ++position)
            if (journal.isDone(position))
                found.append(list[position]);
        for (const QString& path : queries)
            if (journal.isDone(QFile::encodeName(path)))
                found.append(path);
        QCOMPARE(found, done);
    }
}

// A share that converts some pages of a PDF divided between shares finds it done only by a
// line with those pages; the other PDFs keep the run's pages.
void TestResume::dividedPdfs_data() {
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QStringList>("done");
    const QStringList none;
    const QStringList a{"/in/a.pdf"};
    const QByteArray partLine = line("/in/a.pdf", "converted", optionsWith("pages", "\"74-145\""));
    QTest::newRow("the part's pages") << partLine << a;
    QTest::newRow("the part's pages, written otherwise")
        << line("/in/a.pdf", "converted", optionsWith("pages", "\" 74-145, 80\"")) << a;
    QTest::newRow("another share's pages")
        << line("/in/a.pdf", "converted", optionsWith("pages", "\"1-73\"")) << none;
    QTest::newRow("the run's pages") << line("/in/a.pdf") << none;
    QTest::newRow("the part failed")
        << line("/in/a.pdf", "partial", optionsWith("pages", "\"74-145\"")) << none;
    QTest::newRow("another method")
        << line("/in/a.pdf", "converted", optionsWith("pages", "\"74-145\""), "bw") << none;
    QTest::newRow("in a rarer shape, escaped path")
        << QByteArray(R"({"status":"converted","path":"\/in\/a.pdf","method":"gflax","options":)"
                      R"({"pages":"74-145","resolution":"72","output":"/work/here/out/",)"
                      R"("colour":"auto","quality":"90"}})"
                      "\n")
        << a;
    QTest::newRow("whole PDFs beside it keep the run's pages")
        << line("/in/b.pdf") + line("/in/c.pdf", "converted", optionsWith("pages", "\"74-145\""))
        << QStringList{"/in/b.pdf"};
}

void TestResume::dividedPdfs() {
    QFETCH(QByteArray, report);
    QFETCH(QStringList, done);
    const QStringList list{"/in/a.pdf", "/in/b.pdf", "/in/c.pdf"};
    PathList paths;
    for (const QString& path : list)
        paths.appendText(path);
    const ReportSettings settings{"gflax", "/work/here/out/", "72", "1-3", "90", "auto", {}, {},
                                  {}};
    const ResumeQuery query{settings, Here, false, {{0, QStringLiteral("74-145")}}};
    ResumeJournal journal(paths, query);
    QBuffer buffer(&report);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QVERIFY(journal.read(buffer).isEmpty());
    QStringList found;
    for (int position = 0; position < list.size(); ++position)
        if (journal.isDone(position))
            found.append(list[position]);
    QCOMPARE(found, done);
}

// A list longer than the batches its keys are made in, on two threads: every position keeps
// its own verdict, a path listed twice (once relative) shares its first listing's.
void TestResume::longListInBatches() {
    constexpr int Listed = 70'000;
    PathList paths;
    QByteArray report;
    for (int n = 0; n < Listed; ++n) {
        const QByteArray path =
            "/in/d" + QByteArray::number(n % 7) + "/f" + QByteArray::number(n) + ".pdf";
        if (n == Listed - 1)
            paths.append("./d3//f3.pdf"); // from /in
        else
            paths.append(path);
        if (n % 3 == 0)
            report += line(path);
    }
    const ReportSettings settings{"gflax", "/work/here/out/", "72", "1-3", "90", "auto", {}, {},
                                  {}};
    ResumeJournal journal(paths, {settings, "/in", false, {}});
    QBuffer buffer(&report);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QVERIFY(journal.read(buffer).isEmpty());
    int wrong = 0;
    for (int n = 0; n < Listed - 1; ++n)
        wrong += journal.isDone(n) != (n % 3 == 0);
    QCOMPARE(wrong, 0);
    QVERIFY(journal.isDone(Listed - 1)); // f3 is done
}

// The command compares what it was given by meaning: a PDF converted as in/./a.pdf into
// ./out3 at 36 dpi is done for in/a.pdf into out3/ at 36.0 dpi, and not at 37 dpi.
void TestResume::resumeByMeaning() {
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkpath("in"));
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), here.filePath("in/a.pdf")));
    const QStringList common{"--quiet", "--pages", "1", "--report", "report.jsonl"};
    QProcess first;
    first.setWorkingDirectory(here.path());
    first.start(TestPaths::programFolder() + "/pagekiln-convert",
                common + QStringList{"--output", "./out3", "--resolution", "36", "in/./a.pdf"});
    QVERIFY(first.waitForFinished(300'000));
    QCOMPARE(first.exitCode(), 0);
    for (const char* resolution : {"36.0", "37"}) {
        QProcess resumed;
        resumed.setWorkingDirectory(here.path());
        resumed.start(TestPaths::programFolder() + "/pagekiln-convert",
                      common + QStringList{"--resume", "--dry-run", "--output", "out3/",
                                           "--resolution", resolution, "in/a.pdf"});
        QVERIFY(resumed.waitForFinished(300'000));
        QCOMPARE(resumed.exitCode(), 0);
        QCOMPARE(resumed.readAllStandardOutput(),
                 QByteArray(resolution == QByteArray("37") ? "in/a.pdf\n" : ""));
    }
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
    torn.write(line("/torn.pdf").left(30));
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
