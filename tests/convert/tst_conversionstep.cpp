#include "convert/ConversionContext.h"
#include "convert/ConversionStep.h"
#include "convert/MethodTable.h"
#include "convert/PasswordAttempts.h"
#include "support/RecordingUserInterface.h"

#include <QTest>

#include <stdexcept>

namespace {

enum class Behaviour { Writes, WritesThenFails, WritesNothing, FailsWithReason, Throws, NoMethod };

// A procedure that behaves as the row says and records the flag it found on entry.
ConversionProcedure procedureFor(Behaviour behaviour, bool& flagOnEntry) {
    return [behaviour, &flagOnEntry](const QString& path, ConversionContext& context) {
        flagOnEntry = context.jpgCreated;
        ConversionOutcome outcome;
        switch (behaviour) {
        case Behaviour::WritesThenFails:
            outcome.addOutput(path + "1.jpg");
            outcome.fail(ReasonCode::DiskFull, "No space left.");
            break;
        case Behaviour::Writes:
            outcome.addOutput(path + "1.jpg");
            break;
        case Behaviour::FailsWithReason:
            outcome.fail(ReasonCode::Damaged, "The PDF is damaged: x.");
            break;
        case Behaviour::Throws:
            throw std::runtime_error("unexpected");
        case Behaviour::WritesNothing:
        case Behaviour::NoMethod:
            break;
        }
        return outcome;
    };
}

} // namespace

Q_DECLARE_METATYPE(Behaviour)

// The one step every driver takes per PDF: whatever the procedure does, the outcome is settled,
// always says why nothing was written, and the flag the drivers judge by follows it.
class TestConversionStep : public QObject {
    Q_OBJECT
private slots:
    void settlesWhatTheProcedureDid_data();
    void settlesWhatTheProcedureDid();
};

void TestConversionStep::settlesWhatTheProcedureDid_data() {
    QTest::addColumn<Behaviour>("behaviour");
    QTest::addColumn<ConversionStatus>("status");
    QTest::addColumn<ReasonCode>("reason");
    QTest::addColumn<bool>("jpgCreated");
    QTest::newRow("writes") << Behaviour::Writes << ConversionStatus::Converted << ReasonCode::None
                            << true;
    QTest::newRow("writes, then a fault")
        << Behaviour::WritesThenFails << ConversionStatus::Partial << ReasonCode::DiskFull << true;
    QTest::newRow("a reason, nothing written")
        << Behaviour::FailsWithReason << ConversionStatus::Failed << ReasonCode::Damaged << false;
    QTest::newRow("nothing written, no reason given")
        << Behaviour::WritesNothing << ConversionStatus::Failed << ReasonCode::Internal << false;
    QTest::newRow("throws") << Behaviour::Throws << ConversionStatus::Failed << ReasonCode::Internal
                            << false;
    QTest::newRow("no method selected")
        << Behaviour::NoMethod << ConversionStatus::Failed << ReasonCode::NoMethod << false;
}

void TestConversionStep::settlesWhatTheProcedureDid() {
    QFETCH(Behaviour, behaviour);
    QFETCH(ConversionStatus, status);
    QFETCH(ReasonCode, reason);
    QFETCH(bool, jpgCreated);
    RecordingUserInterface ui;
    FixedConversionView view{{}, {}, {}};
    ConversionContext context{view, ui, {}, {}};
    context.jpgCreated = true; // left over from the PDF before
    bool flagOnEntry = true;
    MethodTable methods;
    methods.replace(ConversionMethod::Ghostscript, procedureFor(behaviour, flagOnEntry));
    PasswordRing passwords;
    const MethodEntry* method =
        behaviour == Behaviour::NoMethod ? nullptr : &methods[ConversionMethod::Ghostscript];

    const ConversionOutcome outcome = ConvertOnePdf(method, "/in/a.pdf", context, passwords);
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.reason, reason);
    QCOMPARE(outcome.detail.isEmpty(), reason == ReasonCode::None);
    QCOMPARE(context.jpgCreated, jpgCreated);
    QCOMPARE(outcome.jpgCreated(), jpgCreated);
    QVERIFY(!flagOnEntry || behaviour == Behaviour::NoMethod);
    QVERIFY(outcome.seconds >= 0.0);
}

QTEST_GUILESS_MAIN(TestConversionStep)
#include "tst_conversionstep.moc"
