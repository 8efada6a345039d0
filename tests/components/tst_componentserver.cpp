#include "AcroObjects.h"
#include "ComponentServer.h"
#include "GflAxObject.h"
#include "components/JpegProbe.h"
#include "components/TestPdfs.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>

namespace {

QJsonObject answerTo(ComponentServer& server, const QByteArray& line) {
    return QJsonDocument::fromJson(server.handle(line)).object();
}

// Sends request, numbered unless it says its own id.
QJsonObject ask(ComponentServer& server, QJsonObject request) {
    static qint64 next = 1000;
    if (!request.contains("id"))
        request.insert("id", next++);
    return answerTo(server, QJsonDocument(request).toJson(QJsonDocument::Compact));
}

ComponentReply load(GflAxObject& gflax, const QString& path, double dpi, int page) {
    gflax.set("epsdpi", dpi);
    gflax.set("page", page);
    return gflax.call("loadbitmap", {path});
}

} // namespace

class TestComponentServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void createsClassesWithoutRegardToCase();
    void rejectsMalformedAndUnknownRequests();
    void requestWithoutAWholeIdIsNotServed_data();
    void requestWithoutAWholeIdIsNotServed();
    void answersQuoteAtMostAFewDozenCharacters_data();
    void answersQuoteAtMostAFewDozenCharacters();
    void releasedObjectIsGone();
    void exitEndsTheServerAfterAnswering();
    void faultCodes_data();
    void faultCodes();
    void saveFaults_data();
    void saveFaults();
    void imageSizeFollowsPageSizeAndResolution_data();
    void imageSizeFollowsPageSizeAndResolution();
    void bandsJoinIntoOneCleanImage_data();
    void bandsJoinIntoOneCleanImage();
    void pagesAheadMatchPagesAlone_data();
    void pagesAheadMatchPagesAlone();
    void renderingAheadStopsWhereTheBatchEnds_data();
    void renderingAheadStopsWhereTheBatchEnds();
    void saveReplacesAndRefusesOtherFormats();
    void reloadsAFileThatChanged();
    void exportPagePaths_data();
    void exportPagePaths();
    void exportOpenAndConversionId();

private:
    QTemporaryDir m_dir;
    QString m_encrypted;
};

void TestComponentServer::initTestCase() {
    // A budget of two threads: the pages rendered ahead are then two, whatever the machine.
    qputenv("PAGEKILN_RENDER_THREADS", "2");
    QVERIFY(m_dir.isValid());
    m_encrypted = m_dir.filePath("locked.pdf");
    QVERIFY(TestPdfs::makeEncrypted(TestPaths::corpusFile("minimal-document.pdf"), m_encrypted));
}

void TestComponentServer::createsClassesWithoutRegardToCase() {
    ComponentServer server(gflaxClasses());
    const QJsonObject created =
        ask(server, {{"id", 7}, {"op", "create"}, {"class", "gFLAX.gflax"}});
    QCOMPARE(created.value("ok").toBool(), true);
    QCOMPARE(created.value("id").toInt(), 7);
    const qint64 object = created.value("object").toInteger();
    QVERIFY(object > 0);
    QVERIFY(
        ask(server,
            {{"id", 8}, {"op", "set"}, {"object", object}, {"name", "EPSDPI"}, {"value", 288.5}})
            .value("ok")
            .toBool());
    const QJsonObject got =
        ask(server, {{"id", 9}, {"op", "get"}, {"object", object}, {"name", "EpsDpi"}});
    QCOMPARE(got.value("result").toDouble(), 288.5);
    QCOMPARE(ask(server, {{"op", "create"}, {"class", "AcroExch.app"}}).value("ok").toBool(),
             false);
}

void TestComponentServer::requestWithoutAWholeIdIsNotServed_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<qint64>("id"); // what the answer repeats; 0: the request is not served
    const QByteArray create = R"("op":"create","class":"GflAx.GflAx")";
    QTest::newRow("whole number") << "{\"id\":7," + create + "}" << qint64(7);
    QTest::newRow("written with a fraction of zero") << "{\"id\":8.0," + create + "}" << qint64(8);
    QTest::newRow("largest exact")
        << "{\"id\":9007199254740992," + create + "}" << qint64(9007199254740992);
    QTest::newRow("no id") << "{" + create + "}" << qint64(0);
    QTest::newRow("text") << "{\"id\":\"7\"," + create + "}" << qint64(0);
    QTest::newRow("null") << "{\"id\":null," + create + "}" << qint64(0);
    QTest::newRow("zero") << "{\"id\":0," + create + "}" << qint64(0);
    QTest::newRow("below zero") << "{\"id\":-3," + create + "}" << qint64(0);
    QTest::newRow("fraction") << "{\"id\":2.5," + create + "}" << qint64(0);
    QTest::newRow("too large to be exact") << "{\"id\":1e300," + create + "}" << qint64(0);
    QTest::newRow("true") << "{\"id\":true," + create + "}" << qint64(0);
    QTest::newRow("array") << "{\"id\":[7]," + create + "}" << qint64(0);
    QTest::newRow("not JSON") << QByteArray("{\"id\":7,\"op\":\"cre") << qint64(0);
    QTest::newRow("not an object") << QByteArray("[7]") << qint64(0);
}

// Only a request with an id the client can match its answer by is served; any other gets a
// bad-argument answer with a null id, and nothing is done.
void TestComponentServer::requestWithoutAWholeIdIsNotServed() {
    QFETCH(QByteArray, line);
    QFETCH(qint64, id);
    ComponentServer server(gflaxClasses());
    const QByteArray raw = server.handle(line);
    const QJsonObject answer = QJsonDocument::fromJson(raw).object();
    QVERIFY2(answer.contains("id"), raw.constData());
    QCOMPARE(answer.value("id"), id > 0 ? QJsonValue(id) : QJsonValue(QJsonValue::Null));
    QCOMPARE(answer.value("ok").toBool(), id > 0);
    QCOMPARE(server.objectCount(), std::size_t(id > 0 ? 1 : 0));
    if (id == 0)
        QCOMPARE(answer.value("code").toString(), QString("bad-argument"));
}

void TestComponentServer::answersQuoteAtMostAFewDozenCharacters_data() {
    QTest::addColumn<QString>("field"); // where the long name goes
    QTest::newRow("class") << "class";
    QTest::newRow("operation") << "op";
    QTest::newRow("member of the imaging object") << "gflax member";
    QTest::newRow("member of the document") << "document member";
    QTest::newRow("conversion") << "conversion";
}

// A name the server does not know is quoted in its answer, but never more than its start: a
// request of many megabytes gets an answer of a line.
void TestComponentServer::answersQuoteAtMostAFewDozenCharacters() {
    QFETCH(QString, field);
    const QString huge = "Name" + QString(4 << 20, 'x');
    ComponentServer server(field == "gflax member" ? gflaxClasses() : acroClasses());
    const QString cls = field == "gflax member" ? "GflAx.GflAx" : "AcroExch.PDDoc";
    QJsonObject request{{"op", "create"}, {"class", field == "class" ? huge : cls}};
    if (field == "op")
        request = {{"op", huge}};
    const qint64 object =
        field == "class" || field == "op" ? 0 : ask(server, request).value("object").toInteger();
    if (field.endsWith("member"))
        request = {{"op", "call"}, {"object", object}, {"name", huge}, {"args", QJsonArray{}}};
    if (field == "conversion") {
        QVERIFY(ask(server, {{"op", "call"},
                             {"object", object},
                             {"name", "Open"},
                             {"args", QJsonArray{TestPaths::corpusFile("minimal-document.pdf")}}})
                    .value("result")
                    .toBool());
        const qint64 script = ask(server, {{"op", "call"},
                                           {"object", object},
                                           {"name", "GetJSObject"},
                                           {"args", QJsonArray{}}})
                                  .value("object")
                                  .toInteger();
        request = {{"op", "call"},
                   {"object", script},
                   {"name", "SaveAs"},
                   {"args", QJsonArray{m_dir.filePath("x.jpg"), huge}}};
    }
    const QJsonObject answer = ask(server, request);
    QCOMPARE(answer.value("ok").toBool(), false);
    const QString error = answer.value("error").toString();
    QVERIFY2(error.contains("\"Namexxx", Qt::CaseInsensitive) && error.contains("xxx\"..."),
             qPrintable(error));
    QVERIFY2(error.size() < 200, qPrintable(error.left(300)));
}

void TestComponentServer::rejectsMalformedAndUnknownRequests() {
    ComponentServer server(gflaxClasses());
    const QJsonObject broken = QJsonDocument::fromJson(server.handle("{\"op\": \"cre")).object();
    QCOMPARE(broken.value("ok").toBool(), false);
    QVERIFY(!broken.value("error").toString().isEmpty());
    QCOMPARE(ask(server, {{"id", 1}, {"op", "explode"}}).value("ok").toBool(), false);
    const qint64 object =
        ask(server, {{"op", "create"}, {"class", "GflAx.GflAx"}}).value("object").toInteger();
    const QJsonObject wrongName = ask(
        server, {{"op", "call"}, {"object", object}, {"name", "Print"}, {"args", QJsonArray{}}});
    QCOMPARE(wrongName.value("ok").toBool(), false);
    const QJsonObject wrongType =
        ask(server, {{"op", "set"}, {"object", object}, {"name", "Page"}, {"value", "two"}});
    QCOMPARE(wrongType.value("ok").toBool(), false);
}

void TestComponentServer::releasedObjectIsGone() {
    ComponentServer server(gflaxClasses());
    const qint64 object =
        ask(server, {{"op", "create"}, {"class", "GflAx.GflAx"}}).value("object").toInteger();
    QCOMPARE(server.objectCount(), std::size_t(1));
    QVERIFY(ask(server, {{"op", "release"}, {"object", object}}).value("ok").toBool());
    QCOMPARE(server.objectCount(), std::size_t(0));
    QCOMPARE(
        ask(server, {{"op", "get"}, {"object", object}, {"name", "Page"}}).value("ok").toBool(),
        false);
}

void TestComponentServer::exitEndsTheServerAfterAnswering() {
    ComponentServer server(acroClasses());
    const qint64 app =
        ask(server, {{"op", "create"}, {"class", "AcroExch.App"}}).value("object").toInteger();
    QVERIFY(!server.ended());
    const QJsonObject answer =
        ask(server, {{"op", "call"}, {"object", app}, {"name", "Exit"}, {"args", QJsonArray{}}});
    QVERIFY(answer.value("ok").toBool());
    QVERIFY(answer.value("ending").toBool());
    QVERIFY(server.ended());
}

void TestComponentServer::faultCodes_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("code");
    const QString minimal = TestPaths::corpusFile("minimal-document.pdf");
    QTest::newRow("missing file") << "nothing.pdf"
                                  << "" << 72.0 << 1 << "missing";
    QTest::newRow("zero bytes") << "empty.pdf"
                                << "" << 72.0 << 1 << "not-pdf";
    QTest::newRow("not a PDF") << "text.pdf"
                               << "" << 72.0 << 1 << "not-pdf";
    QTest::newRow("damaged") << "damaged.pdf"
                             << "" << 72.0 << 1 << "damaged";
    QTest::newRow("pipe") << "pipe.pdf"
                          << "" << 72.0 << 1 << "not-regular";
    QTest::newRow("folder") << "folder.pdf"
                            << "" << 72.0 << 1 << "not-regular";
    QTest::newRow("password needed") << "locked.pdf"
                                     << "" << 72.0 << 1 << "password";
    QTest::newRow("wrong password") << "locked.pdf"
                                    << "guess" << 72.0 << 1 << "password-wrong";
    QTest::newRow("right password") << "locked.pdf"
                                    << "secret" << 72.0 << 1 << "none";
    QTest::newRow("page 0") << minimal << "" << 72.0 << 0 << "bad-argument";
    QTest::newRow("beyond the end")
        << TestPaths::corpusFile("pdflatex-4-pages.pdf") << "" << 72.0 << 5 << "no-page";
    QTest::newRow("resolution 0") << minimal << "" << 0.0 << 1 << "bad-argument";
    // A Letter page is 792 points high: 6000 dpi gives 66,000 pixels.
    QTest::newRow("too many pixels")
        << TestPdfs::gnuplotManual() << "" << 6000.0 << 1 << "too-large";
}

// Every broken input gets its own code, through the protocol as the client sees it; a pipe
// fails at once instead of waiting for a writer.
void TestComponentServer::faultCodes() {
    QFETCH(QString, file);
    QFETCH(QString, password);
    QFETCH(double, dpi);
    QFETCH(int, page);
    QFETCH(QString, code);
    QFile(m_dir.filePath("empty.pdf")).open(QIODevice::WriteOnly);
    QFile text(m_dir.filePath("text.pdf"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Dear reader,\nthis is not a PDF.\n");
    text.close();
    QFile damaged(m_dir.filePath("damaged.pdf"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n");
    damaged.close();
    QDir(m_dir.path()).mkpath("folder.pdf");
    ::mkfifo(QFile::encodeName(m_dir.filePath("pipe.pdf")).constData(), 0600);
    const QString path = QDir::isAbsolutePath(file) ? file : m_dir.filePath(file);
    ComponentServer server(gflaxClasses());
    const qint64 object =
        ask(server, {{"op", "create"}, {"class", "GflAx.GflAx"}}).value("object").toInteger();
    for (const auto& [name, value] :
         {std::pair<QString, QJsonValue>{"EpsDpi", dpi}, {"Page", page}, {"Password", password}})
        QVERIFY(ask(server, {{"op", "set"}, {"object", object}, {"name", name}, {"value", value}})
                    .value("ok")
                    .toBool());
    const QJsonObject answer = ask(
        server,
        {{"op", "call"}, {"object", object}, {"name", "LoadBitmap"}, {"args", QJsonArray{path}}});
    QCOMPARE(answer.value("code").toString("none"), code);
    QCOMPARE(answer.value("ok").toBool(), code == "none");
    if (code != "none")
        QVERIFY(!answer.value("error").toString().isEmpty());
}

void TestComponentServer::saveFaults_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("code");
    QTest::newRow("missing folder") << "no/such/folder/a.jpg"
                                    << "no-folder";
    QTest::newRow("folder is a file") << "text.pdf/a.jpg"
                                      << "no-folder";
    QTest::newRow("name too long") << QString(300, 'n') + ".jpg"
                                   << "write-failed";
}

void TestComponentServer::saveFaults() {
    QFETCH(QString, target);
    QFETCH(QString, code);
    GflAxObject gflax;
    QVERIFY(load(gflax, TestPaths::corpusFile("minimal-document.pdf"), 72.0, 1).ok);
    const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    const ComponentReply reply = gflax.call("savebitmap", {m_dir.filePath(target)});
    QVERIFY(!reply.ok);
    QCOMPARE(faultName(reply.fault), code);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

void TestComponentServer::imageSizeFollowsPageSizeAndResolution_data() {
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<int>("page");
    QTest::addColumn<double>("dpi");
    for (const QString& pdf : TestPaths::corpusPdfs())
        QTest::newRow(qPrintable(QFileInfo(pdf).fileName())) << pdf << 1 << 144.0;
    QTest::newRow("last of four") << TestPaths::corpusFile("pdflatex-4-pages.pdf") << 4 << 72.0;
    QTest::newRow("odd resolution") << TestPaths::corpusFile("habibi.pdf") << 1 << 100.5;
    QTest::newRow("images page 6") << TestPaths::corpusFile("imagemagick-images.pdf") << 6 << 300.0;
    QTest::newRow("manual page 200") << TestPdfs::gnuplotManual() << 200 << 72.0;
}

void TestComponentServer::imageSizeFollowsPageSizeAndResolution() {
    QFETCH(QString, pdf);
    QFETCH(int, page);
    QFETCH(double, dpi);
    GflAxObject gflax;
    const ComponentReply loaded = load(gflax, pdf, dpi, page);
    QVERIFY2(loaded.ok, qPrintable(loaded.error));
    const QString out = m_dir.filePath("size.jpg");
    const ComponentReply saved = gflax.call("savebitmap", {out});
    QVERIFY2(saved.ok, qPrintable(saved.error));
    const JpegInfo info = probeJpeg(out);
    QVERIFY(info.valid());
    QCOMPARE(info.size, TestPdfs::pixelSize(TestPdfs::pageSize(pdf, page), dpi));
}

void TestComponentServer::pagesAheadMatchPagesAlone_data() {
    using Steps = QList<QPair<int, double>>; // page, resolution
    QTest::addColumn<Steps>("steps");
    QTest::newRow("in order") << Steps{{1, 72}, {2, 72}, {3, 72}, {4, 72}};
    QTest::newRow("resolution changes") << Steps{{1, 72}, {2, 72}, {3, 96}, {4, 72}};
    QTest::newRow("back and skip") << Steps{{2, 72}, {3, 72}, {1, 72}, {4, 72}, {3, 72}};
    QTest::newRow("last page") << Steps{{3, 60}, {4, 60}, {4, 60}};
}

// A batch that goes from page to page gets the next one rendered ahead; whatever the order
// and resolution of the requests, every saved image is byte for byte the page rendered alone.
void TestComponentServer::pagesAheadMatchPagesAlone() {
    using Steps = QList<QPair<int, double>>;
    QFETCH(Steps, steps);
    const QString pdf = TestPaths::corpusFile("pdflatex-4-pages.pdf");
    GflAxObject batch;
    QVERIFY(batch.set("lastpage", 4).ok);
    for (const auto& [page, dpi] : steps) {
        QVERIFY(load(batch, pdf, dpi, page).ok);
        const QString inBatch = m_dir.filePath("batch.jpg");
        QVERIFY(batch.call("savebitmap", {inBatch}).ok);
        GflAxObject alone;
        QVERIFY(load(alone, pdf, dpi, page).ok);
        const QString byItself = m_dir.filePath("alone.jpg");
        QVERIFY(alone.call("savebitmap", {byItself}).ok);
        QFile a(inBatch);
        QFile b(byItself);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QVERIFY2(a.readAll() == b.readAll(), qPrintable(QString("page %1").arg(page)));
    }
}

void TestComponentServer::renderingAheadStopsWhereTheBatchEnds_data() {
    QTest::addColumn<int>("lastPage");
    QTest::addColumn<int>("loads"); // pages 1 to loads, each saved
    QTest::addColumn<int>("recorded");
    QTest::newRow("two of four") << 2 << 2 << 2;
    QTest::newRow("first page only") << 1 << 1 << 1;
    QTest::newRow("count unknown") << 0 << 3 << 3;
    QTest::newRow("count past the end") << 32767 << 5 << 4;
}

// The batch says how many pages it will load; the server renders ahead up to there and never a
// page that will not be saved, nor beyond the end of the document.
void TestComponentServer::renderingAheadStopsWhereTheBatchEnds() {
    QFETCH(int, lastPage);
    QFETCH(int, loads);
    QFETCH(int, recorded);
    const QString pdf = TestPaths::corpusFile("pdflatex-4-pages.pdf");
    GflAxObject batch;
    QVERIFY(batch.set("lastpage", lastPage).ok);
    QCOMPARE(batch.get("lastpage").result.toInteger(), lastPage);
    for (int page = 1; page <= loads; ++page) {
        if (!load(batch, pdf, 72, page).ok) {
            QCOMPARE(page, 5); // the end of the document
            break;
        }
        if (page == 1) // the current page and, when the batch goes on, two ahead
            QCOMPARE(batch.engine().pagesRecorded(), std::clamp(lastPage, 1, 3));
        QVERIFY(batch.call("savebitmap", {m_dir.filePath("ahead.jpg")}).ok);
    }
    QCOMPARE(batch.engine().pagesRecorded(), recorded);
}

void TestComponentServer::bandsJoinIntoOneCleanImage_data() {
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<int>("page");
    QTest::addColumn<double>("dpi");
    QTest::newRow("grey text") << TestPdfs::gnuplotManual() << 1 << 300.0;
    QTest::newRow("colour") << TestPaths::corpusFile("pdflatex-image.pdf") << 1 << 144.0;
    QTest::newRow("Letter at 200 dpi") << TestPaths::corpusFile("crazyones-pdfa.pdf") << 1 << 200.0;
}

// The page is rendered and compressed in bands on several threads and joined with restart
// markers; a strict decoder must accept the result and see the same page Poppler renders.
void TestComponentServer::bandsJoinIntoOneCleanImage() {
    QFETCH(QString, pdf);
    QFETCH(int, page);
    QFETCH(double, dpi);
    GflAxObject gflax;
    QVERIFY(load(gflax, pdf, dpi, page).ok);
    const QString ours = m_dir.filePath("bands.jpg");
    QVERIFY(gflax.call("savebitmap", {ours}).ok);
    QProcess strict;
    strict.start("convert", {"-regard-warnings", ours, "null:"});
    QVERIFY(strict.waitForFinished(60'000));
    QCOMPARE(strict.exitCode(), 0);
    QProcess poppler;
    poppler.start("pdftoppm",
                  {"-png", "-r", QString::number(dpi), "-f", QString::number(page), "-l",
                   QString::number(page), "-singlefile", pdf, m_dir.filePath("reference")});
    QVERIFY(poppler.waitForFinished(60'000));
    QProcess compare;
    compare.start("compare", {"-metric", "PSNR", ours, m_dir.filePath("reference.png"), "null:"});
    QVERIFY(compare.waitForFinished(60'000));
    const double psnr = QString::fromUtf8(compare.readAllStandardError()).toDouble();
    QVERIFY2(psnr > 20.0, qPrintable(QString::number(psnr)));
}

void TestComponentServer::saveReplacesAndRefusesOtherFormats() {
    const QString out = m_dir.filePath("replace.jpg");
    QFile old(out);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5'000'000, 'x'));
    old.close();
    GflAxObject gflax;
    QVERIFY(load(gflax, TestPaths::corpusFile("minimal-document.pdf"), 72.0, 1).ok);
    gflax.set("saveformat", 2);
    const ComponentReply refused = gflax.call("savebitmap", {out});
    QVERIFY(!refused.ok);
    QCOMPARE(QFileInfo(out).size(), 5'000'000);
    gflax.set("saveformat", 1);
    QVERIFY(gflax.call("savebitmap", {out}).ok);
    QCOMPARE(probeJpeg(out).size, QSize(595, 842));
    QVERIFY(QFileInfo(out).size() < 5'000'000);
}

void TestComponentServer::reloadsAFileThatChanged() {
    const QString path = m_dir.filePath("changing.pdf");
    QFile::remove(path);
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), path));
    GflAxObject gflax;
    QVERIFY(load(gflax, path, 72.0, 1).ok);
    QVERIFY(!load(gflax, path, 72.0, 3).ok);
    QFile::remove(path);
    QVERIFY(QFile::copy(TestPaths::corpusFile("pdflatex-4-pages.pdf"), path));
    QVERIFY(load(gflax, path, 72.0, 3).ok);
}

void TestComponentServer::exportPagePaths_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one page") << "/out/Annual.jpg" << 1 << 1 << "/out/Annual.jpg";
    QTest::newRow("first of two") << "/out/Annual.jpg" << 1 << 2 << "/out/Annual_Page_1.jpg";
    QTest::newRow("tenth") << "/out/Annual.jpg" << 10 << 12 << "/out/Annual_Page_10.jpg";
    QTest::newRow("upper-case extension") << "/out/A.JPG" << 2 << 3 << "/out/A_Page_2.jpg";
    QTest::newRow("no extension") << "/out/A" << 2 << 3 << "/out/A_Page_2.jpg";
}

void TestComponentServer::exportPagePaths() {
    QFETCH(QString, path);
    QFETCH(int, page);
    QFETCH(int, count);
    QFETCH(QString, expected);
    QCOMPARE(exportPagePath(path, page, count), expected);
}

void TestComponentServer::exportOpenAndConversionId() {
    AcroDocument document;
    const ComponentReply locked = document.call("open", {m_encrypted});
    QCOMPARE(locked.result, QJsonValue(false));
    QCOMPARE(locked.fault, Fault::Password);
    QCOMPARE(document.call("open", {m_encrypted, "guess"}).fault, Fault::PasswordWrong);
    QVERIFY(!document.call("getjsobject", {}).ok);
    QCOMPARE(document.call("open", {m_encrypted, "secret"}).result, QJsonValue(true));
    QCOMPARE(document.call("open", {TestPaths::corpusFile("minimal-document.pdf")}).result,
             QJsonValue(true));
    ComponentReply script = document.call("getjsobject", {});
    QVERIFY(script.ok && script.newObject);
    const QString out = m_dir.filePath("export.jpg");
    QVERIFY(!script.newObject->call("saveas", {out, "com.adobe.acrobat.tiff"}).ok);
    QVERIFY(!QFile::exists(out));
    QVERIFY(script.newObject->call("saveas", {out, "com.adobe.acrobat.jpeg"}).ok);
    QCOMPARE(probeJpeg(out).size, QSize(1240, 1754));
    QVERIFY(document.call("close", {}).ok);
    QVERIFY(!script.newObject->call("saveas", {out, "com.adobe.acrobat.jpeg"}).ok);
}

QTEST_GUILESS_MAIN(TestComponentServer)
#include "tst_componentserver.moc"
