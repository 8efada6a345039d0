#include "AcroObjects.h"
#include "GflAxObject.h"
#include "components/JpegProbe.h"
#include "components/TestPdfs.h"
#include "support/TestPaths.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

// What the images of the imaging and export objects look like and where they land: colours,
// recorded resolution, names, and pages or images that are damaged.

namespace {

ComponentReply load(GflAxObject& gflax, const QString& path, double dpi, int page) {
    gflax.set("epsdpi", dpi);
    gflax.set("page", page);
    return gflax.call("loadbitmap", {path});
}

// Converts pdf with the imaging object (page 1 at dpi, to "<base>1.jpg") or the export object
// (every page at 150 dpi, to "<base>.jpg" or "<base>_Page_<n>.jpg") into folder. Returns the
// first image written, or an empty text after a failure.
QString convertWith(const QString& component, const QString& pdf, double dpi, const QString& folder,
                    const QString& base) {
    if (component == "imaging") {
        GflAxObject gflax;
        const QString out = folder + '/' + base + "1.jpg";
        return load(gflax, pdf, dpi, 1).ok && gflax.call("savebitmap", {out}).ok ? out : QString();
    }
    AcroDocument document;
    if (document.call("open", {pdf}).result != QJsonValue(true))
        return {};
    ComponentReply script = document.call("getjsobject", {});
    const QString out = folder + '/' + base + ".jpg";
    if (!script.newObject || !script.newObject->call("saveas", {out, "com.adobe.acrobat.jpeg"}).ok)
        return {};
    return QFile::exists(out) ? out : exportPagePath(out, 1, 2);
}

} // namespace

class TestImageFidelity : public QObject {
    Q_OBJECT
private slots:
    void cmykIsColourManaged_data();
    void cmykIsColourManaged();
    void densityIsTheResolution_data();
    void densityIsTheResolution();
    void longestNamesSave_data();
    void longestNamesSave();
    void lostPageTreeIsRebuilt_data();
    void lostPageTreeIsRebuilt();
    void truncatedImageShowsWhatLiesBeneath_data();
    void truncatedImageShowsWhatLiesBeneath();

private:
    QTemporaryDir m_dir;
};

void TestImageFidelity::cmykIsColourManaged_data() {
    QTest::addColumn<QString>("component");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QColor>("expected");
    for (const QString component : {"imaging", "export"}) {
        const QByteArray c = component.toUtf8();
        QTest::newRow(c + " cyan")
            << component << QByteArray("1 0 0 0 k 0 0 200 100 re f") << QColor(0, 173, 239);
        QTest::newRow(c + " magenta")
            << component << QByteArray("0 1 0 0 k 0 0 200 100 re f") << QColor(236, 0, 140);
        // A spot colour whose alternate is CMYK cyan.
        QTest::newRow(c + " separation")
            << component << QByteArray("/CS0 cs 1 scn 0 0 200 100 re f") << QColor(0, 173, 239);
        QTest::newRow(c + " ICC-based")
            << component << QByteArray("/CS1 cs 1 0 0 0 scn 0 0 200 100 re f")
            << QColor(0, 173, 239);
        QTest::newRow(c + " axial shading")
            << component << QByteArray("/Sh0 sh") << QColor(236, 0, 140);
    }
}

// Pure CMYK inks come out as a colour-managed renderer shows them, not as 1 - (c + k).
void TestImageFidelity::cmykIsColourManaged() {
    QFETCH(QString, component);
    QFETCH(QByteArray, content);
    QFETCH(QColor, expected);
    const QString pdf = m_dir.filePath("cmyk.pdf");
    QFile profile("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    QVERIFY(profile.open(QIODevice::ReadOnly));
    const QByteArray icc = profile.readAll();
    QVERIFY(TestPdfs::writeOnePagePdf(
        pdf, content, 200, 100,
        "/ColorSpace << /CS1 [/ICCBased 5 0 R] /CS0 [/Separation /Spot /DeviceCMYK << "
        "/FunctionType 2 /Domain [0 1] "
        "/C0 [0 0 0 0] /C1 [1 0 0 0] /N 1 >>] >> /Shading << /Sh0 << /ShadingType 2 "
        "/ColorSpace /DeviceCMYK /Coords [0 0 200 0] /Extend [true true] /Function << "
        "/FunctionType 2 /Domain [0 1] /C0 [0 1 0 0] /C1 [0 1 0 0] /N 1 >> >> >>",
        {"<< /N 4 /Length " + QByteArray::number(icc.size()) + " >>\nstream\n" + icc +
         "\nendstream"}));
    QTemporaryDir out;
    const QString jpg = convertWith(component, pdf, 72.0, out.path(), "cmyk");
    QVERIFY(!jpg.isEmpty());
    const QColor pixel = QImage(jpg).pixelColor(40, 40);
    for (const auto& [got, want] : {std::pair{pixel.red(), expected.red()},
                                    {pixel.green(), expected.green()},
                                    {pixel.blue(), expected.blue()}})
        QVERIFY2(std::abs(got - want) <= 8, qPrintable(pixel.name() + " " + expected.name()));
}

void TestImageFidelity::densityIsTheResolution_data() {
    QTest::addColumn<QString>("component");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("density");
    QTest::newRow("imaging 72") << "imaging" << 72.0 << 72;
    QTest::newRow("imaging 288") << "imaging" << 288.0 << 288;
    QTest::newRow("imaging 100.5") << "imaging" << 100.5 << 101;
    QTest::newRow("export") << "export" << 0.0 << 150;
}

void TestImageFidelity::densityIsTheResolution() {
    QFETCH(QString, component);
    QFETCH(double, dpi);
    QFETCH(int, density);
    QTemporaryDir out;
    const QString jpg = convertWith(component, TestPaths::corpusFile("pdflatex-4-pages.pdf"), dpi,
                                    out.path(), "page");
    QVERIFY(!jpg.isEmpty());
    const JpegInfo info = probeJpeg(jpg);
    QCOMPARE(info.densityUnit, 1);
    QCOMPARE(info.density, QSize(density, density));
}

void TestImageFidelity::longestNamesSave_data() {
    QTest::addColumn<QString>("component");
    QTest::newRow("imaging") << "imaging";
    QTest::newRow("export") << "export";
}

// A name as long as the folder allows is written, and no temporary file is left beside it.
void TestImageFidelity::longestNamesSave() {
    QFETCH(QString, component);
    QTemporaryDir out;
    const QString base(245, QLatin1Char('b'));
    const QString jpg = convertWith(component, TestPaths::corpusFile("minimal-document.pdf"), 36.0,
                                    out.path(), base);
    QVERIFY(!jpg.isEmpty());
    QVERIFY(probeJpeg(jpg).valid());
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QFileInfo(jpg).fileName()});
}

void TestImageFidelity::lostPageTreeIsRebuilt_data() {
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::newRow("catalogue without /Pages") << QByteArray("  /Pages 3 0 R\n") << QByteArray();
    QTest::newRow("/Pages names another object")
        << QByteArray("  /Pages 3 0 R\n") << QByteArray("  /Pages 2 0 R\n");
    QTest::newRow("tree node lost its kids") << QByteArray("  /Kids [") << QByteArray("  /Lost [");
}

// A catalogue that lost its page tree: the pages are found and all of them render.
void TestImageFidelity::lostPageTreeIsRebuilt() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    const QString pdf = m_dir.filePath("lost-tree.pdf");
    QFile::remove(pdf);
    QVERIFY(TestPdfs::editPdf(TestPaths::corpusFile("pdflatex-4-pages.pdf"), pdf, from, to));
    for (int page = 1; page <= 4; ++page) {
        GflAxObject gflax;
        const ComponentReply loaded = load(gflax, pdf, 36.0, page);
        QVERIFY2(loaded.ok, qPrintable(loaded.error));
        QVERIFY(gflax.call("savebitmap", {m_dir.filePath("tree.jpg")}).ok);
    }
    QTemporaryDir out;
    QVERIFY(!convertWith("export", pdf, 0, out.path(), "tree").isEmpty());
    QCOMPARE(QDir(out.path()).entryList({"*.jpg"}).size(), 4);
}

void TestImageFidelity::truncatedImageShowsWhatLiesBeneath_data() {
    QTest::addColumn<QByteArray>("filter");
    QTest::addColumn<bool>("mask");
    QTest::addColumn<bool>("topDrawn");
    QTest::newRow("uncompressed") << QByteArray() << false << true;
    QTest::newRow("Flate") << QByteArray("/FlateDecode") << false << true;
    QTest::newRow("Flate image mask") << QByteArray("/FlateDecode") << true << true;
    // MuPDF decodes no row of this one at all: nothing is drawn, as Ghostscript does.
    QTest::newRow("JPEG cut short") << QByteArray("/DCTDecode") << false << false;
}

// The data of a 100 x 100 red image over a blue page, cut after its top 50 rows (JPEG: after
// 60 % of its bytes): the rows present are drawn, the rest of the page stays blue, not black.
void TestImageFidelity::truncatedImageShowsWhatLiesBeneath() {
    QFETCH(QByteArray, filter);
    QFETCH(bool, mask);
    QFETCH(bool, topDrawn);
    const QByteArray rows =
        mask ? QByteArray(50 * 13, '\0') // 1 bit a pixel, 0 = paint
             : QByteArray(50 * 100 * 3, '\0').replace(QByteArray(3, '\0'), "\xc8\x32\x32");
    QByteArray data = filter.isEmpty() ? rows : qCompress(rows).mid(4);
    if (filter == "/DCTDecode") {
        QImage red(100, 100, QImage::Format_RGB32);
        red.fill(QColor(200, 50, 50));
        QBuffer jpeg;
        QVERIFY(jpeg.open(QIODevice::WriteOnly) && red.save(&jpeg, "JPG", 90));
        data = jpeg.data().left(jpeg.data().size() * 6 / 10);
    }
    const QByteArray image =
        "<< /Type /XObject /Subtype /Image /Width 100 /Height 100 " +
        QByteArray(mask ? "/ImageMask true" : "/ColorSpace /DeviceRGB /BitsPerComponent 8") +
        (filter.isEmpty() ? "" : " /Filter " + filter) + " /Length " +
        QByteArray::number(data.size()) + " >>\nstream\n" + data + "\nendstream";
    const QString pdf = m_dir.filePath("truncated.pdf");
    QVERIFY(TestPdfs::writeOnePagePdf(pdf,
                                      "0 0 1 rg 0 0 200 200 re f 1 0 0 rg "
                                      "q 200 0 0 200 0 0 cm /Im1 Do Q",
                                      200, 200, "/XObject << /Im1 5 0 R >>", {image}));
    QTemporaryDir out;
    const QString jpg = convertWith("imaging", pdf, 72.0, out.path(), "truncated");
    QVERIFY(!jpg.isEmpty());
    const QImage page(jpg);
    const QColor top = page.pixelColor(100, 20);
    const QColor bottom = page.pixelColor(100, 180);
    if (topDrawn)
        QVERIFY2(top.red() > 150 && top.blue() < 100, qPrintable(top.name()));
    else
        QVERIFY2(top.blue() > 200 && top.red() < 50, qPrintable(top.name()));
    QVERIFY2(bottom.blue() > 200 && bottom.red() < 50, qPrintable(bottom.name()));
}

QTEST_GUILESS_MAIN(TestImageFidelity)
#include "tst_imagefidelity.moc"
