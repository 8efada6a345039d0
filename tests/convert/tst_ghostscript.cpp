#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "convert/Procedures.h"
#include "filelist/FileListModel.h"
#include "support/RecordingUserInterface.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

// Real PDFs through the shipped scripts and Debian's Ghostscript.
namespace {

using Procedure = void (*)(const QString&, ConversionContext&);

class HeadlessWindow : public DriverWindow {
public:
    std::optional<ConversionMethod> method;
    MousePointer pointer = MousePointer::Default;
    std::optional<ConversionMethod> selectedMethod() const override { return method; }
    void setProgress(float) override {}
    MousePointer windowPointer() const override { return pointer; }
    void setWindowPointer(MousePointer p) override { pointer = p; }
};

// Page counts as listed beside the corpus.
QHash<QString, int> corpusPageCounts() {
    QHash<QString, int> pages;
    QFile readme(TestPaths::corpusFile("README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return pages;
    static const QRegularExpression row(QStringLiteral(R"(^\|\s*(\S+\.pdf)\s*\|\s*(\d+)\s*\|)"));
    for (const QString& line : QString::fromUtf8(readme.readAll()).split('\n')) {
        const QRegularExpressionMatch match = row.match(line);
        if (match.hasMatch())
            pages.insert(match.captured(1), match.captured(2).toInt());
    }
    return pages;
}

QString numbered(const QString& base, int position) {
    return base + QStringLiteral("-%1.jpg").arg(position, 3, 10, QLatin1Char('0'));
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool treeIsEmpty(const QString& folder) {
    for (const QString& sub : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (!QDir(folder + '/' + sub)
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                 .isEmpty())
            return false;
    return filesIn(folder).isEmpty();
}

// Share of pixels that are neither near black nor near white.
double midToneShare(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    qint64 mid = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            mid += line[x] > 64 && line[x] < 192;
    }
    return double(mid) / (double(grey.width()) * grey.height());
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Run {
    QTemporaryDir root;
    QString out = root.filePath("out") + '/';
    QString work = root.filePath("work");
    RecordingUserInterface ui;
    FixedConversionView view{out, {}, {}};
    ConversionContext context{view, ui, TestPaths::programFolder(), work};
    Run() {
        QDir(root.path()).mkdir("out");
        QDir(root.path()).mkdir("work");
    }
};

} // namespace

class TestGhostscript : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void corpus_data();
    void corpus();
    void colourMethodKeepsGreys();
    void pagesInOrder();
    void brokenEntriesDrawTheWarning_data();
    void brokenEntriesDrawTheWarning();
    void awkwardNameConverts_data();
    void awkwardNameConverts();
    void twoInstancesAtOnce();
    void fullWorkingDisk_data();
    void fullWorkingDisk();

private:
    QHash<QString, int> m_pages;
};

void TestGhostscript::initTestCase() {
    m_pages = corpusPageCounts();
    QVERIFY(m_pages.size() >= 20);
    QVERIFY(QFileInfo(TestPaths::programFolder() + "/ps/pdf2tiff.sh").isExecutable());
    QVERIFY(QFileInfo(TestPaths::programFolder() + "/bw/convert.sh").isExecutable());
}

void TestGhostscript::corpus_data() {
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<bool>("blackWhite");
    for (const QString& pdf : TestPaths::corpusPdfs()) {
        const QString name = QFileInfo(pdf).fileName();
        QTest::addRow("ghostscript %s", qPrintable(name)) << pdf << false;
        QTest::addRow("black-white %s", qPrintable(name)) << pdf << true;
    }
}

void TestGhostscript::corpus() {
    QFETCH(QString, pdf);
    QFETCH(bool, blackWhite);
    const QString name = QFileInfo(pdf).fileName();
    QVERIFY2(m_pages.contains(name), qPrintable(name));
    Run run;
    QVERIFY(
        (blackWhite ? ConvertBlackWhite : ConvertWithGhostscript)(pdf, run.context).jpgCreated());
    const QString base = QFileInfo(pdf).completeBaseName();
    QStringList expected;
    for (int page = 1; page <= m_pages.value(name); ++page)
        expected.append(numbered(base, page));
    QCOMPARE(filesIn(run.out), expected);
    for (const QString& file : expected) {
        QImageReader reader(run.out + file);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QVERIFY(image.width() > 0 && image.height() > 0);
        if (blackWhite) {
            QVERIFY(image.isGrayscale());
            QVERIFY2(midToneShare(image) < 0.02, qPrintable(QString::number(midToneShare(image))));
        }
    }
    QVERIFY(treeIsEmpty(run.work));
}

// The colour method keeps the greys that the black-and-white one removes.
void TestGhostscript::colourMethodKeepsGreys() {
    Run run;
    ConvertWithGhostscript(TestPaths::corpusFile("grayscale-image.pdf"), run.context);
    const QImage image(run.out + "grayscale-image-001.jpg");
    QVERIFY(!image.isNull());
    QVERIFY(midToneShare(image) > 0.1);
}

// Output image k is page k, also past page 9 where plain name order would put current10
// before current2: each image equals Ghostscript's own rendering of that page.
void TestGhostscript::pagesInOrder() {
    const QString manual = QStringLiteral("/usr/share/doc/gnuplot/gnuplot.pdf");
    if (!QFileInfo::exists(manual))
        QSKIP("gnuplot-doc is not installed");
    Run run;
    const QString pdf = run.root.filePath("twelve.pdf");
    QCOMPARE(
        QProcess::execute("gs", {"-dSAFER", "-dBATCH", "-dNOPAUSE", "-q", "-sDEVICE=pdfwrite",
                                 "-dFirstPage=1", "-dLastPage=12", "-sOutputFile=" + pdf, manual}),
        0);
    ConvertWithGhostscript(pdf, run.context);
    QCOMPARE(filesIn(run.out).size(), 12);
    const QString direct = run.root.filePath("direct");
    QDir().mkpath(direct);
    QProcess gs;
    gs.setWorkingDirectory(direct);
    gs.start("gs", {"-dSAFER", "-dBATCH", "-dNOPAUSE", "-q", "-sDEVICE=jpeg", "-r150", "-dJPEGQ=90",
                    "-sOutputFile=page%d.jpg", pdf});
    QVERIFY(gs.waitForFinished(60000));
    for (int page = 1; page <= 12; ++page)
        QVERIFY2(bytesOf(run.out + numbered("twelve", page)) ==
                     bytesOf(direct + QStringLiteral("/page%1.jpg").arg(page)),
                 qPrintable(QString::number(page)));
}

void TestGhostscript::brokenEntriesDrawTheWarning_data() {
    QTest::addColumn<ConversionMethod>("method");
    QTest::newRow("ghostscript") << ConversionMethod::Ghostscript;
    QTest::newRow("black-white") << ConversionMethod::BlackWhite;
}

// A text file named .pdf, an empty .pdf and a missing file each draw the warning, and the
// entry after each still converts.
void TestGhostscript::brokenEntriesDrawTheWarning() {
    QFETCH(ConversionMethod, method);
    Run run;
    const QString text = run.root.filePath("notes.pdf");
    const QString empty = run.root.filePath("empty.pdf");
    const QString missing = run.root.filePath("missing.pdf");
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("These are plain notes, not a PDF.\n");
    file.close();
    QFile(empty).open(QIODevice::WriteOnly);
    FileListModel list;
    list.append({text, TestPaths::corpusFile("minimal-document.pdf"), empty,
                 TestPaths::corpusFile("pdflatex-4-pages.pdf"), missing,
                 TestPaths::corpusFile("annotated_pdf.pdf")});
    HeadlessWindow window;
    window.method = method;
    BatchDriver driver(list, window, run.context);
    QCOMPARE(driver.run(), BatchDriver::Outcome::Completed);
    QCOMPARE(run.ui.messageTexts(),
             (QStringList{"Could not create JPG on " + text, "Could not create JPG on " + empty,
                          "Could not create JPG on " + missing, "Done."}));
    QCOMPARE(filesIn(run.out),
             (QStringList{"annotated_pdf-001.jpg", "minimal-document-001.jpg",
                          "pdflatex-4-pages-001.jpg", "pdflatex-4-pages-002.jpg",
                          "pdflatex-4-pages-003.jpg", "pdflatex-4-pages-004.jpg"}));
    QVERIFY(treeIsEmpty(run.work));
}

void TestGhostscript::awkwardNameConverts_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << "my scan 3.pdf";
    QTest::newRow("quotes") << "say \"hi\" it's.pdf";
    QTest::newRow("dollar") << "$HOME $(id).pdf";
    QTest::newRow("backticks") << "`touch pwned`.pdf";
    QTest::newRow("newline") << "two\nlines.pdf";
    QTest::newRow("leading dash") << "-sOutputFile=x.pdf";
}

void TestGhostscript::awkwardNameConverts() {
    QFETCH(QString, name);
    Run run;
    QDir(run.root.path()).mkdir("in -x $y");
    const QString pdf = run.root.filePath("in -x $y/") + name;
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), pdf));
    QVERIFY(ConvertWithGhostscript(pdf, run.context).jpgCreated());
    const QString base = name.left(name.indexOf('.'));
    QCOMPARE(filesIn(run.out), QStringList{numbered(base, 1)});
    QVERIFY(!QImage(run.out + numbered(base, 1)).isNull());
    QVERIFY(!QFileInfo::exists(run.root.filePath("pwned")));
    QVERIFY(treeIsEmpty(run.work));
}

// Two instances, each with its own working folder, convert different PDFs while both
// converters run: each output folder holds exactly its own PDF's pages.
void TestGhostscript::twoInstancesAtOnce() {
    Run first;
    Run second;
    Run alone;
    const QString firstPdf = TestPaths::corpusFile("pdflatex-4-pages.pdf");
    const QString secondPdf = TestPaths::corpusFile("multicolumn.pdf");
    ConvertWithGhostscript(secondPdf, alone.context);

    // The first instance's script waits at a gate before it runs the real one, so the second
    // conversion surely happens while the first is under way.
    QTemporaryDir gated;
    const QString gate = gated.filePath("open");
    QVERIFY(QDir(gated.path()).mkdir("ps"));
    QFile wrapper(gated.filePath("ps/pdf2tiff.sh"));
    QVERIFY(wrapper.open(QIODevice::WriteOnly));
    wrapper.write(QStringLiteral("#!/bin/sh\nwhile [ ! -e '%1' ]; do sleep 0.01; done\n"
                                 "exec /bin/sh '%2/ps/pdf2tiff.sh'\n")
                      .arg(gate, TestPaths::programFolder())
                      .toUtf8());
    wrapper.close();
    QVERIFY(wrapper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    first.context.programFolder = gated.path();

    bool secondRan = false;
    ConversionOutcome secondOutcome;
    QTimer::singleShot(0, this, [&] {
        // Runs inside the first conversion's wait, while its script holds at the gate.
        QVERIFY(QFileInfo::exists(first.work + "/ps/current.pdf"));
        secondOutcome = ConvertWithGhostscript(secondPdf, second.context);
        secondRan = true;
        QFile open(gate);
        QVERIFY(open.open(QIODevice::WriteOnly));
    });
    const ConversionOutcome firstOutcome = ConvertWithGhostscript(firstPdf, first.context);
    QVERIFY(secondRan);
    QVERIFY(firstOutcome.jpgCreated());
    QVERIFY(secondOutcome.jpgCreated());
    QCOMPARE(filesIn(first.out).size(), 4);
    for (const QString& file : filesIn(first.out))
        QVERIFY(file.startsWith("pdflatex-4-pages-"));
    QCOMPARE(filesIn(second.out), filesIn(alone.out));
    for (const QString& file : filesIn(alone.out))
        QCOMPARE(bytesOf(second.out + file), bytesOf(alone.out + file));
    QVERIFY(treeIsEmpty(first.work));
    QVERIFY(treeIsEmpty(second.work));
}

void TestGhostscript::fullWorkingDisk_data() {
    QTest::addColumn<bool>("blackWhite");
    QTest::newRow("ghostscript") << false;
    QTest::newRow("black-white") << true;
}

// The working folder's disk fills while Ghostscript writes the pages; it says a page will be
// missing and still ends with success. The PDF must not pass as converted, and no page image
// that was cut short may reach the output folder.
void TestGhostscript::fullWorkingDisk() {
    QFETCH(bool, blackWhite);
    if (::geteuid() != 0)
        QSKIP("a small file system of its own for the working folder needs root");
    Run run;
    // Room for the working copy of the PDF and the first pages, not for all four.
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=160k", "tmpfs", run.work}) != 0)
        QSKIP("this machine does not let the test mount a file system");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {run.work}); });
    const QString pdf = TestPaths::corpusFile("pdflatex-4-pages.pdf");
    const ConversionOutcome outcome =
        (blackWhite ? ConvertBlackWhite : ConvertWithGhostscript)(pdf, run.context);
    QVERIFY2(outcome.status != ConversionStatus::Converted, qPrintable(outcome.detail));
    QCOMPARE(outcome.reason, ReasonCode::DiskFull);
    QVERIFY(outcome.pagesWritten < 4);
    QCOMPARE(filesIn(run.out).size(), outcome.pagesWritten);
    for (const QString& file : filesIn(run.out)) { // whole: from start to end-of-image marker
        const QByteArray bytes = bytesOf(run.out + file);
        QVERIFY2(bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9"), qPrintable(file));
        QVERIFY2(!QImage::fromData(bytes).isNull(), qPrintable(file));
    }
}

QTEST_GUILESS_MAIN(TestGhostscript)
#include "tst_ghostscript.moc"
