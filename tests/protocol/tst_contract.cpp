#include "convert/ComponentReasons.h"
#include "protocol/Automation.h"
#include "protocol/Fault.h"
#include "support/TestPaths.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(ServerEnd)

// Every fault crosses the pipe by its name and reaches the user as a reason: the names are
// those servers and reports use, and the reason comes from the fault and how the server ended,
// never from the text beside them.
class TestContract : public QObject {
    Q_OBJECT
private slots:
    void faultFromTheWireToTheReason_data();
    void faultFromTheWireToTheReason();

private:
    QTemporaryDir m_out;
};

void TestContract::faultFromTheWireToTheReason_data() {
    QTest::addColumn<QString>("received"); // the name on the wire
    QTest::addColumn<Fault>("fault");      // what it parses to
    QTest::addColumn<QString>("name");     // the fault's own name
    QTest::addColumn<ServerEnd>("serverEnd");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("text");
    const QString who = QStringLiteral("The imaging component");
    const auto row = [](const char* tag, const QString& name, Fault fault, const QString& reason,
                        const QString& text, ServerEnd serverEnd = {}) {
        QTest::newRow(tag) << name << fault << name << serverEnd << reason << text;
    };
    row("none", "none", Fault::None, "internal", who + " failed: Boom.");
    // The PDF given is a sound one, so faults about the input say only what the server said.
    row("missing", "missing", Fault::Missing, "internal", who + " failed: Boom.");
    row("not-regular", "not-regular", Fault::NotRegular, "internal", who + " failed: Boom.");
    row("not-pdf", "not-pdf", Fault::NotPdf, "not-pdf", "The file is not a PDF document.");
    row("damaged", "damaged", Fault::Damaged, "damaged", "The PDF is damaged: Boom.");
    row("password", "password", Fault::Password, "password", "The PDF needs a password.");
    row("password-wrong", "password-wrong", Fault::PasswordWrong, "password-wrong",
        "The password was not accepted.");
    row("no-page", "no-page", Fault::NoPage, "no-page", "Boom.");
    row("too-large", "too-large", Fault::TooLarge, "too-large", "Boom.");
    row("bad-argument", "bad-argument", Fault::BadArgument, "converter-failed",
        who + " refused the settings: Boom.");
    row("no-folder", "no-folder", Fault::NoFolder, "no-output-folder",
        "The folder of /out/a1.jpg does not exist.");
    row("write-denied", "write-denied", Fault::WriteDenied, "write-denied",
        "Permission denied writing /out/a1.jpg.");
    row("disk-full", "disk-full", Fault::DiskFull, "disk-full",
        "No space left on the device writing /out/a1.jpg.");
    row("write-failed", "write-failed", Fault::WriteFailed, "write-failed",
        "Could not write /out/a1.jpg: Boom.");
    row("memory", "memory", Fault::Memory, "memory", who + " ran out of memory: Boom.");
    row("internal", "internal", Fault::Internal, "internal", who + " failed: Boom.");
    row("not-registered", "not-registered", Fault::NotRegistered, "component-missing",
        "The component GflAx.GflAx is not registered.");
    row("server-died by a signal", "server-died", Fault::ServerDied, "component-died",
        who + " stopped unexpectedly (signal 11).", {ServerEnd::Kind::Signal, 11});
    row("server-died with a status", "server-died", Fault::ServerDied, "component-died",
        who + " stopped unexpectedly (exit status 3).", {ServerEnd::Kind::ExitStatus, 3});
    row("server-died, how unknown", "server-died", Fault::ServerDied, "component-died",
        who + " stopped unexpectedly.");
    row("timed-out", "timed-out", Fault::TimedOut, "component-timed-out",
        who + " gave no answer within 300 s.");
    row("bad-answer", "bad-answer", Fault::BadAnswer, "internal",
        who + " gave an answer that could not be read: Boom.");
    row("no-object", "no-object", Fault::NoObject, "internal", who + " failed: Boom.");
    row("interrupted", "interrupted", Fault::Interrupted, "interrupted",
        "The program was closing while the imaging component was converting.");
    QTest::newRow("unknown name") << "no-such-fault" << Fault::Internal << "internal" << ServerEnd{}
                                  << "internal" << who + " failed: Boom.";
}

void TestContract::faultFromTheWireToTheReason() {
    QFETCH(QString, received);
    QFETCH(Fault, fault);
    QFETCH(QString, name);
    QFETCH(ServerEnd, serverEnd);
    QFETCH(QString, reason);
    QFETCH(QString, text);
    QCOMPARE(faultFromName(received), fault);
    QCOMPARE(faultName(fault), name);
    // The text beside a dead server's fault names another signal: only the data may count.
    AutomationReply reply = AutomationReply::failed(
        fault, fault == Fault::ServerDied ? "stopped unexpectedly (signal 99)" : "Boom", serverEnd);
    const ComponentCallSite site{
        "imaging component", "GflAx.GflAx", TestPaths::corpusFile("minimal-document.pdf"),
        m_out.path() + '/',  "/out/a1.jpg", 300};
    const Reason why = reasonOfReply(reply, site);
    QCOMPARE(codeName(why.code), reason);
    QCOMPARE(why.text, text);
}

QTEST_GUILESS_MAIN(TestContract)
#include "tst_contract.moc"
