#include "support/TestFiles.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

// How the window's program ends: by a signal (a logout, Ctrl+C, a closed terminal) or by
// closing the window in the middle of a run. Neither leaves the private working folder
// behind, nor an image with a final name that is not whole.
class TestProgramEnd : public QObject {
    Q_OBJECT
private slots:
    void endingSignalRemovesTheWorkingFolder_data();
    void endingSignalRemovesTheWorkingFolder();
    void closingDuringARunLeavesNothingHalfDone();
    void endingDuringAnExportLeavesNoServer_data();
    void endingDuringAnExportLeavesNoServer();
};

namespace {

// A private temporary folder and home for one program, and a fake browser opener first on
// the PATH, so the home-page draw never opens a real one.
struct Surroundings {
    Surroundings() {
        QDir().mkpath(root.filePath("tmp"));
        QDir().mkpath(root.filePath("bin"));
        QFile opener(root.filePath("bin/xdg-open"));
        opener.open(QIODevice::WriteOnly);
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$(dirname \"$0\")/opened\"\n");
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString tmp() const { return root.filePath("tmp"); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tmp());
        env.insert("HOME", root.path());
        env.insert("XDG_CONFIG_HOME", root.filePath(".config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PATH", root.filePath("bin") + ':' + env.value("PATH"));
        return env;
    }
    QStringList workingFolders() const {
        return QDir(tmp()).entryList({"pagekiln-*"}, QDir::Dirs | QDir::Hidden);
    }
    QTemporaryDir root;
};

// The processes whose current folder lies below folder (or did, before it was removed).
QStringList processesWorkingIn(const QString& folder) {
    QStringList found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        const QString cwd = QFile::symLinkTarget("/proc/" + pid + "/cwd");
        if (!pid.toInt() || !cwd.startsWith(folder + '/'))
            continue;
        QFile cmdline("/proc/" + pid + "/cmdline");
        cmdline.open(QIODevice::ReadOnly);
        found.append(pid + ": " + QString::fromLocal8Bit(cmdline.readAll().replace('\0', ' ')));
    }
    return found;
}

// A PDF of 300 numbered pages, which Ghostscript takes a few seconds to render.
bool makeLongPdf(const QString& path) {
    const int status = QProcess::execute(
        "gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite", "-o", path, "-c",
               "/Helvetica findfont 48 scalefont setfont "
               "1 1 300 { 72 400 moveto 20 string cvs show showpage } for"});
    return status == 0 && QFileInfo(path).size() > 0;
}

} // namespace

void TestProgramEnd::endingSignalRemovesTheWorkingFolder_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM, a logout") << SIGTERM;
    QTest::newRow("SIGINT, Ctrl+C") << SIGINT;
    QTest::newRow("SIGHUP, terminal gone") << SIGHUP;
}

void TestProgramEnd::endingSignalRemovesTheWorkingFolder() {
    QFETCH(int, signalNumber);
    Surroundings around;
    QProcess program;
    program.setProcessEnvironment(around.environment());
    program.setStandardOutputFile(QProcess::nullDevice());
    program.start(TestPaths::programFolder() + "/pagekiln", {});
    QVERIFY(program.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(around.workingFolders().size(), 1, 20000);
    QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signalNumber), 0);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 128 + signalNumber);
    QCOMPARE(around.workingFolders(), QStringList{});
}

// The first PDF is converted whole; the window closes while Ghostscript renders the second
// one in the working folder. The working folder goes at once, and the script with its
// Ghostscript is ended with it: nothing of the run goes on after the program has ended.
void TestProgramEnd::closingDuringARunLeavesNothingHalfDone() {
    Surroundings around;
    QTemporaryDir output;
    const QString longPdf = around.root.filePath("long.pdf");
    QVERIFY(makeLongPdf(longPdf));
    QProcess helper;
    helper.setProcessEnvironment(around.environment());
    // Files, not pipes: a Ghostscript that is still ending must not hold the helper's output.
    helper.setStandardOutputFile(around.root.filePath("helper.out"));
    helper.setStandardErrorFile(around.root.filePath("helper.err"));
    helper.start(QCoreApplication::applicationDirPath() + "/close_during_run",
                 {"close", "ghostscript", output.path(),
                  TestPaths::corpusFile("pdflatex-4-pages.pdf"), longPdf});
    QVERIFY(helper.waitForFinished(120000));
    QFile said(around.root.filePath("helper.out"));
    QVERIFY(said.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(said.readAll());
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QVERIFY2(helper.exitCode() == 0 && text.startsWith("ending"), qPrintable(text));

    QCOMPARE(around.workingFolders(), QStringList{});
    const QDir out(output.path());
    const QStringList images = out.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QCOMPARE(images, (QStringList{"pdflatex-4-pages-001.jpg", "pdflatex-4-pages-002.jpg",
                                  "pdflatex-4-pages-003.jpg", "pdflatex-4-pages-004.jpg"}));
    for (const QString& image : images)
        QVERIFY2(TestFiles::isWholeJpeg(out.filePath(image)), qPrintable(image));
    QTRY_COMPARE_WITH_TIMEOUT(processesWorkingIn(around.tmp()), QStringList{}, 5000);
}

void TestProgramEnd::endingDuringAnExportLeavesNoServer_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("status");
    QTest::newRow("window closed") << "close" << 0;
    QTest::newRow("SIGTERM, a logout") << "sigterm" << 128 + SIGTERM;
}

// The export component writes a whole PDF in one call. When the window's program ends while it
// does, however it ends, the component ends with it: it does not go on writing pages.
void TestProgramEnd::endingDuringAnExportLeavesNoServer() {
    QFETCH(QString, how);
    QFETCH(int, status);
    // 311 pages that take the component seconds: it would go on long after the end.
    const QString manual = "/usr/share/doc/gnuplot/gnuplot.pdf";
    if (!QFile::exists(manual))
        QSKIP("needs the gnuplot manual (gnuplot-doc)");
    Surroundings around;
    QTemporaryDir output;
    QProcess helper;
    helper.setProcessEnvironment(around.environment());
    helper.setStandardOutputFile(around.root.filePath("helper.out"));
    helper.setStandardErrorFile(around.root.filePath("helper.err"));
    helper.start(
        QCoreApplication::applicationDirPath() + "/close_during_run",
        {how, "acrobat", output.path(), TestPaths::corpusFile("minimal-document.pdf"), manual});
    QVERIFY(helper.waitForFinished(120000));
    QFile said(around.root.filePath("helper.out"));
    QVERIFY(said.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(said.readAll());
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QVERIFY2(helper.exitCode() == status && text.startsWith("ending"), qPrintable(text));
    const QStringList servers =
        text.section("servers:", 1).trimmed().split(' ', Qt::SkipEmptyParts);
    QVERIFY2(!servers.isEmpty(), qPrintable(text));
    for (const QString& server : servers)
        QTRY_VERIFY2_WITH_TIMEOUT(!TestFiles::processRuns(server.toLongLong()), qPrintable(server),
                                  500);
    const QDir out(output.path());
    for (const QString& image : out.entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(TestFiles::isWholeJpeg(out.filePath(image)), qPrintable(image));
}

QTEST_GUILESS_MAIN(TestProgramEnd)
#include "tst_program_end.moc"
