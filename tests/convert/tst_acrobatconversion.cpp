#include "components/JpegProbe.h"
#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "convert/ConversionRequest.h"
#include "convert/Procedures.h"
#include "filelist/FileListModel.h"
#include "platform/FileCopy.h"
#include "platform/NativeNames.h"
#include "platform/StopRequest.h"
#include "protocol/Automation.h"
#include "support/RecordingUserInterface.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <unistd.h>

namespace {

// The names in folder, byte for byte and sorted; entries of a folder end in "/".
QByteArrayList namesIn(const QByteArray& folder) {
    QByteArrayList names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), &::closedir);
    while (const dirent* entry = dir ? ::readdir(dir.get()) : nullptr) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(entry->d_type == DT_DIR ? name + '/' : name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const QString kFailure = "Unable to create PDF with Adobe Acrobat Pro. Do you have Adobe Acrobat "
                         "Pro (pay version) installed?";

class AcrobatWindow : public DriverWindow {
public:
    MousePointer pointer = MousePointer::Default;
    std::optional<ConversionMethod> selectedMethod() const override {
        return ConversionMethod::Acrobat;
    }
    void setProgress(float) override {}
    MousePointer windowPointer() const override { return pointer; }
    void setWindowPointer(MousePointer p) override { pointer = p; }
};

QStringList jpgs(const QString& folder) {
    return QDir(folder).entryList({"*.jpg"}, QDir::Files, QDir::Name);
}

} // namespace

class TestAcrobatConversion : public QObject {
    Q_OBJECT
private slots:
    void init();
    void onePageIsExactlyTheOutputPath();
    void severalPagesAreNumbered();
    void unopenablePdfOnlyWarnsThroughTheDriver();
    void missingServerShowsTheMessageForEveryPdf();
    void failedExportShowsTheMessage();
    void folderWithoutSeparator();
    void convertsTheCorpus();
    void pagesAreToldAsTheyAreSaved_data();
    void pagesAreToldAsTheyAreSaved();
    void stopPartWayKeepsThePagesUnderTheirNames_data();
    void stopPartWayKeepsThePagesUnderTheirNames();

private:
    bool convert(const QString& pdf, QString folder = {});
    std::unique_ptr<QTemporaryDir> m_in;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<AutomationHost> m_host;
    RecordingUserInterface m_ui;
};

void TestAcrobatConversion::init() {
    m_in = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    m_host = std::make_unique<AutomationHost>(TestPaths::programFolder());
    m_ui.messages.clear();
}

bool TestAcrobatConversion::convert(const QString& pdf, QString folder) {
    if (folder.isNull())
        folder = m_out->path() + '/';
    FixedConversionView view(folder, "abc", "abc");
    ConversionContext context{view, m_ui, TestPaths::programFolder(), {}, m_host.get()};
    return ConvertWithAcrobat(pdf, context).jpgCreated();
}

void TestAcrobatConversion::onePageIsExactlyTheOutputPath() {
    const QString pdf = m_in->filePath("Annual.Report.pdf");
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), pdf));
    QVERIFY(convert(pdf));
    QCOMPARE(jpgs(m_out->path()), QStringList{"Annual.jpg"});
    QCOMPARE(probeJpeg(m_out->filePath("Annual.jpg")).size, QSize(1240, 1754));
    QVERIFY(m_ui.messages.isEmpty());
    // The application was asked to end: its server is gone.
    QVERIFY(m_host->serverProcessIds().isEmpty());
}

void TestAcrobatConversion::severalPagesAreNumbered() {
    const QString pdf = m_in->filePath("Annual.Report.pdf");
    QVERIFY(QFile::copy(TestPaths::corpusFile("pdflatex-4-pages.pdf"), pdf));
    QVERIFY(convert(pdf));
    QCOMPARE(jpgs(m_out->path()), (QStringList{"Annual_Page_1.jpg", "Annual_Page_2.jpg",
                                               "Annual_Page_3.jpg", "Annual_Page_4.jpg"}));
}

void TestAcrobatConversion::unopenablePdfOnlyWarnsThroughTheDriver() {
    const QString pdf = m_in->filePath("damaged.pdf");
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4\nthis is all there is\n");
    file.close();
    QVERIFY(!convert(pdf));
    QVERIFY(m_ui.messages.isEmpty());
    QVERIFY(jpgs(m_out->path()).isEmpty());
    QVERIFY(m_host->serverProcessIds().isEmpty());
}

void TestAcrobatConversion::missingServerShowsTheMessageForEveryPdf() {
    QTemporaryDir emptyProgram;
    AutomationHost host(emptyProgram.path());
    FixedConversionView view(m_out->path() + '/', {}, {});
    ConversionContext context{view, m_ui, emptyProgram.path(), {}, &host};
    FileListModel list;
    list.append({"/in/a.pdf", "/in/b.pdf"});
    AcrobatWindow window;
    BatchDriver driver(list, window, context);
    driver.run();
    QCOMPARE(m_ui.messageTexts(),
             (QStringList{kFailure, "Could not create JPG on /in/a.pdf", kFailure,
                          "Could not create JPG on /in/b.pdf", "Done."}));
    QCOMPARE(m_ui.messages.first().style, MessageStyle::Plain);
    QCOMPARE(m_ui.messages.first().caption, QString());
}

void TestAcrobatConversion::failedExportShowsTheMessage() {
    QVERIFY(!convert(TestPaths::corpusFile("minimal-document.pdf"), m_out->filePath("gone/")));
    QCOMPARE(m_ui.messageTexts(), QStringList{kFailure});
}

void TestAcrobatConversion::folderWithoutSeparator() {
    QVERIFY(convert(TestPaths::corpusFile("minimal-document.pdf"), m_out->path()));
    QCOMPARE(jpgs(m_out->path()), QStringList{"minimal-document.jpg"});
}

void TestAcrobatConversion::convertsTheCorpus() {
    for (const QString& pdf : TestPaths::corpusPdfs())
        QVERIFY2(convert(pdf), qPrintable(pdf));
    QCOMPARE(jpgs(m_out->path()).size(), 42); // every page of every PDF
    QVERIFY(m_ui.messages.isEmpty());
}

void TestAcrobatConversion::pagesAreToldAsTheyAreSaved_data() {
    QTest::addColumn<QString>("pages"); // as the command takes them; empty: no request
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<QList<int>>("written");
    QTest::newRow("every page") << "all" << QList<int>{4} << QList<int>{1, 2, 3, 4};
    QTest::newRow("a page list") << "2-3" << QList<int>{2} << QList<int>{1, 2};
    QTest::newRow("the window's run, which does not ask for the count")
        << QString() << QList<int>{} << QList<int>{1, 2, 3, 4};
}

// The export server says each page it has saved while SaveAs runs, so a long PDF moves the
// progress before its answer; the pages expected are told once, before the first.
void TestAcrobatConversion::pagesAreToldAsTheyAreSaved() {
    QFETCH(QString, pages);
    QFETCH(QList<int>, expected);
    QFETCH(QList<int>, written);
    const QString pdf = m_in->filePath("r.pdf");
    QVERIFY(QFile::copy(TestPaths::corpusFile("pdflatex-4-pages.pdf"), pdf));
    FixedConversionView view(m_out->path() + '/', "abc", "abc");
    ConversionContext context{view, m_ui, TestPaths::programFolder(), {}, m_host.get()};
    ConversionRequest request;
    if (!pages.isEmpty()) {
        request.pages = *PageSelection::parse(pages);
        context.request = &request;
    }
    QList<int> toldExpected;
    QList<int> toldWritten;
    context.progress.expected = [&](int n) { toldExpected.append(n); };
    context.progress.written = [&](int n) { toldWritten.append(n); };
    const ConversionOutcome outcome = ConvertWithAcrobat(pdf, context);
    QCOMPARE(outcome.pagesWritten, written.size());
    QCOMPARE(toldExpected, expected);
    QCOMPARE(toldWritten, written);
}

void TestAcrobatConversion::stopPartWayKeepsThePagesUnderTheirNames_data() {
    QTest::addColumn<QByteArray>("stem");
    QTest::newRow("UTF-8") << QByteArray("r\xc3\xa9sum\xc3\xa9");
    QTest::newRow("Latin-1, written through a stand-in") << QByteArray("r\xe9sum\xe9");
    QTest::newRow("no text at all, written through a stand-in") << QByteArray("\xff\xfe");
}

// A stop during SaveAs: the pages saved before it count, under names made of the PDF's own
// bytes, and no stand-in is left in the working folder.
void TestAcrobatConversion::stopPartWayKeepsThePagesUnderTheirNames() {
    QFETCH(QByteArray, stem);
    const QByteArray out = QFile::encodeName(m_out->path());
    const QString pdf = decodeFileName(QFile::encodeName(m_in->path()) + '/' + stem + ".pdf");
    QFile original(TestPaths::corpusFile("pdflatex-4-pages.pdf"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(writePrivateFile(pdf, original.readAll()), 0);
    QTemporaryDir work;
    FixedConversionView view(m_out->path() + '/', "abc", "abc");
    ConversionContext context{view, m_ui, TestPaths::programFolder(), work.path(), m_host.get()};
    context.progress.written = [](int) { requestStop(); };
    const ConversionOutcome outcome = ConvertWithAcrobat(pdf, context).settle();
    clearStopRequest();
    const QByteArrayList written = namesIn(out);
    for (const QByteArray& name : written)
        ::unlink((out + '/' + name).constData());
    ::unlink(encodeFileName(pdf).constData());

    QCOMPARE(outcome.status, ConversionStatus::Partial);
    QCOMPARE(outcome.reason, ReasonCode::Interrupted);
    QVERIFY2(outcome.pagesWritten >= 1 && outcome.pagesWritten < 4,
             qPrintable(QString::number(outcome.pagesWritten)));
    QByteArrayList reported;
    for (const QString& output : outcome.outputs)
        reported.append(encodeFileName(output));
    QByteArrayList expected;
    for (int page = 1; page <= outcome.pagesWritten; ++page)
        expected.append(stem + "_Page_" + QByteArray::number(page) + ".jpg");
    QCOMPARE(written, expected);
    for (QByteArray& name : expected)
        name.prepend(out + '/');
    QCOMPARE(reported, expected);
    QCOMPARE(namesIn(QFile::encodeName(work.path())), QByteArrayList{});
}

QTEST_GUILESS_MAIN(TestAcrobatConversion)
#include "tst_acrobatconversion.moc"
