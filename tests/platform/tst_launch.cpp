#include "platform/Launch.h"
#include "platform/RunAndWait.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::int32_t Base = -2147220456;
const QString Generic =
    QStringLiteral("An error occurred occurred whilst trying to open or print the selected file.");

QString writeFile(const QString& path, const QByteArray& content, bool executable) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

void reapChild(std::int64_t pid) {
    if (pid > 0) {
        int status = 0;
        ::waitpid(static_cast<pid_t>(pid), &status, 0);
    }
}

} // namespace

class TestLaunch : public QObject {
    Q_OBJECT
private slots:
    void failureTable_data();
    void failureTable();
    void resultsAboveThirtyTwoAreNoFailure();
    void errnoMapping_data();
    void errnoMapping();
    void showState_data();
    void showState();
    void errorSourceIsProgramNameWithoutExtension();
    void launchFailures_data();
    void launchFailures();
    void accessDeniedFolder();
    void unknownVerbFindsNoAssociation();
    void successClearsAnEarlierError();
    void executableGetsWorkingFolderAndArguments_data();
    void executableGetsWorkingFolderAndArguments();
    void documentGoesToTheOpener();
};

void TestLaunch::failureTable_data() {
    QTest::addColumn<int>("shellResult");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::newRow("0") << 0 << 7 << "Out of memory";
    QTest::newRow("2") << 2 << 53 << "File not found";
    QTest::newRow("3") << 3 << 76 << "Path not found";
    QTest::newRow("5") << 5 << 75 << "Path/file access error";
    QTest::newRow("8") << 8 << 7 << "Out of memory";
    QTest::newRow("11") << 11 << -2147220445 << "The executable file is invalid or corrupt";
    QTest::newRow("26") << 26 << 75 << "A sharing violation occurred.";
    QTest::newRow("27") << 27 << -2147220429
                        << "This file type does not have a valid file association.";
    QTest::newRow("28") << 28 << 286
                        << "The file could not be opened due to time out. Please try again in a "
                           "moment.";
    QTest::newRow("29") << 29 << 285
                        << "The file could not be opened because the DDE transaction failed. "
                           "Please try again in a moment.";
    QTest::newRow("30") << 30 << 285
                        << "The file could not be opened because the target application is "
                           "busy. Please try again in a moment.";
    QTest::newRow("31") << 31 << -2147220425 << "No application is associated with this file type.";
    QTest::newRow("32") << 32 << 48 << "The specified dynamic-link library was not found.";
    for (int r : {1, 4, 6, 7, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25})
        QTest::addRow("generic %d", r) << r << Base + r << Generic;
}

void TestLaunch::failureTable() {
    QFETCH(int, shellResult);
    QFETCH(int, number);
    QFETCH(QString, description);
    QVERIFY(isLaunchFailure(shellResult));
    const LaunchFailure failure = launchFailureFor(shellResult);
    QCOMPARE(failure.number, number);
    QCOMPARE(failure.description, description);
}

void TestLaunch::resultsAboveThirtyTwoAreNoFailure() {
    QVERIFY(!isLaunchFailure(33));
    QVERIFY(!isLaunchFailure(42));
    QVERIFY(!isLaunchFailure(-1));
    QCOMPARE(launchFailureFor(1).number, -2147220455);
}

void TestLaunch::errnoMapping_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("shellResult");
    QTest::newRow("ENOENT") << ENOENT << 2;
    QTest::newRow("ENOTDIR") << ENOTDIR << 3;
    QTest::newRow("EACCES") << EACCES << 5;
    QTest::newRow("EPERM") << EPERM << 5;
    QTest::newRow("ENOMEM") << ENOMEM << 8;
    QTest::newRow("ENOEXEC") << ENOEXEC << 11;
    QTest::newRow("ETXTBSY") << ETXTBSY << 26;
}

void TestLaunch::errnoMapping() {
    QFETCH(int, error);
    QFETCH(int, shellResult);
    QCOMPARE(shellResultFromErrno(error), shellResult);
}

void TestLaunch::showState_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("windowState");
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<ShowState>("expected");
    QTest::newRow("exe hidden") << "/tools/Setup.exe" << 1 << QStringList{} << "/tools"
                                << ShowState::Hidden;
    QTest::newRow("EXE inside name")
        << "/docs/my.exercise.pdf" << 1 << QStringList{} << "/docs" << ShowState::Hidden;
    QTest::newRow("exe no folder")
        << "/tools/Setup.exe" << 1 << QStringList{} << "" << ShowState::Normal;
    QTest::newRow("EXE inside, no folder")
        << "/docs/my.exercise.pdf" << 0 << QStringList{} << "" << ShowState::Normal;
    QTest::newRow("hidden kept") << "/x/run.sh" << 0 << QStringList{} << "/x" << ShowState::Hidden;
    QTest::newRow("minimised kept")
        << "/x/run.sh" << 6 << QStringList{} << "/x" << ShowState::Minimize;
    QTest::newRow("parameters only")
        << "/x/run.sh" << 3 << QStringList{"-a"} << "" << ShowState::Maximized;
}

void TestLaunch::showState() {
    QFETCH(QString, fileName);
    QFETCH(int, windowState);
    QFETCH(QStringList, parameters);
    QFETCH(QString, folder);
    QFETCH(ShowState, expected);
    QCOMPARE(effectiveShowState(fileName, windowState, parameters, folder), expected);
}

void TestLaunch::errorSourceIsProgramNameWithoutExtension() {
    QCOMPARE(launchErrorSource("/opt/pagekiln/pagekiln"), QString("pagekiln.GShell"));
    QCOMPARE(launchErrorSource("/opt/x/tool.bin"), QString("tool.GShell"));
    QCOMPARE(currentLaunchErrorSource(), QString("platform_tst_launch.GShell"));
}

// Real launches whose failure comes from the system, each mapped onto the table.
void TestLaunch::launchFailures_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("shellResult");
    QTest::addColumn<int>("number");
    QTest::newRow("missing file") << "missing" << 2 << 53;
    QTest::newRow("file below a file") << "belowFile" << 3 << 76;
    QTest::newRow("missing working folder") << "missingFolder" << 3 << 76;
    QTest::newRow("not a program") << "garbage" << 11 << Base + 11;
    QTest::newRow("no document opener") << "document" << 31 << Base + 31;
    QTest::newRow("folder named like a script") << "scriptFolder" << 5 << 75;
}

void TestLaunch::launchFailures() {
    QFETCH(QString, kind);
    QFETCH(int, shellResult);
    QFETCH(int, number);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString plain = writeFile(dir.filePath("plain.txt"), "text\n", false);
    const QString garbage = writeFile(dir.filePath("garbage"), "\x7f\x01\x02junk", true);
    QString file = dir.filePath("nothing-here");
    QString folder = dir.path();
    if (kind == "belowFile")
        file = plain + "/inner";
    else if (kind == "missingFolder")
        file = garbage, folder = dir.filePath("gone");
    else if (kind == "garbage")
        file = garbage;
    else if (kind == "document")
        file = plain;
    else if (kind == "scriptFolder")
        file = dir.filePath("run.sh");
    QVERIFY(QDir(dir.path()).mkdir("run.sh"));
    LaunchOptions options;
    options.documentOpener = "pagekiln-no-such-opener";
    LaunchError error;
    error.number = 999; // must be cleared
    const LaunchResult result = LaunchFile('"' + file + '"', 0, {}, folder, "open", error, options);
    QCOMPARE(result.shellResult, shellResult);
    QCOMPARE(result.processId, std::int64_t{0});
    QCOMPARE(error.number, number);
    QCOMPARE(error.description, launchFailureFor(shellResult).description);
    QCOMPARE(error.source, QString("platform_tst_launch.GShell"));
}

void TestLaunch::accessDeniedFolder() {
    if (::geteuid() == 0)
        QSKIP("permissions do not stop root");
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("locked");
    writeFile(dir.filePath("locked/run.sh"), "#!/bin/sh\nexit 0\n", true);
    QFile::setPermissions(dir.filePath("locked"), QFileDevice::ReadOwner);
    LaunchError error;
    const LaunchResult result =
        LaunchFile(dir.filePath("locked/run.sh"), 0, {}, dir.path(), "open", error);
    QFile::setPermissions(dir.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(result.shellResult, 5);
    QCOMPARE(error.number, 75);
}

void TestLaunch::unknownVerbFindsNoAssociation() {
    LaunchError error;
    const LaunchResult result = LaunchFile("/bin/true", 0, {}, "/", "print", error);
    QCOMPARE(result.shellResult, 31);
    QCOMPARE(error.number, Base + 31);
}

void TestLaunch::successClearsAnEarlierError() {
    LaunchError error{53, "x.GShell", "File not found"};
    const LaunchResult result = LaunchFile("/bin/true", 1, {}, "/", "open", error);
    QVERIFY(result.shellResult > 32);
    QVERIFY(result.processId > 0);
    QVERIFY(!error.isError());
    QVERIFY(error.source.isEmpty());
    QVERIFY(error.description.isEmpty());
    reapChild(result.processId);
}

// A program is started as it is; a shell script is run by /bin/sh whatever its mode, as a
// batch file is run by its command interpreter. Either is started in a process group of its
// own.
void TestLaunch::executableGetsWorkingFolderAndArguments_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("executable");
    QTest::newRow("program") << "where" << true;
    QTest::newRow("script") << "where.sh" << true;
    QTest::newRow("script without its execute bit") << "where.sh" << false;
}

void TestLaunch::executableGetsWorkingFolderAndArguments() {
    QFETCH(QString, name);
    QFETCH(bool, executable);
    QTemporaryDir dir;
    const QString script = writeFile(dir.filePath(name),
                                     "#!/bin/sh\npwd > where.txt\nprintf '%s\\n' \"$@\" >> "
                                     "where.txt\n",
                                     executable);
    QDir(dir.path()).mkdir("run here");
    const QString folder = dir.filePath("run here");
    LaunchError error;
    const LaunchResult result =
        LaunchFile('"' + script + '"', 0, {"a b", "$HOME", "-x"}, folder, "open", error);
    QVERIFY(result.processId > 0);
    // A group of its own, so that a waiter can end it with whatever it starts.
    QCOMPARE(::getpgid(static_cast<pid_t>(result.processId)), result.processId);
    reapChild(result.processId);
    QFile out(folder + "/where.txt");
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()), folder + "\na b\n$HOME\n-x\n");
}

void TestLaunch::documentGoesToTheOpener() {
    QTemporaryDir dir;
    const QString document = writeFile(dir.filePath("notes.txt"), "hello\n", false);
    const QString opener =
        writeFile(dir.filePath("opener.sh"), "#!/bin/sh\nprintf '%s' \"$1\" > opened.txt\n", true);
    LaunchOptions options;
    options.documentOpener = opener;
    LaunchError error;
    const LaunchResult result = LaunchFile(document, 0, {}, dir.path(), "open", error, options);
    QVERIFY(result.shellResult > 32);
    reapChild(result.processId);
    QFile out(dir.filePath("opened.txt"));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()), document);
}

QTEST_GUILESS_MAIN(TestLaunch)
#include "tst_launch.moc"
