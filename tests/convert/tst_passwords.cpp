#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "convert/PasswordAttempts.h"
#include "filelist/FileListModel.h"
#include "platform/WorkFolder.h"
#include "protocol/Automation.h"
#include "support/MethodWindow.h"
#include "support/RecordingUserInterface.h"
#include "support/TestFiles.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Protected PDFs in the window: the user is asked, a wrong password is asked again, a password
// typed once opens the next PDF of the run that shares it, and no password is ever visible in
// a process's arguments.
namespace {

const QString Password = QStringLiteral("pa ss\"w\\x 'q' $HOME");

} // namespace

class TestPasswords : public QObject {
    Q_OBJECT
private slots:
    void watchSeesAChildsArguments();
    void protectedPdfsInTheWindow_data();
    void protectedPdfsInTheWindow();
    void cancelGivesUpWithTheReason();
};

// The look at the processes' arguments finds a child that has the password among them.
void TestPasswords::watchSeesAChildsArguments() {
    QProcess child;
    child.start("sh", {"-c", "read line", Password});
    QVERIFY(child.waitForStarted());
    QTRY_COMPARE(TestFiles::processesWithArgument(Password.toUtf8()), 1);
    child.closeWriteChannel();
    QVERIFY(child.waitForFinished());
    QCOMPARE(TestFiles::processesWithArgument(Password.toUtf8()), 0);
}

void TestPasswords::protectedPdfsInTheWindow_data() {
    QTest::addColumn<QString>("method");
    for (const QString method : {"ghostscript", "bw", "acrobat", "gflax"})
        QTest::newRow(qPrintable(method)) << method;
}

void TestPasswords::protectedPdfsInTheWindow() {
    QFETCH(QString, method);
    QTemporaryDir in;
    QTemporaryDir out;
    const QString first = in.filePath("invoice 1.pdf");
    const QString second = in.filePath("invoice 2.pdf");
    const QString plain = in.filePath("plain.pdf");
    QVERIFY(
        TestFiles::makeProtected(TestPaths::corpusFile("minimal-document.pdf"), first, Password));
    QVERIFY(
        TestFiles::makeProtected(TestPaths::corpusFile("pdflatex-4-pages.pdf"), second, Password));
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), plain));

    FileListModel list;
    list.append(QStringList{first, second, plain});
    MethodWindow window(*methodFromName(method));
    RecordingUserInterface ui;
    ui.passwordAnswers << "wrong one" << Password;
    FixedConversionView view(out.path() + '/', "72", "1");
    WorkFolder work;
    AutomationHost automation(TestPaths::programFolder());
    ConversionContext context{view, ui, TestPaths::programFolder(), work.path(), &automation};
    BatchDriver driver(list, window, context);
    QList<ConversionOutcome> outcomes;
    connect(
        &driver, &BatchDriver::entryOutcome, this,
        [&](int, const QString&, const ConversionOutcome& outcome) { outcomes.append(outcome); });

    // Every process's arguments are looked at all through the run.
    int looks = 0;
    int exposures = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        ++looks;
        exposures += TestFiles::processesWithArgument(Password.toUtf8());
    });
    watch.start(5);
    driver.run();
    watch.stop();

    QCOMPARE(ui.messageTexts(), QStringList{"Done."});
    QCOMPARE(ui.passwordQuestions, (QStringList{"Password", passwordQuestion(first, false),
                                                "Password", passwordQuestion(first, true)}));
    QCOMPARE(outcomes.size(), 3);
    for (const ConversionOutcome& outcome : outcomes)
        QCOMPARE(outcome.status, ConversionStatus::Converted);
    QVERIFY(outcomes.at(1).pagesWritten >= 1);
    QVERIFY(QDir(out.path()).entryList({"invoice 2*.jpg"}, QDir::Files).size() >= 1);
    QVERIFY(looks > 0);
    QCOMPARE(exposures, 0);
    QCOMPARE(context.password, QString());
    QVERIFY(QDir(work.path()).entryList({"password*"}, QDir::Files).isEmpty());
}

void TestPasswords::cancelGivesUpWithTheReason() {
    QTemporaryDir in;
    QTemporaryDir out;
    const QString pdf = in.filePath("locked.pdf");
    QVERIFY(TestFiles::makeProtected(TestPaths::corpusFile("minimal-document.pdf"), pdf, Password));
    FileListModel list;
    list.append(QStringList{pdf});
    MethodWindow window(ConversionMethod::Ghostscript);
    RecordingUserInterface ui; // no answers: the first question is cancelled
    FixedConversionView view(out.path() + '/', "72", "1");
    WorkFolder work;
    ConversionContext context{view, ui, TestPaths::programFolder(), work.path()};
    BatchDriver driver(list, window, context);
    driver.run();
    QCOMPARE(ui.passwordQuestions.size(), 2);
    QCOMPARE(ui.messageTexts(), (QStringList{"Could not create JPG on " + pdf, "Done."}));
    QCOMPARE(ui.details.first(), QString("The PDF needs a password."));
}

QTEST_GUILESS_MAIN(TestPasswords)
#include "tst_passwords.moc"
