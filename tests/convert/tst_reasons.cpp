#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "convert/MethodTable.h"
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
}

void TestReasons::fullDiskMakesAPartialPdf_data() {
    QTest::addColumn<QString>("method");
    QTest::newRow("ghostscript") << "ghostscript";
    QTest::newRow("gflax") << "gflax";
}

// A disk that has room for the first page only: that page stays, the PDF is partial, the
// warning names the pages written and the full disk, and no part of the second page is left.
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
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", firstName}));
}

QTEST_GUILESS_MAIN(TestReasons)
#include "tst_reasons.moc"
