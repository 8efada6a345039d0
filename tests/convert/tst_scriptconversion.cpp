#include "convert/BatchFileConversion.h"
#include "convert/ConversionContext.h"
#include "convert/Procedures.h"
#include "platform/StopRequest.h"
#include "support/RecordingUserInterface.h"
#include "support/TestFiles.h"

#include "convert/ConversionOutcome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

// The conversion steps around the script, driven with stand-in scripts so every path through
// them can be forced: what the script sees, how images are numbered and copied, what happens
// when the script, the copy or the output folder fails, and what is left behind.
namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

// The output folder text as the window would give it, counting how often it is read.
class CountingView : public ConversionView {
public:
    explicit CountingView(QString folder) : m_folder(std::move(folder)) {}
    QString outputFolderText() const override {
        ++reads;
        return m_folder;
    }
    QString resolutionText() const override { return {}; }
    QString pagesText() const override { return {}; }
    mutable int reads = 0;

private:
    QString m_folder;
};

struct Fixture {
    QTemporaryDir root;
    QString program = root.filePath("program");
    QString work = root.filePath("work");
    QString out = root.filePath("out") + '/';
    QString input = root.filePath("in");
    RecordingUserInterface ui;

    Fixture() {
        QDir dir(root.path());
        for (const char* name : {"program/ps", "program/bw", "work", "out", "in"})
            dir.mkpath(name);
    }
    void script(const QString& relative, const QByteArray& body) const {
        const QString path = program + '/' + relative;
        writeFile(path, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    }
    QString pdf(const QString& name, const QByteArray& content = "%PDF-1.4 fake\n") const {
        const QString path = input + '/' + name;
        writeFile(path, content);
        return path;
    }
    bool workIsEmpty() const {
        for (const char* sub : {"ps", "bw"}) {
            const QDir dir(work + '/' + sub);
            if (dir.exists() &&
                !dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
                return false;
        }
        return true;
    }
    QStringList outputs() const { return QDir(out).entryList(QDir::Files, QDir::Name); }
};

// Writes page files current1.jpg .. currentN.jpg, each holding its page number.
QByteArray pagesScript(int count) {
    return QByteArray("i=1\nwhile [ $i -le ") + QByteArray::number(count) +
           " ]; do echo page$i > current$i.jpg; i=$((i+1)); done\nrm -f current.pdf\n";
}

// Runs the conversion with PAGEKILN_SCRIPT_IDLE_SECONDS set; with stopOnMarker, a stop is
// requested as soon as the script has written the file "marker" beside the working folder.
ConversionOutcome convertWith(const QString& pdf, ConversionContext& context,
                              const ScriptMethod& method, const QByteArray& idleSeconds,
                              const QString& marker) {
    qputenv("PAGEKILN_SCRIPT_IDLE_SECONDS", idleSeconds);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QFile::exists(marker))
            requestStop();
    });
    if (!marker.isEmpty())
        watch.start(10);
    const ConversionOutcome outcome = convertThroughScript(pdf, context, method);
    watch.stop();
    clearStopRequest();
    qunsetenv("PAGEKILN_SCRIPT_IDLE_SECONDS");
    return outcome;
}

} // namespace

class TestScriptConversion : public QObject {
    Q_OBJECT
private slots:
    void imagesNumberedInListingOrder();
    void scriptSeesOnlyTheWorkingCopy();
    void leftOverWorkingCopyIsReplaced();
    void scriptThatKeepsTheCopyEndsTheWait();
    void missingScriptCountsAsNotConverted();
    void unreadablePdfCountsAsNotConverted();
    void missingOutputFolderCountsAsNotConverted();
    void noWorkFolderCountsAsNotConverted();
    void failedCopyIsNotReportedAsSuccess();
    void existingOutputIsReplaced();
    void folderWithoutSeparatorGetsOne();
    void outputFolderReadForEveryImage();
    void busyPointerThenDefault();
    void blackWhiteCollectsImageFolder();
    void faults_data();
    void faults();
    void lostPages_data();
    void lostPages();
    void scriptEndingsGiveReasons_data();
    void scriptEndingsGiveReasons();
};

void TestScriptConversion::imagesNumberedInListingOrder() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(12));
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    QVERIFY(ConvertWithGhostscript(f.pdf("Invoice.pdf"), context).jpgCreated());
    QCOMPARE(f.outputs().size(), 12);
    for (int page = 1; page <= 12; ++page)
        QCOMPARE(readAll(f.out + QStringLiteral("Invoice-%1.jpg").arg(page, 3, 10, QChar('0'))),
                 "page" + QByteArray::number(page) + "\n");
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::scriptSeesOnlyTheWorkingCopy() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", "seen=$(echo \"$#\"; ls -A; cat current.pdf)\n"
                               "printf '%s\\n' \"$seen\" > current1.jpg\n"
                               "rm -f current.pdf\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    QVERIFY(ConvertWithGhostscript(f.pdf("-n $x `y` \"q\"\nz.pdf", "%PDF body\n"), context)
                .jpgCreated());
    QCOMPARE(readAll(f.out + "-n $x `y` \"q\"\nz-001.jpg"), "0\ncurrent.pdf\n%PDF body\n");
}

void TestScriptConversion::leftOverWorkingCopyIsReplaced() {
    Fixture f;
    QDir().mkpath(f.work + "/ps");
    writeFile(f.work + "/ps/current.pdf", "stale");
    f.script("ps/pdf2tiff.sh", "cp current.pdf current1.jpg\nrm -f current.pdf\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf", "fresh"), context);
    QCOMPARE(readAll(f.out + "a-001.jpg"), "fresh");
}

void TestScriptConversion::scriptThatKeepsTheCopyEndsTheWait() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", "exit 0\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    const ConversionOutcome outcome =
        convertThroughScript(f.pdf("a.pdf"), context, ghostscriptMethod());
    QCOMPARE(outcome.reason, ReasonCode::Damaged);
    QVERIFY(!outcome.jpgCreated());
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::missingScriptCountsAsNotConverted() {
    Fixture f;
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    const ConversionOutcome outcome =
        convertThroughScript(f.pdf("a.pdf"), context, ghostscriptMethod());
    QCOMPARE(outcome.reason, ReasonCode::ComponentMissing);
    QVERIFY(!outcome.jpgCreated());
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::unreadablePdfCountsAsNotConverted() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    const ConversionOutcome outcome =
        convertThroughScript(f.input + "/absent.pdf", context, ghostscriptMethod());
    QCOMPARE(outcome.reason, ReasonCode::Missing);
    QVERIFY(!outcome.jpgCreated());
    QCOMPARE(convertThroughScript(f.input, context, ghostscriptMethod()).reason,
             ReasonCode::NotRegular);
    QVERIFY(f.outputs().isEmpty());
}

void TestScriptConversion::missingOutputFolderCountsAsNotConverted() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(2));
    FixedConversionView view(f.root.filePath("nowhere/"), {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    const ConversionOutcome outcome =
        convertThroughScript(f.pdf("a.pdf"), context, ghostscriptMethod());
    QCOMPARE(outcome.reason, ReasonCode::NoOutputFolder);
    QVERIFY(!outcome.jpgCreated());
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::noWorkFolderCountsAsNotConverted() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, QString()};
    const ConversionOutcome outcome =
        convertThroughScript(f.pdf("a.pdf"), context, ghostscriptMethod());
    QCOMPARE(outcome.reason, ReasonCode::Internal);
    QVERIFY(!outcome.jpgCreated());
    QVERIFY(f.outputs().isEmpty());
    QCOMPARE(f.ui.applicationPointers.last(), MousePointer::Default);
}

void TestScriptConversion::failedCopyIsNotReportedAsSuccess() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    QVERIFY(QDir(f.out).mkdir("a-001.jpg")); // a folder blocks the only image
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    QVERIFY(!ConvertWithGhostscript(f.pdf("a.pdf"), context).jpgCreated());
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::existingOutputIsReplaced() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    writeFile(f.out + "a-001.jpg", "old image, much longer than the new one");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    QVERIFY(ConvertWithGhostscript(f.pdf("a.1.pdf"), context).jpgCreated());
    QCOMPARE(readAll(f.out + "a-001.jpg"), "page1\n");
    QCOMPARE(f.outputs(), QStringList{"a-001.jpg"}); // no temporary left behind
}

void TestScriptConversion::folderWithoutSeparatorGetsOne() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    FixedConversionView view(f.root.filePath("out"), {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QCOMPARE(f.outputs(), QStringList{"a-001.jpg"});
    QVERIFY(!QFile::exists(f.root.filePath("outa-001.jpg")));

    FixedConversionView prefixView(f.out + "run7_", {}, {});
    ConversionContext prefixed{prefixView, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("b.pdf"), prefixed);
    QVERIFY(QFile::exists(f.out + "run7_b-001.jpg"));
}

void TestScriptConversion::outputFolderReadForEveryImage() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(3));
    CountingView view(f.out);
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QCOMPARE(view.reads, 3);
}

void TestScriptConversion::busyPointerThenDefault() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QVERIFY(f.ui.applicationPointers.size() >= 2);
    QCOMPARE(f.ui.applicationPointers.first(), MousePointer::Hourglass);
    QCOMPARE(f.ui.applicationPointers.last(), MousePointer::Default);
    QCOMPARE(f.ui.applicationPointers.count(MousePointer::Default), 1);
    QVERIFY(f.ui.messages.isEmpty());
}

void TestScriptConversion::blackWhiteCollectsImageFolder() {
    Fixture f;
    f.script("bw/convert.sh", "mkdir current\necho one > current/x.jpg\necho two > "
                              "current/y.JPG\necho note > current/notes.txt\nrm current.pdf\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    QVERIFY(ConvertBlackWhite(f.pdf("Scan 7.pdf"), context).jpgCreated());
    QCOMPARE(f.outputs(), (QStringList{"Scan 7-001.jpg", "Scan 7-002.jpg"}));
    QCOMPARE(readAll(f.out + "Scan 7-002.jpg"), "two\n");
    QVERIFY(!QFileInfo::exists(f.work + "/bw/current"));
    QVERIFY(f.workIsEmpty());
}

// What the script leaves, and what Ghostscript wrote to its messages, decide the reason.
void TestScriptConversion::scriptEndingsGiveReasons_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<ReasonCode>("code");
    QTest::addColumn<QString>("detail");
    QTest::newRow("failed with messages")
        << QByteArray("printf '   **** Error: something broke.\\nGPL Ghostscript 10.00.0: "
                      "Unrecoverable error, exit code 1\\n' > messages.txt\nexit 1\n")
        << ReasonCode::ConverterFailed << "Ghostscript failed: something broke.";
    QTest::newRow("failed silently") << QByteArray("exit 3\n") << ReasonCode::ConverterFailed
                                     << "Ghostscript failed with exit status 3.";
    QTest::newRow("password notice")
        << QByteArray("printf '   **** This file requires a password for access.\\n"
                      "   **** Error: Couldn'\\''t initialise file.\\n' > messages.txt\n")
        << ReasonCode::Password << "The PDF needs a password.";
    QTest::newRow("no page rendered")
        << QByteArray("printf '   **** Error: Couldn'\\''t initialise file.\\n"
                      "               Output may be incorrect.\\n' > messages.txt\n")
        << ReasonCode::Damaged << "The PDF is damaged: Couldn't initialise file.";
    QTest::newRow("killed") << QByteArray("kill -SEGV $$\n") << ReasonCode::ComponentDied
                            << "Ghostscript stopped unexpectedly (signal 11).";
}

void TestScriptConversion::scriptEndingsGiveReasons() {
    QFETCH(QByteArray, body);
    QFETCH(ReasonCode, code);
    QFETCH(QString, detail);
    Fixture f;
    f.script("ps/pdf2tiff.sh", body);
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    const ConversionOutcome outcome = ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QCOMPARE(outcome.reason, code);
    QCOMPARE(outcome.detail, detail);
    QCOMPARE(outcome.status, ConversionStatus::Failed);
    QVERIFY(f.workIsEmpty()); // the messages go with the rest
}

void TestScriptConversion::lostPages_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("pages");
    QTest::addColumn<ConversionStatus>("status");
    QTest::addColumn<ReasonCode>("code");
    const QByteArray whole = "printf '\\377\\330 page \\377\\331' > current%1.jpg\n";
    const QByteArray cut = "printf '\\377\\330 half' > current%1.jpg\n";
    const QByteArray missing = "printf '   **** Error: Page drawing error occurred.\\n"
                               "               Could not draw this page at all, page will be "
                               "missing in the output.\\n' > messages.txt\n";
    const auto page = [](const QByteArray& form, int n) {
        return QByteArray(form).replace("%1", QByteArray::number(n));
    };
    QTest::newRow("every page whole")
        << page(whole, 1) + page(whole, 2) << 2 << ConversionStatus::Converted << ReasonCode::None;
    QTest::newRow("the second page cut short")
        << page(whole, 1) + page(cut, 2) + missing << 1 << ConversionStatus::Partial
        << ReasonCode::ConverterFailed;
    QTest::newRow("a page left out, said so")
        << page(whole, 1) + page(whole, 2) + missing << 2 << ConversionStatus::Partial
        << ReasonCode::ConverterFailed;
    QTest::newRow("an empty first page") << QByteArray(": > current1.jpg\n") + page(whole, 2) << 0
                                         << ConversionStatus::Failed << ReasonCode::ConverterFailed;
}

// Ghostscript ends with success when it could not draw or write a page: the pages cut short
// never reach the output folder, and the PDF is not converted.
void TestScriptConversion::lostPages() {
    QFETCH(QByteArray, body);
    QFETCH(int, pages);
    QFETCH(ConversionStatus, status);
    QFETCH(ReasonCode, code);
    Fixture f;
    f.script("ps/pdf2tiff.sh", body + "rm -f current.pdf\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    const ConversionOutcome outcome = ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.reason, code);
    QCOMPARE(outcome.pagesWritten, pages);
    QCOMPARE(f.outputs().size(), pages);
    for (const QString& name : f.outputs())
        QVERIFY2(readAll(f.out + name).endsWith("\xFF\xD9"), qPrintable(name));
    QVERIFY(f.workIsEmpty());
}

// A sleeper the script leaves in its process group, to see that the group is ended.
static const QByteArray HangingScript = "sleep 1000 &\necho $! > ../sleeper.pid\n"
                                        "echo > ../marker\nwait\n";

void TestScriptConversion::faults_data() {
    QTest::addColumn<QString>("script"); // relative to the program folder
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("fifo");       // the input is a FIFO named like a PDF
    QTest::addColumn<QByteArray>("idle"); // idle limit in seconds
    QTest::addColumn<bool>("stop");       // a stop request comes while the script runs
    QTest::addColumn<ReasonCode>("code");
    QTest::addColumn<int>("images");

    const QByteArray slowPages = "i=1\nwhile [ $i -le 40 ]; do echo p > current$i.jpg; "
                                 "sleep 0.05; i=$((i+1)); done\n";
    QTest::newRow("script without its execute bit")
        << "ps/pdf2tiff.sh" << pagesScript(2) << false << false << QByteArray("300") << false
        << ReasonCode::None << 2;
    QTest::newRow("FIFO, Ghostscript") << "ps/pdf2tiff.sh" << pagesScript(2) << true << true
                                       << QByteArray("300") << false << ReasonCode::NotRegular << 0;
    QTest::newRow("FIFO, black and white")
        << "bw/convert.sh" << QByteArray("mkdir current\necho p > current/x.jpg\n") << true << true
        << QByteArray("300") << false << ReasonCode::NotRegular << 0;
    QTest::newRow("hanging script ended by the idle limit")
        << "ps/pdf2tiff.sh" << HangingScript << true << false << QByteArray("0.3") << false
        << ReasonCode::ComponentTimedOut << 0;
    QTest::newRow("stopped script ended by the idle limit")
        << "ps/pdf2tiff.sh" << QByteArray("echo $$ > ../sleeper.pid\nkill -STOP $$\n") << true
        << false << QByteArray("0.3") << false << ReasonCode::ComponentTimedOut << 0;
    QTest::newRow("pages keep coming: longer than the limit, never cut")
        << "ps/pdf2tiff.sh" << slowPages << true << false << QByteArray("1") << false
        << ReasonCode::None << 40;
    QTest::newRow("stop request ends the script and its group; whole pages kept")
        << "ps/pdf2tiff.sh"
        << "echo p > current1.jpg\necho p > current2.jpg\necho half > current3.jpg\n" +
               HangingScript
        << true << false << QByteArray("300") << true << ReasonCode::Interrupted << 2;
}

void TestScriptConversion::faults() {
    QFETCH(QString, script);
    QFETCH(QByteArray, body);
    QFETCH(bool, executable);
    QFETCH(bool, fifo);
    QFETCH(QByteArray, idle);
    QFETCH(bool, stop);
    QFETCH(ReasonCode, code);
    QFETCH(int, images);
    Fixture f;
    f.script(script, body);
    if (!executable)
        QFile::setPermissions(f.program + '/' + script, QFileDevice::ReadOwner);
    QString pdf = f.pdf("a.pdf");
    if (fifo) {
        pdf = f.input + "/pipe.pdf";
        QCOMPARE(::mkfifo(QFile::encodeName(pdf).constData(), 0600), 0);
    }
    const ScriptMethod& method =
        script.startsWith("bw/") ? blackWhiteMethod() : ghostscriptMethod();
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    const ConversionOutcome outcome =
        convertWith(pdf, context, method, idle, stop ? f.work + "/marker" : QString());
    QCOMPARE(outcome.reason, code);
    QCOMPARE(f.outputs().size(), images);
    for (const QString& name : f.outputs())
        QVERIFY2(readAll(f.out + name) != "half\n", qPrintable(name)); // never a page cut short
    QCOMPARE(outcome.jpgCreated(), images > 0);
    QVERIFY(f.workIsEmpty());
    QFile sleeper(f.work + "/sleeper.pid");
    if (sleeper.open(QIODevice::ReadOnly)) // whatever the script left running has ended
        QTRY_VERIFY(!TestFiles::processRuns(sleeper.readAll().trimmed().toLongLong()));
}

QTEST_GUILESS_MAIN(TestScriptConversion)
#include "tst_scriptconversion.moc"
