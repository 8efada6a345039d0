#include "convert/BatchDriver.h"
#include "convert/ComponentReasons.h"
#include "convert/ConversionContext.h"
#include "convert/MethodTable.h"
#include "convert/PasswordAttempts.h"
#include "filelist/FileListModel.h"
#include "protocol/Automation.h"
#include "support/MethodWindow.h"
#include "support/RecordingUserInterface.h"
#include "support/TestFiles.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/statvfs.h>

// Every broken input, through every method, gives its own reason; a fault after some pages
// makes the PDF partial.
namespace {

const QString Password = QStringLiteral("pa ss\"w\\x");

// A program folder whose converters all die by a signal at once, or never answer.
void makeFaultyProgramFolder(const QString& folder, bool hanging) {
    QDir().mkpath(folder + "/ps");
    QDir().mkpath(folder + "/bw");
    const QByteArray dying = hanging ? "#!/bin/sh\nread request\nexec sleep 600\n"
                                     : "#!/bin/sh\nread request\nkill -KILL $$\n";
    for (const char* script : {"/ps/pdf2tiff.sh", "/bw/convert.sh", "/dying-server"}) {
        TestFiles::writeFile(folder + script, dying);
        QFile::setPermissions(folder + script, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
    }
    TestFiles::writeFile(folder + "/components.ini", "GflAx.GflAx=dying-server\n"
                                                     "AcroExch.app=dying-server\n"
                                                     "AcroExch.PDDoc=dying-server\n");
}

} // namespace

class TestReasons : public QObject {
    Q_OBJECT
private slots:
    void reasonOfEachBrokenInput_data();
    void reasonOfEachBrokenInput();
    void fullDiskMakesAPartialPdf_data();
    void fullDiskMakesAPartialPdf();
    void reasonTexts_data();
    void reasonTexts();
};

void TestReasons::reasonOfEachBrokenInput_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("code");
    const QList<QPair<QString, QString>> kinds{
        {"not a PDF", "not-pdf"},
        {"empty", "not-pdf"},
        {"damaged", "damaged"},
        {"password needed", "password"},
        {"wrong password", "password-wrong"},
        {"missing file", "missing"},
        {"missing output folder", "no-output-folder"},
        {"read-only output folder", "write-denied"},
        {"component missing", "component-missing"},
        {"component killed", "component-died"},
    };
    for (const QString method : {"ghostscript", "bw", "acrobat", "gflax"}) {
        for (const auto& [kind, code] : kinds)
            QTest::newRow(qPrintable(method + ": " + kind)) << method << kind << code;
    }
    // The component servers' calls are bounded in time; the scripts' are not.
    QTest::newRow("acrobat: component hung") << "acrobat"
                                             << "component hung"
                                             << "component-timed-out";
    QTest::newRow("gflax: component hung") << "gflax"
                                           << "component hung"
                                           << "component-timed-out";
    // Only the imaging method takes a resolution that can make a page too large for JPEG.
    QTest::newRow("gflax: page too large") << "gflax"
                                           << "page too large"
                                           << "too-large";
    QTest::newRow("gflax: page billions of pixels high") << "gflax"
                                                         << "page billions of pixels high"
                                                         << "too-large";
}

void TestReasons::reasonOfEachBrokenInput() {
    QFETCH(QString, method);
    QFETCH(QString, kind);
    QFETCH(QString, code);
    QTemporaryDir root;
    const QString in = root.filePath("in/");
    QString out = root.filePath("out/");
    QString program = TestPaths::programFolder();
    QDir().mkpath(in);
    QDir().mkpath(out);
    QDir().mkpath(root.filePath("work"));
    QString pdf = in + "report.pdf";
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), pdf));
    QString resolution = "72";
    QString password;
    std::unique_ptr<TestFiles::ReadOnlyFolder> readOnly;

    if (kind == "not a PDF") {
        QFile::remove(pdf);
        QVERIFY(TestFiles::writeFile(pdf, "Dear customer,\nplease find attached\n"));
    } else if (kind == "empty") {
        QFile::remove(pdf);
        QVERIFY(TestFiles::writeFile(pdf, {}));
    } else if (kind == "damaged") {
        QFile::remove(pdf);
        QVERIFY(TestFiles::writeFile(pdf, "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\ngarbage\n"));
    } else if (kind == "password needed" || kind == "wrong password") {
        QFile::remove(pdf);
        QVERIFY(
            TestFiles::makeProtected(TestPaths::corpusFile("minimal-document.pdf"), pdf, Password));
        if (kind == "wrong password")
            password = "not it";
    } else if (kind == "missing file") {
        pdf = in + "absent.pdf";
    } else if (kind == "missing output folder") {
        out = root.filePath("nowhere/");
    } else if (kind == "read-only output folder") {
        out = root.filePath("closed/");
        readOnly = std::make_unique<TestFiles::ReadOnlyFolder>(out);
        if (!readOnly->ready())
            QSKIP("no way to make a folder that cannot be written here");
    } else if (kind == "component missing") {
        program = root.filePath("empty-program");
        QDir().mkpath(program);
    } else if (kind == "component killed") {
        program = root.filePath("dying-program");
        makeFaultyProgramFolder(program, false);
    } else if (kind == "component hung") {
        program = root.filePath("hanging-program");
        makeFaultyProgramFolder(program, true);
    } else if (kind == "page too large") {
        QFile::remove(pdf);
        QVERIFY(TestFiles::writeFile(pdf, TestFiles::pdfWithPage(5000, 300)));
        resolution = "1152";
    } else if (kind == "page billions of pixels high") {
        QFile::remove(pdf);
        QVERIFY(TestFiles::writeFile(pdf, TestFiles::pdfWithPage(595, 2147483647)));
        resolution = "144";
    }

    RecordingUserInterface ui;
    AutomationHost host(program);
    if (kind == "component hung")
        host.setCallTimeout(std::chrono::milliseconds(300)); // never answers anyway
    FixedConversionView view(out, resolution, "1");
    ConversionContext context{view, ui, program, root.filePath("work"), &host};
    context.password = password;
    const ConversionOutcome outcome =
        MethodTable::standard()[*methodFromName(method)].procedure(pdf, context);
    QCOMPARE(codeName(outcome.reason), code);
    QCOMPARE(outcome.status, ConversionStatus::Failed);
    QVERIFY(!outcome.jpgCreated());
    QVERIFY2(outcome.detail.size() > 10 && !outcome.detail.contains("unknown"),
             qPrintable(outcome.detail));
    if (code == "password")
        QCOMPARE(outcome.detail, QString("The PDF needs a password."));
    if (code == "no-output-folder")
        QVERIFY(outcome.detail.contains(out));
    QVERIFY(!outcome.detail.contains(Password));
    // Sizes are plain integers, and each sentence ends with one full stop.
    QVERIFY2(!outcome.detail.contains("e+") && !outcome.detail.contains(".."),
             qPrintable(outcome.detail));
}

void TestReasons::fullDiskMakesAPartialPdf_data() {
    QTest::addColumn<QString>("method");
    QTest::newRow("ghostscript") << "ghostscript";
    QTest::newRow("gflax") << "gflax";
    QTest::newRow("acrobat") << "acrobat"; // pages of one call: the component says which
}

// A disk that has room for the first page only: that page stays, the PDF is partial, the
// warning names the pages written, the full disk and the page file that did not fit, and no
// part of the second page is left. A full disk is no fault of the component: no message says
// how to install it.
void TestReasons::fullDiskMakesAPartialPdf() {
    QFETCH(QString, method);
    const ConversionMethod chosen = *methodFromName(method);
    QTemporaryDir root;
    const QString out = root.filePath("disk/");
    TestFiles::SmallDisk disk(out, "1m");
    if (!disk.mounted())
        QSKIP("mounting a small disk needs root");
    // Convert once elsewhere to learn the first page's size, then fill the disk until only a
    // little more than that fits.
    QTemporaryDir probe;
    FixedConversionView probeView(probe.path() + '/', "72", "4");
    RecordingUserInterface ui;
    QDir().mkpath(root.filePath("work"));
    AutomationHost host(TestPaths::programFolder());
    ConversionContext probeContext{probeView, ui, TestPaths::programFolder(), root.filePath("work"),
                                   &host};
    const QString pdf = TestPaths::corpusFile("pdflatex-4-pages.pdf");
    const ConversionOutcome probed = MethodTable::standard()[chosen].procedure(pdf, probeContext);
    QCOMPARE(probed.pagesWritten, 4);
    const QString firstName = QFileInfo(probed.outputs.first()).fileName();
    const qint64 firstPage = QFileInfo(probed.outputs.first()).size();
    struct statvfs space {};
    QCOMPARE(::statvfs(QFile::encodeName(out).constData(), &space), 0);
    const qint64 free = static_cast<qint64>(space.f_bavail) * static_cast<qint64>(space.f_frsize);
    QVERIFY(TestFiles::writeFile(out + "filler", QByteArray(free - firstPage - 4096, 'x')));

    FileListModel list;
    list.append(QStringList{pdf});
    MethodWindow window(chosen);
    FixedConversionView view(out, "72", "4");
    ConversionContext context{view, ui, TestPaths::programFolder(), root.filePath("work"), &host};
    BatchDriver driver(list, window, context);
    QList<ConversionOutcome> outcomes;
    connect(
        &driver, &BatchDriver::entryOutcome, this,
        [&](int, const QString&, const ConversionOutcome& outcome) { outcomes.append(outcome); });
    driver.run();
    QCOMPARE(outcomes.size(), 1);
    QCOMPARE(outcomes.first().status, ConversionStatus::Partial);
    QCOMPARE(outcomes.first().reason, ReasonCode::DiskFull);
    QCOMPARE(outcomes.first().outputs, QStringList{out + firstName});
    QCOMPARE(ui.messageTexts(), (QStringList{"Could not create JPG on " + pdf, "Done."}));
    QCOMPARE(ui.messages.first().caption, QString("Could not create JPG"));
    QVERIFY(ui.details.first().startsWith("Only 1 page was written"));
    QVERIFY(ui.details.first().contains("No space left on the device"));
    const QString secondName = QFileInfo(probed.outputs.at(1)).fileName();
    QVERIFY2(ui.details.first().contains(out + secondName), qPrintable(ui.details.first()));
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", firstName}));
}

void TestReasons::reasonTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const ComponentCallSite site{
        "imaging component", "GflAx.GflAx", "/in/a.pdf", "/out/", "/out/a_Page_3.jpg", 60};
    const auto reason = [&site](Fault fault, const QString& error, ServerEnd end = {}) {
        return reasonOfReply(AutomationReply::failed(fault, error, end), site).text;
    };
    // The components' texts do not repeat what the reason says before them.
    QTest::newRow("damaged page") << reason(Fault::Damaged, "page 2 cannot be read: no font.")
                                  << "The PDF is damaged: page 2 cannot be read: no font.";
    QTest::newRow("damaged, text without a full stop")
        << reason(Fault::Damaged, "it has no pages") << "The PDF is damaged: it has no pages.";
    QTest::newRow("memory") << reason(Fault::Memory,
                                      "page 1 needs more than the memory budget of 64 MB, and "
                                      "Ghostscript did not finish the page.")
                            << "The imaging component ran out of memory: page 1 needs more than "
                               "the memory budget of 64 MB, and Ghostscript did not finish the "
                               "page.";
    QTest::newRow("killed") << reason(Fault::ServerDied, "The imaging component stopped.",
                                      {ServerEnd::Kind::Signal, 9})
                            << "The imaging component stopped unexpectedly (signal 9).";
    QTest::newRow("exited") << reason(Fault::ServerDied, "The imaging component stopped.",
                                      {ServerEnd::Kind::ExitStatus, 3})
                            << "The imaging component stopped unexpectedly (exit status 3).";
    QTest::newRow("full disk names the page file")
        << reason(Fault::DiskFull, "No space left on device.")
        << "No space left on the device writing /out/a_Page_3.jpg.";
    QTest::newRow("quoted text ending in a full stop")
        << reason(Fault::BadArgument, "  Quality must be 1 to 100. ")
        << "The imaging component refused the settings: Quality must be 1 to 100.";
    // A partial PDF says how many pages once, and why once.
    ConversionOutcome stopped;
    stopped.addOutput("/out/a1.jpg");
    stopped.addOutput("/out/a2.jpg");
    stopped.fail(ReasonCode::Interrupted, runStopped().text);
    QTest::newRow("stopped part way") << outcomeSummary(stopped.settle())
                                      << "Only 2 pages were written before the run was stopped.";
    ConversionOutcome full;
    full.addOutput("/out/a1.jpg");
    full.fail(ReasonCode::DiskFull, "No space left on the device writing /out/a2.jpg.");
    QTest::newRow("full disk part way")
        << outcomeSummary(full.settle())
        << "Only 1 page was written, then the conversion stopped. No space left on the device "
           "writing /out/a2.jpg.";
    // The password box names the PDF once.
    QTest::newRow("password asked") << passwordQuestion("/in/a.pdf", false)
                                    << "/in/a.pdf is protected by a password.\nPassword:";
    QTest::newRow("password asked again") << passwordQuestion("/in/a.pdf", true)
                                          << "The password was not accepted.\nPassword for "
                                             "/in/a.pdf:";
}

void TestReasons::reasonTexts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

QTEST_GUILESS_MAIN(TestReasons)
#include "tst_reasons.moc"
