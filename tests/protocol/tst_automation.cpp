#include "components/TestPdfs.h"
#include "protocol/Automation.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

#include <sys/stat.h>

#include <unistd.h>

class TestAutomation : public QObject {
    Q_OBJECT
private slots:
    void pathsSurviveTheRoundTrip_data();
    void pathsSurviveTheRoundTrip();
    void unknownClassIsNotRegistered();
    void missingServerIsNotRegistered();
    void noHostMeansNothingRegistered();
    void classNamesIgnoreCase();
    void serverIsReusedBetweenObjects();
    void exitEndsTheServerAndTheNextObjectGetsAFreshOne();
    void killedServerFailsTheCallOnly();
    void eventLoopRunsDuringACall();
    void objectFromAMethod();
    void unwaitedSetFailsTheNextCall();
    void serverKilledMidSaveLeavesNothing();
    void serverCodesReachTheClient_data();
    void serverCodesReachTheClient();
};

void TestAutomation::pathsSurviveTheRoundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("newline") << "two\nlines";
    QTest::newRow("quotes") << R"(say "cheese" it's)";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Grüße – 日本語 ☃");
    QTest::newRow("shell characters") << "$HOME `date` ; | & *";
    QTest::newRow("leading dash") << "-rf";
    QTest::newRow("backslash and braces") << R"(a\b {"x":1})";
}

void TestAutomation::pathsSurviveTheRoundTrip() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString pdf = dir.filePath(name + ".pdf");
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), pdf));
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject gflax = host.createObject("GflAx.GflAx", reply);
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    QVERIFY(gflax.set("EpsDpi", 36.0).ok());
    reply = gflax.call("LoadBitmap", {pdf});
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    const QString jpg = dir.filePath(name + ".jpg");
    reply = gflax.call("saveBitmap", {jpg});
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    QVERIFY(QFile::exists(jpg));
    QCOMPARE(QDir(dir.path()).entryList({"*.jpg"}, QDir::Files), QStringList{name + ".jpg"});
}

void TestAutomation::unknownClassIsNotRegistered() {
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    const AutomationObject object = host.createObject("Word.Application", reply);
    QCOMPARE(reply.fault, Fault::NotRegistered);
    QVERIFY(!reply.ok());
    QVERIFY(!object.isValid());
    QVERIFY(host.serverProcessIds().isEmpty());
}

void TestAutomation::missingServerIsNotRegistered() {
    QTemporaryDir program;
    QFile ini(program.filePath("components.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("GflAx.GflAx=pagekiln-gflax\n");
    ini.close();
    AutomationHost host(program.path());
    AutomationReply reply;
    host.createObject("GflAx.GflAx", reply);
    QCOMPARE(reply.fault, Fault::NotRegistered);
}

void TestAutomation::noHostMeansNothingRegistered() {
    AutomationReply reply;
    QVERIFY(!CreateObject(nullptr, "GflAx.GflAx", reply).isValid());
    QCOMPARE(reply.fault, Fault::NotRegistered);
}

void TestAutomation::classNamesIgnoreCase() {
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    QVERIFY(host.createObject("gflax.GFLAX", reply).isValid());
    QVERIFY(host.createObject("acroexch.pddoc", reply).isValid());
}

void TestAutomation::serverIsReusedBetweenObjects() {
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject first = host.createObject("GflAx.GflAx", reply);
    AutomationObject second = host.createObject("GflAx.GflAx", reply);
    QVERIFY(first.isValid() && second.isValid());
    QCOMPARE(host.serverProcessIds().size(), 1);
    QVERIFY(first.set("Page", 3).ok());
    QCOMPARE(first.get("page").value.toInt(), 3);
    QCOMPARE(second.get("PAGE").value.toInt(), 1);
}

void TestAutomation::exitEndsTheServerAndTheNextObjectGetsAFreshOne() {
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject app = host.createObject("AcroExch.app", reply);
    AutomationObject document = host.createObject("AcroExch.PDDoc", reply);
    const QList<qint64> before = host.serverProcessIds();
    QCOMPARE(before.size(), 1);
    QVERIFY(app.call("Exit").ok());
    // Calls on objects of an ended server fail; they do not hang.
    QCOMPARE(document.call("Close").fault, Fault::ServerDied);
    AutomationObject again = host.createObject("AcroExch.app", reply);
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    QCOMPARE(host.serverProcessIds().size(), 1);
    QVERIFY(host.serverProcessIds() != before);
}

void TestAutomation::killedServerFailsTheCallOnly() {
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject gflax = host.createObject("GflAx.GflAx", reply);
    const QList<qint64> pids = host.serverProcessIds();
    QCOMPARE(pids.size(), 1);
    ::kill(pid_t(pids.first()), SIGKILL);
    reply = gflax.call("LoadBitmap", {TestPaths::corpusFile("minimal-document.pdf")});
    QCOMPARE(reply.fault, Fault::ServerDied);
    QCOMPARE(reply.serverEnd.kind, ServerEnd::Kind::Signal);
    QCOMPARE(reply.serverEnd.number, 9);
    QVERIFY2(reply.error.contains("(signal 9)"), qPrintable(reply.error));
    AutomationObject fresh = host.createObject("GflAx.GflAx", reply);
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    QVERIFY(fresh.call("LoadBitmap", {TestPaths::corpusFile("minimal-document.pdf")}).ok());
}

void TestAutomation::eventLoopRunsDuringACall() {
    QTemporaryDir dir;
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject gflax = host.createObject("GflAx.GflAx", reply);
    QVERIFY(gflax.set("EpsDpi", 600.0).ok());
    QVERIFY(gflax.call("LoadBitmap", {TestPaths::corpusFile("pdflatex-image.pdf")}).ok());
    bool fired = false;
    QTimer::singleShot(0, this, [&] { fired = true; });
    QVERIFY(gflax.call("saveBitmap", {dir.filePath("big.jpg")}).ok());
    QVERIFY(fired);
}

void TestAutomation::objectFromAMethod() {
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject document = host.createObject("AcroExch.PDDoc", reply);
    QCOMPARE(document.call("Open", {TestPaths::corpusFile("minimal-document.pdf")}).value,
             QJsonValue(true));
    AutomationObject script = document.callForObject("GetJSObject", {}, reply);
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    QVERIFY(script.isValid());
    QCOMPARE(script.call("SaveAs", {"/nonexistent/folder/x.jpg", "com.adobe.acrobat.jpeg"}).fault,
             Fault::NoFolder);
    script.release();
    QCOMPARE(script.call("SaveAs", {}).fault, Fault::NoObject);
}

void TestAutomation::unwaitedSetFailsTheNextCall() {
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject gflax = host.createObject("GflAx.GflAx", reply);
    gflax.setWithoutWaiting("Page", "two");
    gflax.setWithoutWaiting("EpsDpi", 50.0);
    reply = gflax.call("LoadBitmap", {TestPaths::corpusFile("minimal-document.pdf")});
    QCOMPARE(reply.fault, Fault::BadArgument);
    QVERIFY2(reply.error.contains("page"), qPrintable(reply.error));
    // Each failure is reported once; the properties that were accepted hold.
    QVERIFY(gflax.call("LoadBitmap", {TestPaths::corpusFile("minimal-document.pdf")}).ok());
    QCOMPARE(gflax.get("EpsDpi").value.toDouble(), 50.0);
}

// The server is killed once it holds the image file open in the target folder: the file had
// no name yet, so nothing is left, under a final name or any other.
void TestAutomation::serverKilledMidSaveLeavesNothing() {
    QTemporaryDir dir;
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject gflax = host.createObject("GflAx.GflAx", reply);
    QVERIFY(gflax.set("EpsDpi", 1200.0).ok());
    QVERIFY(gflax.call("LoadBitmap", {TestPaths::corpusFile("pdflatex-image.pdf")}).ok());
    const QString pid = QString::number(host.serverProcessIds().value(0));
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        const QDir fds("/proc/" + pid + "/fd");
        for (const QString& fd :
             fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            char target[4096] = {};
            const QByteArray link = QFile::encodeName(fds.filePath(fd));
            if (::readlink(link.constData(), target, sizeof target - 1) > 0 &&
                QFile::decodeName(target).startsWith(dir.path() + '/')) {
                ::kill(pid.toInt(), SIGKILL);
                watch.stop();
            }
        }
    });
    watch.start(1);
    reply = gflax.call("saveBitmap", {dir.filePath("page1.jpg")});
    QVERIFY2(!watch.isActive(), qPrintable(reply.error)); // killed while saving, not after
    QCOMPARE(reply.fault, Fault::ServerDied);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestAutomation::serverCodesReachTheClient_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("code");
    QTest::newRow("pipe") << "pipe.pdf"
                          << ""
                          << "not-regular";
    QTest::newRow("password needed") << "locked.pdf"
                                     << ""
                                     << "password";
    QTest::newRow("wrong password") << "locked.pdf"
                                    << "guess"
                                    << "password-wrong";
    QTest::newRow("right password") << "locked.pdf"
                                    << "secret"
                                    << "none";
}

// The real server's codes arrive as AutomationReply::fault; a pipe fails at once.
void TestAutomation::serverCodesReachTheClient() {
    QFETCH(QString, file);
    QFETCH(QString, password);
    QFETCH(QString, code);
    QTemporaryDir dir;
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("pipe.pdf")).constData(), 0600) == 0);
    QVERIFY(TestPdfs::makeEncrypted(TestPaths::corpusFile("minimal-document.pdf"),
                                    dir.filePath("locked.pdf")));
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject gflax = host.createObject("GflAx.GflAx", reply);
    QVERIFY(gflax.set("Password", password).ok());
    reply = gflax.call("LoadBitmap", {dir.filePath(file)});
    QCOMPARE(faultName(reply.fault), code);
    QCOMPARE(reply.ok(), code == "none");
}

QTEST_GUILESS_MAIN(TestAutomation)
#include "tst_automation.moc"
