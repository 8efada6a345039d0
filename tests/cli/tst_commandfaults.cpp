#include "platform/WorkFolder.h"
#include "support/TestFiles.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

// The command's faults: stopped by a signal mid-batch, given what is not a PDF file, asked for
// more jobs than the system can hold. Whatever happens, nothing is left behind.
namespace {

const QString Gnuplot = QStringLiteral("/usr/share/doc/gnuplot/gnuplot.pdf"); // 311 pages

// A run's own folders: its TMPDIR, inputs and outputs, and the folder it runs in.
struct Sandbox {
    QTemporaryDir root;
    QString tmp = root.filePath("tmp");
    QString in = root.filePath("in");
    QString out = root.filePath("out");
    Sandbox() {
        for (const QString& folder : {tmp, in, out})
            QDir().mkpath(folder);
    }
    void start(QProcess& process, const QStringList& arguments, rlim_t openFiles = 0) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", tmp);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(root.path());
        if (openFiles > 0)
            process.setChildProcessModifier([openFiles] {
                const rlimit limit{openFiles, openFiles};
                ::setrlimit(RLIMIT_NOFILE, &limit);
            });
        process.start(TestPaths::programFolder() + "/pagekiln-convert", arguments);
    }
    // A working folder of an instance that was killed long ago.
    void leaveStaleFolder() const {
        const QString folder = tmp + "/pagekiln-Stale1";
        QDir().mkpath(folder + "/ps");
        QFile record(folder + '/' + WorkFolder::OwnerFileName);
        if (record.open(QIODevice::WriteOnly))
            record.write(ownerRecordOf(::getpid()).section(' ', 0, 0).toLatin1() + " 1 999\n");
    }
    QStringList leftInTmp() const {
        return QDir(tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

bool anyJpgUnder(const QString& folder) {
    QDirIterator it(folder, {"*.jpg"}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext();
}

// Processes (other than this test) whose current folder lies under folder: the command's
// scripts, Ghostscript and component servers all work in the sandbox.
QStringList processesWorkingUnder(const QString& folder) {
    QStringList found;
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (pid.toLongLong() <= 0 || pid == self)
            continue;
        const QString cwd = QFileInfo("/proc/" + pid + "/cwd").symLinkTarget();
        if (cwd == folder || cwd.startsWith(folder + '/'))
            found.append(pid + " " + cwd);
    }
    return found;
}

// The images in folder, in page order.
QStringList imagesIn(const QString& folder) {
    QStringList names = QDir(folder).entryList({"*.jpg"}, QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.section('_', -1).section('.', 0, 0).toInt() <
               b.section('_', -1).section('.', 0, 0).toInt();
    });
    return names;
}

// The children of process pid now running.
QList<qint64> childrenOf(qint64 pid) {
    QList<qint64> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        if (entry.toLongLong() > 0 && TestFiles::parentOf(entry.toLongLong()) == pid)
            children.append(entry.toLongLong());
    }
    return children;
}

// The last line of a report, as JSON.
QJsonObject lastReportLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (!line->isEmpty())
            return QJsonDocument::fromJson(*line).object();
    }
    return {};
}

} // namespace

class TestCommandFaults : public QObject {
    Q_OBJECT
private slots:
    void stopsLeaveNothingBehind_data();
    void stopsLeaveNothingBehind();
    void awkwardInputs_data();
    void awkwardInputs();
    void exportStopsBetweenPages_data();
    void exportStopsBetweenPages();
    void killedCommandLeavesNoServer_data();
    void killedCommandLeavesNoServer();
};

void TestCommandFaults::stopsLeaveNothingBehind_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("twice"); // a second signal: end at once
    QTest::newRow("Ghostscript, SIGINT") << "ghostscript" << SIGINT << false;
    QTest::newRow("Ghostscript, SIGTERM") << "ghostscript" << SIGTERM << false;
    QTest::newRow("black and white, SIGTERM") << "bw" << SIGTERM << false;
    QTest::newRow("imaging, SIGINT") << "gflax" << SIGINT << false;
    QTest::newRow("imaging, SIGTERM") << "gflax" << SIGTERM << false;
    QTest::newRow("imaging, SIGINT twice") << "gflax" << SIGINT << true;
}

void TestCommandFaults::stopsLeaveNothingBehind() {
    QFETCH(QString, method);
    QFETCH(int, signalNumber);
    QFETCH(bool, twice);
    if (!QFile::exists(Gnuplot))
        QSKIP("needs the gnuplot manual (gnuplot-doc)");
    Sandbox box;
    box.leaveStaleFolder();
    QStringList arguments{"--method", method,         "--output", "out/",    "--jobs",
                          "2",        "--resolution", "72",       "--pages", "400"};
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        QVERIFY(QFile::copy(Gnuplot, box.in + '/' + name + ".pdf"));
        arguments.append("in/" + QString(name) + ".pdf");
    }
    QProcess command;
    box.start(command, arguments);
    QVERIFY(command.waitForStarted());
    // Mid-batch: pages are being made (in the working folder, or straight into the output).
    QTRY_VERIFY_WITH_TIMEOUT(anyJpgUnder(method == "gflax" ? box.out : box.tmp), 120'000);
    ::kill(static_cast<pid_t>(command.processId()), signalNumber);
    if (twice)
        ::kill(static_cast<pid_t>(command.processId()), signalNumber);
    QVERIFY(command.waitForFinished(120'000));
    const QString errors = QString::fromLocal8Bit(command.readAllStandardError());
    QCOMPARE(command.exitStatus(), QProcess::NormalExit);
    QCOMPARE(command.exitCode(), 128 + signalNumber);
    QVERIFY2(errors.contains("stopped by SIG") && errors.contains("not started"),
             qPrintable(errors));
    QCOMPARE(box.leftInTmp(), QStringList{}); // its own working folders and the stale one
    QCOMPARE(QDir(box.out).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\.")),
             QStringList{}); // no temporary of a save
    for (const QString& name : QDir(box.out).entryList(QDir::Files))
        QVERIFY2(TestFiles::isWholeJpeg(box.out + '/' + name), qPrintable(name));
    QTRY_COMPARE_WITH_TIMEOUT(processesWorkingUnder(box.root.path()), QStringList{}, 20'000);
}

void TestCommandFaults::awkwardInputs_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QStringList>("inputs"); // "fifo", "empty folder" or a corpus file
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("openFiles"); // limit for the command; 0 = as inherited
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // expected on standard error; "<in>" = input folder
    QTest::addColumn<QStringList>("outputs");
    const QString minimal = "minimal-document.pdf";
    const QStringList converted{"minimal-document-001.jpg"};
    QTest::newRow("FIFO among PDFs, Ghostscript")
        << "ghostscript" << QStringList{"fifo", minimal} << QStringList{} << 0 << 1
        << "Could not create JPG on <in>/pipe.pdf" << converted;
    QTest::newRow("FIFO among PDFs, black and white")
        << "bw" << QStringList{minimal, "fifo"} << QStringList{} << 0 << 1
        << "Could not create JPG on <in>/pipe.pdf" << converted;
    QTest::newRow("folder without a PDF")
        << "ghostscript" << QStringList{"empty folder"} << QStringList{} << 0 << 1
        << "no PDF file found in <in>/empty" << QStringList{};
    QTest::newRow("--jobs 5000, one PDF")
        << "ghostscript" << QStringList{minimal} << QStringList{"--jobs", "5000"} << 0 << 0 << ""
        << converted;
    QTest::newRow("--jobs 5000, few open files allowed")
        << "ghostscript" << QStringList{minimal, "pdflatex-4-pages.pdf"}
        << QStringList{"--jobs", "5000"} << 90 << 0 << "the open-file limit allows no more"
        << QStringList{"minimal-document-001.jpg", "pdflatex-4-pages-001.jpg",
                       "pdflatex-4-pages-002.jpg", "pdflatex-4-pages-003.jpg",
                       "pdflatex-4-pages-004.jpg"};
}

void TestCommandFaults::awkwardInputs() {
    QFETCH(QString, method);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, options);
    QFETCH(int, openFiles);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QStringList, outputs);
    Sandbox box;
    QStringList arguments = QStringList{"--method", method, "--output", box.out} + options;
    for (const QString& input : inputs) {
        QString path = box.in + '/' + input;
        if (input == "fifo") {
            path = box.in + "/pipe.pdf";
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (input == "empty folder") {
            path = box.in + "/empty";
            QVERIFY(QDir().mkpath(path + "/sub"));
        } else {
            QVERIFY(QFile::copy(TestPaths::corpusFile(input), path));
        }
        arguments.append(path);
    }
    QProcess command;
    box.start(command, arguments, static_cast<rlim_t>(openFiles));
    QVERIFY(command.waitForFinished(120'000)); // a FIFO must not hold it
    const QString errors = QString::fromLocal8Bit(command.readAllStandardError());
    QCOMPARE(command.exitStatus(), QProcess::NormalExit);
    QCOMPARE(command.exitCode(), status);
    QVERIFY2(errors.contains(QString(message).replace("<in>", box.in)), qPrintable(errors));
    QCOMPARE(QDir(box.out).entryList(QDir::Files, QDir::Name), outputs);
    QCOMPARE(box.leftInTmp(), QStringList{});
}

enum class ExportEnd { Stop, StopTwice, FullDisk };

void TestCommandFaults::exportStopsBetweenPages_data() {
    QTest::addColumn<ExportEnd>("end");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    QTest::newRow("first SIGTERM: the page under way is finished")
        << ExportEnd::Stop << 128 + SIGTERM << "interrupted";
    QTest::newRow("second SIGTERM: the component is ended")
        << ExportEnd::StopTwice << 128 + SIGTERM << "interrupted";
    QTest::newRow("the output folder's disk fills") << ExportEnd::FullDisk << 1 << "disk-full";
}

// The export component writes a whole PDF in one call. A stop ends that call between pages
// (the first signal) or ends the component (the second), and a full disk ends it at the page
// that did not fit; either way the pages written are kept and reported, and the PDF is
// partial for a cause that needs no message about the component's installation.
void TestCommandFaults::exportStopsBetweenPages() {
    QFETCH(ExportEnd, end);
    QFETCH(int, status);
    QFETCH(QString, reason);
    if (!QFile::exists(Gnuplot))
        QSKIP("needs the gnuplot manual (gnuplot-doc)");
    Sandbox box;
    QDir().mkpath(box.out);
    // Room for a few pages of the manual, not for all of them.
    if (end == ExportEnd::FullDisk &&
        QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=400k", "tmpfs", box.out}) != 0)
        QSKIP("this machine does not let the test mount a file system");
    const auto unmount = qScopeGuard([&] {
        if (end == ExportEnd::FullDisk)
            QProcess::execute("umount", {box.out});
    });
    QProcess command;
    box.start(command, {"--method", "acrobat", "--output", "out/", "--report", "report.jsonl",
                        "--jobs", "1", Gnuplot});
    QVERIFY(command.waitForStarted());
    if (end != ExportEnd::FullDisk) {
        QTRY_VERIFY_WITH_TIMEOUT(imagesIn(box.out).size() >= 2, 120'000);
        ::kill(static_cast<pid_t>(command.processId()), SIGTERM);
        if (end == ExportEnd::StopTwice)
            ::kill(static_cast<pid_t>(command.processId()), SIGTERM);
    }
    QVERIFY(command.waitForFinished(120'000));
    const QString errors = QString::fromLocal8Bit(command.readAllStandardError());
    QCOMPARE(command.exitCode(), status);
    QVERIFY2(!errors.contains("Adobe Acrobat Pro"), qPrintable(errors));
    const QJsonObject line = lastReportLine(box.root.filePath("report.jsonl"));
    QCOMPARE(line.value("status").toString(), QString("partial"));
    QCOMPARE(line.value("reason").toObject().value("code").toString(), reason);
    QStringList reported;
    for (const QJsonValue& output : line.value("outputs").toArray())
        reported.append(QFileInfo(output.toString()).fileName());
    const QStringList written = imagesIn(box.out);
    QCOMPARE(reported, written);
    QCOMPARE(line.value("pages").toInt(), written.size());
    QVERIFY2(!written.isEmpty() && written.size() < 311, qPrintable(written.join(' ')));
    for (const QString& name : written)
        QVERIFY2(TestFiles::isWholeJpeg(box.out + '/' + name), qPrintable(name));
    QCOMPARE(QDir(box.out).entryList(QDir::Files | QDir::Hidden).size(), written.size());
}

void TestCommandFaults::killedCommandLeavesNoServer_data() {
    QTest::addColumn<QString>("method");
    QTest::newRow("export component") << "acrobat";
    QTest::newRow("imaging component") << "gflax";
}

// SIGKILL leaves the command no moment to end its component servers: they end with it all the
// same, and write no more pages.
void TestCommandFaults::killedCommandLeavesNoServer() {
    QFETCH(QString, method);
    if (!QFile::exists(Gnuplot))
        QSKIP("needs the gnuplot manual (gnuplot-doc)");
    Sandbox box;
    QProcess command;
    box.start(command, {"--method", method, "--output", "out/", "--jobs", "1", Gnuplot});
    QVERIFY(command.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(imagesIn(box.out).size() >= 2, 120'000);
    const QList<qint64> servers = childrenOf(command.processId());
    QCOMPARE(servers.size(), 1);
    ::kill(static_cast<pid_t>(command.processId()), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!TestFiles::processRuns(servers.first()), 500);
    QTRY_COMPARE_WITH_TIMEOUT(command.state(), QProcess::NotRunning, 10'000);
}

QTEST_GUILESS_MAIN(TestCommandFaults)
#include "tst_commandfaults.moc"
