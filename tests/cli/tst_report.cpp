#include "support/TestFiles.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The command's reasons, its report journal, its passwords and its output folder.
namespace {

const QString Password = QStringLiteral("pa ss\"w\\x 'q' $HOME command");

struct CommandRun {
    int exitCode = -1;
    QString output;
    QString errors;
    int looks = 0;     // times every process's arguments were looked at
    int exposures = 0; // processes seen with the password among their arguments
};

// Runs the command with input on its standard input, looking at every process's arguments
// while it runs.
CommandRun runCommand(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    CommandRun run;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++run.looks;
        run.exposures += TestFiles::processesWithArgument(Password.toUtf8());
    });
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(TestPaths::programFolder() + "/pagekiln-convert", arguments);
    process.write(input);
    process.closeWriteChannel();
    watch.start(5);
    if (!finished.wait(300'000))
        return run;
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QList<QJsonObject> reportLines(const QString& text) {
    QList<QJsonObject> lines;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return {};
        lines.append(document.object());
    }
    return lines;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void reportHasOneLinePerPdfInListOrder();
    void reportToStandardOutput();
    void protectedPdfsWithAPasswordFile_data();
    void protectedPdfsWithAPasswordFile();
    void outputFolderIsMadeWhenMissing();
    void outputThatIsAFileIsAUsageError();
};

void TestReport::reportHasOneLinePerPdfInListOrder() {
    QTemporaryDir in;
    QTemporaryDir out;
    const QString good = in.filePath("b.pdf");
    const QString letter = in.filePath("a letter.pdf");
    const QString odd = in.filePath("odd\nname\\.pdf");
    QVERIFY(QFile::copy(TestPaths::corpusFile("pdflatex-4-pages.pdf"), good));
    QVERIFY(TestFiles::writeFile(letter, "Dear customer\n"));
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), odd));
    const QString report = out.filePath("runs/report.jsonl");
    QDir().mkpath(out.filePath("runs"));
    const QString folder = out.filePath("images");
    const CommandRun run = runCommand({"--jobs", "1", "--method", "ghostscript", "--output", folder,
                                       "--report", report, good, letter, odd});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.errors.contains("Could not create JPG on " + letter +
                                ": The file is not a PDF document.\n"));
    QVERIFY(run.errors.contains("[3/3] " + in.filePath("odd\\nname\\\\.pdf") + '\n'));

    const QList<QJsonObject> lines = reportLines(QString::fromUtf8(readAll(report)));
    QCOMPARE(lines.size(), 3);
    QStringList paths;
    for (const QJsonObject& line : lines) {
        paths.append(line["path"].toString());
        QCOMPARE(line["method"].toString(), QString("ghostscript"));
        QCOMPARE(line["options"]["output"].toString(), folder + '/');
        QCOMPARE(line["pages"].toInt(), line["outputs"].toArray().size());
        QVERIFY(line["seconds"].toDouble() >= 0.0);
    }
    QCOMPARE(paths, (QStringList{good, letter, odd}));
    QCOMPARE(lines[0]["status"].toString(), QString("converted"));
    QCOMPARE(lines[0]["pages"].toInt(), 4);
    QCOMPARE(lines[0]["outputs"][3].toString(), folder + "/b-004.jpg");
    QCOMPARE(lines[0]["reason"]["code"].toString(), QString("none"));
    QCOMPARE(lines[1]["status"].toString(), QString("failed"));
    QCOMPARE(lines[1]["reason"]["code"].toString(), QString("not-pdf"));
    QCOMPARE(lines[1]["reason"]["text"].toString(), QString("The file is not a PDF document."));
    QCOMPARE(lines[2]["status"].toString(), QString("converted"));

    // A second run appends.
    QCOMPARE(runCommand({"--quiet", "--output", folder, "--report", report, good}).exitCode, 0);
    QCOMPARE(reportLines(QString::fromUtf8(readAll(report))).size(), 4);
}

void TestReport::reportToStandardOutput() {
    QTemporaryDir out;
    const QString pdf = TestPaths::corpusFile("minimal-document.pdf");
    const CommandRun run = runCommand(
        {"--method", "gflax", "--pages", "1", "--output", out.path(), "--report", "-", pdf});
    QCOMPARE(run.exitCode, 0);
    const QList<QJsonObject> lines = reportLines(run.output);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0]["path"].toString(), pdf);
    QCOMPARE(lines[0]["method"].toString(), QString("gflax"));
    QCOMPARE(lines[0]["options"]["pages"].toString(), QString("1"));
    QCOMPARE(lines[0]["outputs"].toArray(), QJsonArray{out.path() + "/minimal-document1.jpg"});
}

void TestReport::protectedPdfsWithAPasswordFile_data() {
    QTest::addColumn<QString>("method");
    for (const QString method : {"ghostscript", "bw", "acrobat", "gflax"})
        QTest::newRow(qPrintable(method)) << method;
}

void TestReport::protectedPdfsWithAPasswordFile() {
    QFETCH(QString, method);
    QTemporaryDir in;
    QTemporaryDir out;
    const QString pdf = in.filePath("locked.pdf");
    QVERIFY(TestFiles::makeProtected(TestPaths::corpusFile("pdflatex-4-pages.pdf"), pdf, Password));
    const QString report = out.filePath("report.jsonl");
    const CommandRun run =
        runCommand({"--method", method, "--pages", "2", "--output", out.filePath("jpg"),
                    "--password-file", "-", "--report", report, pdf},
                   "not this one\n" + Password.toUtf8() + "\n");
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!QDir(out.filePath("jpg")).entryList({"locked*.jpg"}, QDir::Files).isEmpty());
    QVERIFY(run.looks > 0);
    QCOMPARE(run.exposures, 0);
    QVERIFY(!readAll(report).contains(Password.toUtf8()));
    QVERIFY(!run.errors.contains(Password));
}

void TestReport::outputFolderIsMadeWhenMissing() {
    QTemporaryDir out;
    const QString folder = out.filePath("new/deeper");
    const CommandRun run =
        runCommand({"--quiet", "--output", folder, TestPaths::corpusFile("minimal-document.pdf")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(QFile::exists(folder + "/minimal-document1.jpg"));
    QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty()); // nothing beside it
}

void TestReport::outputThatIsAFileIsAUsageError() {
    QTemporaryDir out;
    const QString file = out.filePath("taken");
    QVERIFY(TestFiles::writeFile(file, "x"));
    const CommandRun run =
        runCommand({"--output", file, TestPaths::corpusFile("minimal-document.pdf")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.errors.contains("is not a folder"));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"taken"});
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
