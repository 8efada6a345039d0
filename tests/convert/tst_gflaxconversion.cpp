#include "components/JpegProbe.h"
#include "components/TestPdfs.h"
#include "convert/ConversionContext.h"
#include "convert/Procedures.h"
#include "protocol/Automation.h"
#include "support/RecordingUserInterface.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A view whose resolution changes every time it is read, to see it read for every page.
class StepView : public ConversionView {
public:
    QString folder;
    QStringList resolutions;
    QString pages;
    mutable int reads = 0;
    QString outputFolderText() const override { return folder; }
    QString resolutionText() const override {
        return resolutions.at(std::min<qsizetype>(reads++, resolutions.size() - 1));
    }
    QString pagesText() const override { return pages; }
};

QStringList jpgs(const QString& folder) {
    return QDir(folder).entryList({"*.jpg"}, QDir::Files, QDir::Name);
}

} // namespace

class TestGflAxConversion : public QObject {
    Q_OBJECT
private slots:
    void init();
    void namesPagesOneToCount();
    void countsThatLoadNothing_data();
    void countsThatLoadNothing();
    void roundedCounts_data();
    void roundedCounts();
    void resolutionIsReadForEveryPage();
    void pagesBeyondTheEndKeepWhatWasSaved();
    void laterPdfReplacesCollidingName();
    void folderWithoutSeparator();
    void prefixThatIsNoFolder();
    void unreadablePdfs_data();
    void unreadablePdfs();
    void unwritableOutputFolder();
    void unusableResolutions_data();
    void unusableResolutions();
    void notRegistered();
    void convertsTheCorpus();

private:
    void convert(const QString& pdf, const QString& pages, const QString& resolution = "72",
                 QString folder = {});
    std::unique_ptr<QTemporaryDir> m_in;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<AutomationHost> m_host;
    RecordingUserInterface m_ui;
    bool m_created = false;
};

void TestGflAxConversion::init() {
    m_in = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    m_host = std::make_unique<AutomationHost>(TestPaths::programFolder());
    m_ui.messages.clear();
}

void TestGflAxConversion::convert(const QString& pdf, const QString& pages,
                                  const QString& resolution, QString folder) {
    if (folder.isNull())
        folder = m_out->path() + '/';
    FixedConversionView view(folder, resolution, pages);
    ConversionContext context{view, m_ui, TestPaths::programFolder(), {}, m_host.get()};
    m_created = ConvertWithGflAx(pdf, context).jpgCreated();
}

void TestGflAxConversion::namesPagesOneToCount() {
    const QString pdf = m_in->filePath("report.pdf");
    QVERIFY(QFile::copy(TestPaths::corpusFile("pdflatex-4-pages.pdf"), pdf));
    convert(pdf, "3");
    QVERIFY(m_created);
    QCOMPARE(jpgs(m_out->path()), (QStringList{"report1.jpg", "report2.jpg", "report3.jpg"}));
    for (const QString& name : jpgs(m_out->path()))
        QCOMPARE(probeJpeg(m_out->filePath(name)).size, QSize(595, 842));
    QVERIFY(m_ui.messages.isEmpty());
}

void TestGflAxConversion::countsThatLoadNothing_data() {
    QTest::addColumn<QString>("pages");
    for (const char* text : {"0", "", "abc", "-2", "0.5"})
        QTest::newRow(text) << QString(text);
}

void TestGflAxConversion::countsThatLoadNothing() {
    QFETCH(QString, pages);
    convert(TestPaths::corpusFile("pdflatex-4-pages.pdf"), pages);
    QVERIFY(!m_created);
    QVERIFY(jpgs(m_out->path()).isEmpty());
}

void TestGflAxConversion::roundedCounts_data() {
    QTest::addColumn<QString>("pages");
    QTest::addColumn<int>("files");
    QTest::newRow("2.5") << "2.5" << 2;
    QTest::newRow("3.5") << "3.5" << 4;
    QTest::newRow("1 2") << "1 2" << 12;
    QTest::newRow("1e1") << "1e1" << 10;
}

void TestGflAxConversion::roundedCounts() {
    QFETCH(QString, pages);
    QFETCH(int, files);
    convert(TestPdfs::gnuplotManual(), pages, "18");
    QVERIFY(m_created);
    QCOMPARE(jpgs(m_out->path()).size(), files);
    QVERIFY(QFile::exists(m_out->filePath(QString("gnuplot%1.jpg").arg(files))));
}

void TestGflAxConversion::resolutionIsReadForEveryPage() {
    StepView view;
    view.folder = m_out->path() + '/';
    view.resolutions = {"72", "144", "288"};
    view.pages = "3";
    ConversionContext context{view, m_ui, TestPaths::programFolder(), {}, m_host.get()};
    ConvertWithGflAx(TestPaths::corpusFile("pdflatex-4-pages.pdf"), context);
    QCOMPARE(view.reads, 3);
    QCOMPARE(probeJpeg(m_out->filePath("pdflatex-4-pages1.jpg")).size, QSize(595, 842));
    QCOMPARE(probeJpeg(m_out->filePath("pdflatex-4-pages2.jpg")).size, QSize(1191, 1684));
    QCOMPARE(probeJpeg(m_out->filePath("pdflatex-4-pages3.jpg")).size, QSize(2381, 3368));
}

void TestGflAxConversion::pagesBeyondTheEndKeepWhatWasSaved() {
    convert(TestPaths::corpusFile("pdflatex-4-pages.pdf"), "6");
    QVERIFY(m_created);
    QCOMPARE(jpgs(m_out->path()).size(), 4);
}

void TestGflAxConversion::laterPdfReplacesCollidingName() {
    const QString first = m_in->filePath("Invoice 1.pdf");
    const QString second = m_in->filePath("Invoice 12.pdf");
    QVERIFY(QFile::copy(TestPdfs::gnuplotManual(), first));
    QVERIFY(QFile::copy(TestPaths::corpusFile("grayscale-image.pdf"), second));
    convert(first, "21", "9");
    QCOMPARE(probeJpeg(m_out->filePath("Invoice 121.jpg")).size, QSize(77, 99));
    convert(second, "1", "72");
    QVERIFY(m_created);
    QCOMPARE(probeJpeg(m_out->filePath("Invoice 121.jpg")).size, QSize(243, 338));
    QCOMPARE(jpgs(m_out->path()).size(), 21);
}

void TestGflAxConversion::folderWithoutSeparator() {
    convert(TestPaths::corpusFile("minimal-document.pdf"), "1", "72", m_out->path());
    QVERIFY(m_created);
    QCOMPARE(jpgs(m_out->path()), QStringList{"minimal-document1.jpg"});
}

void TestGflAxConversion::prefixThatIsNoFolder() {
    convert(TestPaths::corpusFile("minimal-document.pdf"), "1", "72", m_out->filePath("out"));
    QVERIFY(m_created);
    QCOMPARE(jpgs(m_out->path()), QStringList{"outminimal-document1.jpg"});
}

void TestGflAxConversion::unreadablePdfs_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("zero bytes") << "empty";
    QTest::newRow("password") << "locked";
    QTest::newRow("missing") << "missing";
}

void TestGflAxConversion::unreadablePdfs() {
    QFETCH(QString, kind);
    const QString pdf = m_in->filePath(kind + ".pdf");
    if (kind == "empty")
        QFile(pdf).open(QIODevice::WriteOnly);
    if (kind == "locked")
        QVERIFY(TestPdfs::makeEncrypted(TestPaths::corpusFile("minimal-document.pdf"), pdf));
    convert(pdf, "2");
    QVERIFY(!m_created);
    QVERIFY(jpgs(m_out->path()).isEmpty());
    QVERIFY(m_ui.messages.isEmpty());
}

void TestGflAxConversion::unwritableOutputFolder() {
    convert(TestPaths::corpusFile("minimal-document.pdf"), "1", "72", m_out->filePath("gone/"));
    QVERIFY(!m_created);
}

void TestGflAxConversion::unusableResolutions_data() {
    QTest::addColumn<QString>("resolution");
    for (const char* text : {"0", "", "abc", "-144", "1e999", "100000"})
        QTest::newRow(text) << QString(text);
}

void TestGflAxConversion::unusableResolutions() {
    QFETCH(QString, resolution);
    convert(TestPaths::corpusFile("minimal-document.pdf"), "1", resolution);
    QVERIFY(!m_created);
    QVERIFY(jpgs(m_out->path()).isEmpty());
}

void TestGflAxConversion::notRegistered() {
    FixedConversionView view(m_out->path() + '/', "72", "1");
    ConversionContext context{view, m_ui, TestPaths::programFolder(), {}, nullptr};
    QVERIFY(!ConvertWithGflAx(TestPaths::corpusFile("minimal-document.pdf"), context).jpgCreated());
    QVERIFY(m_ui.messages.isEmpty());
}

void TestGflAxConversion::convertsTheCorpus() {
    for (const QString& pdf : TestPaths::corpusPdfs()) {
        convert(pdf, "9", "50");
        QVERIFY2(m_created, qPrintable(pdf));
    }
    QCOMPARE(jpgs(m_out->path()).size(), 42); // every page of every PDF
}

QTEST_GUILESS_MAIN(TestGflAxConversion)
#include "tst_gflaxconversion.moc"
