#include "components/JpegProbe.h"
#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "filelist/FileListModel.h"
#include "filelist/FolderScan.h"
#include "platform/WorkFolder.h"
#include "protocol/Automation.h"
#include "support/MethodWindow.h"
#include "support/RecordingUserInterface.h"
#include "support/TestPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct CommandRun {
    int exitCode = -1;
    QString errors;
};

CommandRun runCommand(const QStringList& arguments, const QString& workingFolder = {},
                      const QString& renderThreads = {}) {
    QProcess process;
    if (!renderThreads.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PAGEKILN_RENDER_THREADS", renderThreads);
        process.setProcessEnvironment(environment);
    }
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start(TestPaths::programFolder() + "/pagekiln-convert", arguments);
    if (!process.waitForFinished(300'000))
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

// Name -> content digest of every file in folder.
QMap<QString, QByteArray> filesIn(const QString& folder) {
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return files;
}

// The window's driver, headless, on the same texts the command gets.
void convertAsTheWindowDoes(ConversionMethod method, const QStringList& pdfs,
                            const QString& output) {
    FileListModel list;
    list.append(pdfs);
    MethodWindow window(method);
    RecordingUserInterface ui;
    FixedConversionView view(output, "72", "2");
    WorkFolder work;
    AutomationHost automation(TestPaths::programFolder());
    ConversionContext context{view, ui, TestPaths::programFolder(), work.path(), &automation};
    BatchDriver driver(list, window, context);
    driver.run();
}

// Relative path -> content digest of every file below folder.
QMap<QString, QByteArray> treeIn(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(folder).relativeFilePath(file.fileName()),
                         QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return files;
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

const QStringList MethodNames{"ghostscript", "bw", "acrobat", "gflax"};

} // namespace

// The command runs the window's conversion code: same files, same warnings, and parallel jobs
// that write exactly what a one-at-a-time run writes.
class TestCommand : public QObject {
    Q_OBJECT
private slots:
    void sameOutputsAsTheWindow_data();
    void sameOutputsAsTheWindow();
    void exitStatuses_data();
    void exitStatuses();
    void parallelJobsWriteTheSameFiles_data();
    void parallelJobsWriteTheSameFiles();
    void folderArgumentFindsWhatTheFolderCommandFinds();
    void imagingIsRepeatable();
    void relativePaths_data();
    void relativePaths();
    void pagesAndImageOptions_data();
    void pagesAndImageOptions();
    void collidingNames_data();
    void collidingNames();
};

void TestCommand::sameOutputsAsTheWindow_data() {
    QTest::addColumn<int>("method");
    for (int method = 1; method <= 4; ++method)
        QTest::newRow(qPrintable(MethodNames[method - 1])) << method;
}

void TestCommand::sameOutputsAsTheWindow() {
    QFETCH(int, method);
    const QStringList pdfs{TestPaths::corpusFile("minimal-document.pdf"),
                           TestPaths::corpusFile("multicolumn.pdf"),
                           TestPaths::corpusFile("missing.pdf")};
    QTemporaryDir byWindow;
    QTemporaryDir byCommand;
    convertAsTheWindowDoes(*methodFromName(MethodNames[method - 1]), pdfs, byWindow.path() + "/");
    // The window's texts, read as the window reads them: the same conversions.
    const CommandRun run =
        runCommand(QStringList{"--quiet", "--settings-from-window", "--jobs", "2", "--method",
                               MethodNames[method - 1], "--output", byCommand.path() + "/",
                               "--resolution", "72", "--pages", "2"} +
                   pdfs);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains("Could not create JPG on " + pdfs.last()), qPrintable(run.errors));
    const QStringList expected = filesIn(byWindow.path()).keys();
    QVERIFY(expected.size() >= 2);
    QCOMPARE(filesIn(byCommand.path()).keys(), expected);
}

void TestCommand::exitStatuses_data() {
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<int>("status");
    QTest::newRow("all converted") << QStringList{"minimal-document.pdf"} << 0;
    QTest::newRow("one without images")
        << QStringList{"minimal-document.pdf", "not-a-pdf.pdf"} << 1;
    QTest::newRow("usage") << QStringList{} << 2;
}

void TestCommand::exitStatuses() {
    QFETCH(QStringList, inputs);
    QFETCH(int, status);
    QTemporaryDir folder;
    QFile text(folder.filePath("not-a-pdf.pdf"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("just text\n");
    text.close();
    QStringList arguments{"--method", "gflax", "--output", folder.path() + "/"};
    for (const QString& input : inputs)
        arguments.append(input == "not-a-pdf.pdf" ? text.fileName() : TestPaths::corpusFile(input));
    const CommandRun run = runCommand(arguments);
    QCOMPARE(run.exitCode, status);
    if (status == 2)
        QVERIFY(run.errors.contains("try --help"));
    else
        QVERIFY(run.errors.contains(QString("[1/%1] ").arg(inputs.size())));
}

void TestCommand::parallelJobsWriteTheSameFiles_data() {
    QTest::addColumn<QString>("method");
    QTest::newRow("ghostscript") << "ghostscript";
    QTest::newRow("gflax") << "gflax";
}

void TestCommand::parallelJobsWriteTheSameFiles() {
    QFETCH(QString, method);
    // Two PDFs share the base name "same"; "Invoice 1" page 12 and "Invoice 12" page 1 share
    // an imaging output name. The later one must win in both runs.
    QTemporaryDir inputs;
    const QList<QPair<QString, QString>> copies{
        {"pdflatex-4-pages.pdf", "same.1.pdf"},      {"multicolumn.pdf", "same.2.pdf"},
        {"imagemagick-images.pdf", "Invoice 1.pdf"}, {"minimal-document.pdf", "Invoice 12.pdf"},
        {"pdflatex-outline.pdf", "other.pdf"},       {"habibi.pdf", "-dash $x.pdf"}};
    QStringList pdfs;
    for (const auto& [from, to] : copies) {
        QVERIFY(QFile::copy(TestPaths::corpusFile(from), inputs.filePath(to)));
        pdfs.append(inputs.filePath(to));
    }
    QTemporaryDir one;
    QTemporaryDir two;
    const QStringList common{"--quiet", "--method", method, "--resolution", "72", "--pages", "12"};
    QCOMPARE(runCommand(common + QStringList{"--jobs", "1", "--output", one.path() + "/"} + pdfs)
                 .exitCode,
             0);
    QCOMPARE(runCommand(common + QStringList{"--jobs", "2", "--output", two.path() + "/"} + pdfs)
                 .exitCode,
             0);
    const auto sequential = filesIn(one.path());
    QVERIFY(sequential.size() >= 10);
    QCOMPARE(filesIn(two.path()), sequential);
}

void TestCommand::folderArgumentFindsWhatTheFolderCommandFinds() {
    QTemporaryDir tree;
    for (const char* path : {"R/a.pdf", "R/X/b.PDF", "R/X/Y/c.pdf", "R/Z/d.pdf", "R/Z/~lock.pdf",
                             "R/.hidden/e.pdf", "R/p10.pdf", "R/p2.pdf", "R/notes.txt"}) {
        QDir().mkpath(QFileInfo(tree.filePath(QString(path))).path());
        QFile file(tree.filePath(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString root = tree.filePath("R");
    const QStringList expected = CollectPdfFiles(root);
    QCOMPARE(expected.size(), 6);
    QTemporaryDir output;
    const CommandRun run =
        runCommand({"--jobs", "1", "--method", "gflax", "--output", output.path(), root});
    QCOMPARE(run.exitCode, 1);
    QStringList announced;
    for (const QString& line : run.errors.split('\n')) {
        if (line.startsWith('['))
            announced.append(line.section("] ", 1));
    }
    QCOMPARE(announced, expected);
}

void TestCommand::imagingIsRepeatable() {
    // Pages with images, rendered in bands on one and on two threads, again and again: the
    // bytes never change.
    const QStringList pdfs{TestPaths::corpusFile("grayscale-image.pdf"),
                           TestPaths::corpusFile("base64image.pdf"),
                           TestPaths::corpusFile("imagemagick-images.pdf")};
    QMap<QString, QByteArray> first;
    for (const QString threads : {"1", "2", "2", "2", "2", "2", "2"}) {
        QTemporaryDir output;
        const QStringList arguments =
            QStringList{"--quiet", "--jobs", "1",        "--method",         "gflax",
                        "--pages", "3",      "--output", output.path() + "/"} +
            pdfs;
        QCOMPARE(runCommand(arguments, {}, threads).exitCode, 0);
        const auto files = filesIn(output.path());
        QCOMPARE(files.size(), 5);
        if (first.isEmpty())
            first = files;
        QCOMPARE(files, first);
    }
}

void TestCommand::relativePaths_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("gflax") << "gflax" << QStringList{"in1.jpg", "in2.jpg"};
    QTest::newRow("acrobat") << "acrobat" << QStringList{"in_Page_1.jpg", "in_Page_2.jpg"};
    QTest::newRow("ghostscript") << "ghostscript" << QStringList{"in-001.jpg", "in-002.jpg"};
}

void TestCommand::relativePaths() {
    QFETCH(QString, method);
    QFETCH(QStringList, expected);
    // Paths relative to where the command was started mean the same to the component servers.
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkpath("out"));
    QVERIFY(QFile::copy(TestPaths::corpusFile("pdflatex-4-pages.pdf"), here.filePath("in.pdf")));
    const CommandRun run = runCommand(
        {"--quiet", "--method", method, "--pages", "2", "--output", "out/", "in.pdf"}, here.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QDir(here.filePath("out")).entryList(QDir::Files), expected);
}

void TestCommand::pagesAndImageOptions_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("components"); // of every image; 0: as the page has it
    QTest::addColumn<int>("density");    // of every image; 0: not checked
    QTest::addColumn<int>("box");        // the longer side of every image; 0: not checked
    const QStringList two{"-p", "2-3"};
    const QStringList ends{"-p", "1,3-N"};
    const QStringList grey{"-p", "N", "-r", "36", "--quality", "50", "--colour", "grey"};
    const QStringList thumbs{"-p", "1", "--size", "100x100", "--colour", "rgb"};
    QTest::newRow("gflax 2-3") << "gflax" << two << QStringList{"in2.jpg", "in3.jpg"} << 0 << 0
                               << 0;
    QTest::newRow("gflax 1,3-N") << "gflax" << ends << QStringList{"in1.jpg", "in3.jpg", "in4.jpg"}
                                 << 0 << 0 << 0;
    QTest::newRow("gflax grey") << "gflax" << grey << QStringList{"in4.jpg"} << 1 << 36 << 0;
    QTest::newRow("gflax thumbnails")
        << "gflax" << thumbs << QStringList{"in1.jpg"} << 3 << 0 << 100;
    QTest::newRow("acrobat 2-3") << "acrobat" << two
                                 << QStringList{"in_Page_2.jpg", "in_Page_3.jpg"} << 0 << 0 << 0;
    QTest::newRow("acrobat 1,3-N")
        << "acrobat" << ends << QStringList{"in_Page_1.jpg", "in_Page_3.jpg", "in_Page_4.jpg"} << 0
        << 0 << 0;
    QTest::newRow("acrobat grey") << "acrobat" << grey << QStringList{"in_Page_4.jpg"} << 1 << 36
                                  << 0;
    QTest::newRow("acrobat thumbnails")
        << "acrobat" << thumbs << QStringList{"in_Page_1.jpg"} << 3 << 0 << 100;
    for (const QString method : {"ghostscript", "bw"}) {
        const QString row = method + QStringLiteral(" ");
        QTest::newRow(qPrintable(row + "2-3"))
            << method << two << QStringList{"in-001.jpg", "in-002.jpg"} << 0 << 0 << 0;
        QTest::newRow(qPrintable(row + "1,3-N"))
            << method << ends << QStringList{"in-001.jpg", "in-002.jpg", "in-003.jpg"} << 0 << 0
            << 0;
        QTest::newRow(qPrintable(row + "grey"))
            << method << grey << QStringList{"in-001.jpg"} << 1 << 36 << 0;
    }
}

// Pages and image options for every method, end to end: the pages asked for and no other, and
// images as asked.
void TestCommand::pagesAndImageOptions() {
    QFETCH(QString, method);
    QFETCH(QStringList, options);
    QFETCH(QStringList, expected);
    QFETCH(int, components);
    QFETCH(int, density);
    QFETCH(int, box);
    QTemporaryDir here;
    QVERIFY(QFile::copy(TestPaths::corpusFile("pdflatex-4-pages.pdf"), here.filePath("in.pdf")));
    const CommandRun run = runCommand(QStringList{"--quiet", "-m", method, "-o", "out"} + options +
                                          QStringList{"in.pdf"},
                                      here.path());
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    const QDir out(here.filePath("out"));
    QCOMPARE(out.entryList(QDir::Files), expected);
    for (const QString& name : expected) {
        const JpegInfo image = probeJpeg(out.filePath(name));
        QVERIFY(image.valid());
        if (components > 0)
            QCOMPARE(image.components, components);
        if (density > 0)
            QCOMPARE(image.density, QSize(density, density));
        if (box > 0)
            QCOMPARE(std::max(image.size.width(), image.size.height()), box);
    }
}

void TestCommand::collidingNames_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("warned");    // the groups told before the run
    QTest::addColumn<QStringList>("replacers"); // the PDFs the report marks
    QTest::newRow("one folder") << QStringList{}
                                << QStringList{"  a/x.pdf, b/x.pdf", "  r.ru.pdf, r.zh.pdf"}
                                << QStringList{"b/x.pdf", "r.zh.pdf"};
    QTest::newRow("the tree kept")
        << QStringList{"--keep-tree"} << QStringList{"  r.ru.pdf, r.zh.pdf"}
        << QStringList{"r.zh.pdf"};
    QTest::newRow("named by the file name")
        << QStringList{"--name", "{stem}-{page:03}.jpg"} << QStringList{"  a/x.pdf, b/x.pdf"}
        << QStringList{"b/x.pdf"};
    QTest::newRow("both") << QStringList{"--keep-tree", "--name", "{stem}-{page:03}.jpg"}
                          << QStringList{} << QStringList{};
}

// A tree whose PDFs write the same names: told before the run, marked in the report, and kept
// apart by the tree or a pattern, with every image the same as a run of its PDF alone.
void TestCommand::collidingNames() {
    QFETCH(QStringList, options);
    QFETCH(QStringList, warned);
    QFETCH(QStringList, replacers);
    QTemporaryDir here;
    const QStringList pdfs{"a/x.pdf", "b/x.pdf", "r.ru.pdf", "r.zh.pdf"};
    const QStringList sources{"pdflatex-4-pages.pdf", "minimal-document.pdf", "multicolumn.pdf",
                              "pdflatex-4-pages.pdf"};
    for (int i = 0; i < pdfs.size(); ++i) {
        QDir(here.path()).mkpath(QFileInfo(pdfs[i]).path());
        QVERIFY(QFile::copy(TestPaths::corpusFile(sources[i]), here.filePath(pdfs[i])));
    }
    const QStringList common = QStringList{"-j", "2", "-p", "2", "-r", "36"} + options;
    const CommandRun run =
        runCommand(common + QStringList{"-o", "all", "--report", "r.jsonl"} + pdfs, here.path());
    QCOMPARE(run.exitCode, 0);
    QStringList told;
    for (const QString& line : run.errors.split('\n')) {
        if (line.startsWith("  "))
            told.append(line);
    }
    QCOMPARE(told, warned);
    QStringList marked;
    for (const QString& line : readAll(here.filePath("r.jsonl")).split('\n')) {
        if (line.contains("\"replaces\""))
            marked.append(QJsonDocument::fromJson(line.toUtf8()).object().value("path").toString());
    }
    marked.sort(); // the groups run side by side: their lines come in either order
    QCOMPARE(marked, replacers);
    if (!warned.isEmpty())
        return;
    // Nothing met: every PDF's images are those of a run of that PDF alone.
    QMap<QString, QByteArray> alone;
    for (const QString& pdf : pdfs) {
        QVERIFY(runCommand(common + QStringList{"-o", "alone", pdf}, here.path()).exitCode == 0);
    }
    QCOMPARE(treeIn(here.filePath("all")), treeIn(here.filePath("alone")));
    QCOMPARE(treeIn(here.filePath("all")).size(), 7); // 2 + 1 + 2 + 2 pages
}

QTEST_GUILESS_MAIN(TestCommand)
#include "tst_command.moc"
