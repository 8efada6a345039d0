#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "convert/Procedures.h"
#include "filelist/FileListModel.h"
#include "protocol/Automation.h"
#include "support/RecordingUserInterface.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(Fault)

namespace {

class GflAxWindow : public DriverWindow {
public:
    ConversionMethod method = ConversionMethod::GflAx;
    MousePointer pointer = MousePointer::Default;
    std::optional<ConversionMethod> selectedMethod() const override { return method; }
    void setProgress(float) override {}
    MousePointer windowPointer() const override { return pointer; }
    void setWindowPointer(MousePointer p) override { pointer = p; }
};

// A program folder whose registration sends every class to the stand-in server.
bool registerFakeServer(const QTemporaryDir& program) {
    QFile ini(program.filePath("components.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    const QByteArray server(PAGEKILN_FAKE_SERVER);
    ini.write("GflAx.GflAx=" + server + "\nAcroExch.app=" + server + "\nAcroExch.PDDoc=" + server +
              "\n");
    return true;
}

} // namespace

class TestFaultIsolation : public QObject {
    Q_OBJECT
private slots:
    void init();
    void serverDyingInLoadBitmapFailsOnlyThatPdf();
    void serverThatNeverAnswersFailsOnlyThatPdf();
    void exitFailingAfterExportKeepsTheImages();
    void protocolFaults_data();
    void protocolFaults();
    void serverDyingMidSaveLeavesNoTemporaryFile();
    void quittingFailsAPendingCallAtOnce(); // last: the application stays quitting

private:
    QStringList runBatch(const QStringList& pdfs, ConversionMethod method);
    std::unique_ptr<QTemporaryDir> m_program;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<AutomationHost> m_host;
    RecordingUserInterface m_ui;
};

void TestFaultIsolation::init() {
    m_program = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    QVERIFY(registerFakeServer(*m_program));
    m_host = std::make_unique<AutomationHost>(m_program->path());
    m_ui.messages.clear();
    m_ui.details.clear();
}

QStringList TestFaultIsolation::runBatch(const QStringList& pdfs, ConversionMethod method) {
    FixedConversionView view(m_out->path() + '/', "144", "2");
    ConversionContext context{view, m_ui, m_program->path(), {}, m_host.get()};
    FileListModel list;
    list.append(pdfs);
    GflAxWindow window;
    window.method = method;
    BatchDriver driver(list, window, context);
    driver.run();
    return m_ui.messageTexts();
}

void TestFaultIsolation::serverDyingInLoadBitmapFailsOnlyThatPdf() {
    const QStringList messages =
        runBatch({"/in/good.pdf", "/in/crash.pdf", "/in/after.pdf"}, ConversionMethod::GflAx);
    QCOMPARE(messages, (QStringList{"Could not create JPG on /in/crash.pdf", "Done."}));
    QCOMPARE(QDir(m_out->path()).entryList({"*.jpg"}, QDir::Files),
             (QStringList{"after1.jpg", "after2.jpg", "good1.jpg", "good2.jpg"}));
}

// The hung PDF costs one call limit, not one per page or per retry: the server sees it once.
void TestFaultIsolation::serverThatNeverAnswersFailsOnlyThatPdf() {
    m_host->setCallTimeout(500ms);
    const QString log = m_program->filePath("loads");
    qputenv("PAGEKILN_FAKE_SERVER_LOG", QFile::encodeName(log));
    const QStringList messages =
        runBatch({"/in/hang.pdf", "/in/after.pdf"}, ConversionMethod::GflAx);
    qunsetenv("PAGEKILN_FAKE_SERVER_LOG");
    QCOMPARE(messages, (QStringList{"Could not create JPG on /in/hang.pdf", "Done."}));
    QVERIFY2(m_ui.details.first().contains("gave no answer within"),
             qPrintable(m_ui.details.first()));
    QFile loads(log);
    QVERIFY(loads.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(loads.readAll()).split('\n', Qt::SkipEmptyParts),
             (QStringList{"/in/hang.pdf", "/in/after.pdf", "/in/after.pdf"}));
    QCOMPARE(QDir(m_out->path()).entryList({"*.jpg"}, QDir::Files),
             (QStringList{"after1.jpg", "after2.jpg"}));
}

void TestFaultIsolation::exitFailingAfterExportKeepsTheImages() {
    const QStringList messages = runBatch({"/in/Annual.Report.pdf"}, ConversionMethod::Acrobat);
    QCOMPARE(messages, (QStringList{"Unable to create PDF with Adobe Acrobat Pro. Do you have "
                                    "Adobe Acrobat Pro (pay version) installed?",
                                    "Done."}));
    QVERIFY(QFile::exists(m_out->filePath("Annual.jpg")));
}

void TestFaultIsolation::protocolFaults_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("text");
    QTest::newRow("library prints on standard output") << "/in/chatter.pdf" << Fault::None << "";
    QTest::newRow("answer is not JSON")
        << "/in/garble.pdf" << Fault::BadAnswer << "a library talking";
    QTest::newRow("server dies") << "/in/crash.pdf" << Fault::ServerDied
                                 << "The imaging component stopped unexpectedly (signal 9).";
    QTest::newRow("server hangs") << "/in/hang.pdf" << Fault::TimedOut << "no answer within 1 s";
}

// Whatever goes wrong between client and server, the call ends with a code that says what,
// and an unreadable answer ends it at once rather than at the call limit.
void TestFaultIsolation::protocolFaults() {
    QFETCH(QString, path);
    QFETCH(Fault, fault);
    QFETCH(QString, text);
    m_host->setCallTimeout(fault == Fault::TimedOut ? 1s : 600s);
    AutomationReply reply;
    AutomationObject gflax = m_host->createObject("GflAx.GflAx", reply);
    QVERIFY(reply.ok());
    reply = gflax.call("LoadBitmap", {path});
    QCOMPARE(reply.fault, fault);
    QVERIFY2(reply.error.contains(text), qPrintable(reply.error));
    // The next object works either way.
    AutomationObject next = m_host->createObject("GflAx.GflAx", reply);
    QVERIFY(next.call("LoadBitmap", {"/in/good.pdf"}).ok());
}

// A server that dies while writing under a temporary name: the client removes that file.
void TestFaultIsolation::serverDyingMidSaveLeavesNoTemporaryFile() {
    AutomationReply reply;
    AutomationObject gflax = m_host->createObject("GflAx.GflAx", reply);
    QVERIFY(gflax.call("LoadBitmap", {"/in/good.pdf"}).ok());
    reply = gflax.call("saveBitmap", {m_out->filePath("die-saving1.jpg")});
    QCOMPARE(reply.fault, Fault::ServerDied);
    QCOMPARE(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestFaultIsolation::quittingFailsAPendingCallAtOnce() {
    AutomationReply reply;
    AutomationObject gflax = m_host->createObject("GflAx.GflAx", reply);
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    reply = gflax.call("LoadBitmap", {"/in/hang.pdf"});
    QCOMPARE(reply.fault, Fault::Interrupted);
    QCOMPARE(gflax.call("LoadBitmap", {"/in/good.pdf"}).fault, Fault::ServerDied);
}

QTEST_GUILESS_MAIN(TestFaultIsolation)
#include "tst_faultisolation.moc"
