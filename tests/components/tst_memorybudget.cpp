#include "MemoryBudget.h"
#include "components/JpegProbe.h"
#include "protocol/Automation.h"
#include "support/TestFiles.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A one-page PDF (side x side points) holding one Flate-compressed RGB image of pixels x
// pixels drawn over the whole page: small on disk, large once decoded.
QByteArray pdfWithOneImage(int pixels, int side) {
    QByteArray raw(qsizetype(pixels) * pixels * 3, Qt::Uninitialized);
    char* p = raw.data();
    for (int y = 0; y < pixels; ++y)
        for (int x = 0; x < pixels; ++x) {
            *p++ = char(x * 255 / pixels);
            *p++ = char(y * 255 / pixels);
            *p++ = char(128);
        }
    const QByteArray image = qCompress(raw, 1).mid(4); // a zlib stream without Qt's length
    raw.clear();
    const QByteArray content = QStringLiteral("q %1 0 0 %1 0 0 cm /Im Do Q").arg(side).toLatin1();
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        QStringLiteral("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %1 %1] /Resources << /XObject "
                       "<< /Im 5 0 R >> >> /Contents 4 0 R >>")
            .arg(side)
            .toLatin1(),
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "\nendstream",
        QStringLiteral(
            "<< /Type /XObject /Subtype /Image /Width %1 /Height %1 /ColorSpace "
            "/DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode /Length %2 >>\nstream\n")
                .arg(pixels)
                .arg(image.size())
                .toLatin1() +
            image + "\nendstream"};
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// A Letter page drawing one inline image of side x side pixels in colour space `space`, with no
// data: a few hundred bytes that ask MuPDF for side x side x components bytes. With `form` the
// image is drawn by a form XObject; `before` is drawn first. (Whatever would follow the image
// in the same stream is read as its missing data.)
QByteArray pdfWithInlineImage(int side, const QByteArray& space, bool form,
                              const QByteArray& before = {}) {
    const QByteArray image = "q 612 0 0 792 0 0 cm BI /W " + QByteArray::number(side) + " /H " +
                             QByteArray::number(side) + " /CS " + space + " /BPC 8 ID \nEI Q\n";
    const QByteArray page = before + (form ? QByteArray("/Fm Do\n") : image);
    const auto stream = [](const QByteArray& dict, const QByteArray& data) {
        return "<< " + dict + " /Length " + QByteArray::number(data.size()) + " >>\nstream\n" +
               data + "\nendstream";
    };
    return TestFiles::pdfFromObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Fm 5 "
         "0 R >> >> /Contents 4 0 R >>",
         stream({}, page), stream("/Type /XObject /Subtype /Form /BBox [0 0 612 792]", image)});
}

// The peak resident memory of a running process, in bytes.
qint64 peakMemory(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto match = QRegularExpression(R"(VmHWM:\s+(\d+) kB)").match(status.readAll());
    return match.hasMatch() ? match.captured(1).toLongLong() * 1024 : -1;
}

} // namespace

class TestMemoryBudget : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mupdfIsRefusedPastTheCap();
    void largePagesStayWithinTheBudget_data();
    void largePagesStayWithinTheBudget();
    void inlineImageBombsGoToGhostscript_data();
    void inlineImageBombsGoToGhostscript();

private:
    QTemporaryDir m_dir;
    QString m_hugeImage;
};

void TestMemoryBudget::initTestCase() {
    QVERIFY(m_dir.isValid());
    // 4500 x 4500 RGB: 61 MB decoded, 81 MB as MuPDF holds it: more than the whole budget.
    m_hugeImage = m_dir.filePath("huge image.pdf");
    QFile pdf(m_hugeImage);
    QVERIFY(pdf.open(QIODevice::WriteOnly));
    pdf.write(pdfWithOneImage(4500, 500));
}

// MuPDF's allocations go through the cap: past it, an allocation fails as MuPDF's own memory
// error, and what is freed is given back.
void TestMemoryBudget::mupdfIsRefusedPastTheCap() {
    CappedAllocator allocator(8u << 20);
    fz_context* ctx = fz_new_context(allocator.context(), nullptr, 1u << 20);
    QVERIFY(ctx);
    const std::size_t start = allocator.used();
    fz_pixmap* fits = nullptr;
    int refused = 0;
    fz_try(ctx) {
        fits = fz_new_pixmap(ctx, fz_device_rgb(ctx), 1000, 1000, nullptr, 0); // 3 MB
        fz_pixmap* tooMuch = fz_new_pixmap(ctx, fz_device_rgb(ctx), 2000, 1000, nullptr, 0);
        fz_drop_pixmap(ctx, tooMuch);
    }
    fz_catch(ctx) {
        refused = fz_caught(ctx);
    }
    QCOMPARE(refused, int(FZ_ERROR_MEMORY));
    QVERIFY(fits);
    QVERIFY(allocator.used() >= start + 3'000'000);
    fz_drop_pixmap(ctx, fits);
    QCOMPARE(allocator.used(), start);
    fz_drop_context(ctx);
}

void TestMemoryBudget::largePagesStayWithinTheBudget_data() {
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<bool>("ghostscriptFound");
    QTest::addColumn<bool>("saved");
    QTest::newRow("huge image: Ghostscript renders the page") << QString() << 648.0 << true << true;
    QTest::newRow("huge image, no Ghostscript: the page fails")
        << QString() << 648.0 << false << false;
    QTest::newRow("ordinary page at 600 dpi")
        << TestPaths::corpusFile("pdflatex-image.pdf") << 600.0 << false << true;
}

// With a budget of 64 MB the server never grows past it: a page whose image MuPDF would decode
// whole is rendered by Ghostscript at the same size, and fails with the memory code only when
// Ghostscript cannot do it either.
void TestMemoryBudget::largePagesStayWithinTheBudget() {
    QFETCH(QString, pdf);
    QFETCH(double, dpi);
    QFETCH(bool, ghostscriptFound);
    QFETCH(bool, saved);
    if (pdf.isEmpty())
        pdf = m_hugeImage;
    constexpr qint64 budget = 64 << 20;
    const QByteArray path = qgetenv("PATH");
    qputenv("PAGEKILN_MEMORY_MB", QByteArray::number(budget >> 20));
    qputenv("PAGEKILN_MEMORY_SHARE", "1");
    if (!ghostscriptFound)
        qputenv("PATH", QFile::encodeName(m_dir.path()));
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject gflax = host.createObject("GflAx.GflAx", reply);
    qputenv("PATH", path);
    qunsetenv("PAGEKILN_MEMORY_MB");
    qunsetenv("PAGEKILN_MEMORY_SHARE");
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    QVERIFY(gflax.set("EpsDpi", dpi).ok());
    const AutomationReply load = gflax.call("LoadBitmap", {pdf});
    QVERIFY2(load.ok(), qPrintable(load.error));
    const QString out = m_dir.filePath("page.jpg");
    QFile::remove(out);
    const AutomationReply save = gflax.call("saveBitmap", {out});
    QCOMPARE(save.ok(), saved);
    const QList<qint64> servers = host.serverProcessIds();
    QCOMPARE(servers.size(), 1);
    const qint64 peak = peakMemory(servers.first());
    QVERIFY2(peak > 0 && peak < budget, qPrintable(QString::number(peak >> 20) + " MB"));
    if (saved) {
        const JpegInfo info = probeJpeg(out);
        QVERIFY(info.valid());
        if (pdf == m_hugeImage)
            QVERIFY2(std::abs(info.size.width() - 4500) <= 1,
                     qPrintable(QString::number(info.size.width())));
    } else {
        QCOMPARE(save.fault, Fault::Memory);
        QVERIFY(save.error.contains("memory"));
        QVERIFY(!QFile::exists(out));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".part").size(),
                 0);
    }
}

void TestMemoryBudget::inlineImageBombsGoToGhostscript_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<QByteArray>("space");
    QTest::addColumn<bool>("form");
    QTest::addColumn<QByteArray>("before"); // drawn first
    QTest::addColumn<int>("budget");        // MiB; 0: the default
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("components"); // of the JPEG: grey 1, colour 3
    const QByteArray redSquare = "1 0 0 rg 10 10 50 50 re f\n";
    QTest::newRow("40000 grey, more than the budget")
        << 40000 << QByteArray("/G") << false << QByteArray() << 0 << 144.0 << 1;
    QTest::newRow("30000 grey, within the budget")
        << 30000 << QByteArray("/G") << false << QByteArray() << 0 << 144.0 << 1;
    QTest::newRow("30000 grey at 1152 dpi")
        << 30000 << QByteArray("/G") << false << QByteArray() << 0 << 1152.0 << 1;
    QTest::newRow("20000 grey, 64 MB budget")
        << 20000 << QByteArray("/G") << false << QByteArray() << 64 << 144.0 << 1;
    QTest::newRow("20000 RGB, 64 MB budget")
        << 20000 << QByteArray("/RGB") << false << QByteArray() << 64 << 144.0 << 3;
    QTest::newRow("in a form, colour drawn first")
        << 30000 << QByteArray("/G") << true << redSquare << 0 << 144.0 << 3;
    QTest::newRow("colour drawn first, 64 MB budget")
        << 20000 << QByteArray("/G") << false << redSquare << 64 << 144.0 << 3;
}

// An inline image is decoded while the page is recorded, so it must be found before: a page
// with one too large for the budget is drawn by Ghostscript as a large image XObject is, at
// the same size, grey or in colour as the rest of the page says, and the server stays small.
void TestMemoryBudget::inlineImageBombsGoToGhostscript() {
    QFETCH(int, side);
    QFETCH(QByteArray, space);
    QFETCH(bool, form);
    QFETCH(QByteArray, before);
    QFETCH(int, budget);
    QFETCH(double, dpi);
    QFETCH(int, components);
    const QString pdf = m_dir.filePath("inline.pdf");
    QVERIFY(TestFiles::writeFile(pdf, pdfWithInlineImage(side, space, form, before)));
    if (budget > 0)
        qputenv("PAGEKILN_MEMORY_MB", QByteArray::number(budget));
    AutomationHost host(TestPaths::programFolder());
    AutomationReply reply;
    AutomationObject gflax = host.createObject("GflAx.GflAx", reply);
    qunsetenv("PAGEKILN_MEMORY_MB");
    QVERIFY2(reply.ok(), qPrintable(reply.error));
    QVERIFY(gflax.set("EpsDpi", dpi).ok());
    const AutomationReply load = gflax.call("LoadBitmap", {pdf});
    QVERIFY2(load.ok(), qPrintable(load.error));
    const QString out = m_dir.filePath("inline.jpg");
    QFile::remove(out);
    const AutomationReply save = gflax.call("saveBitmap", {out});
    QVERIFY2(save.ok(), qPrintable(save.error));
    const JpegInfo info = probeJpeg(out);
    QCOMPARE(info.size, QSize(qRound(612 * dpi / 72), qRound(792 * dpi / 72)));
    QCOMPARE(info.components, components);
    // What the server holds besides: its code, MuPDF's caches, a few bands.
    const qint64 peak = peakMemory(host.serverProcessIds().value(0));
    QVERIFY2(peak > 0 && peak < (128 << 20), qPrintable(QString::number(peak >> 20) + " MB"));
}

QTEST_GUILESS_MAIN(TestMemoryBudget)
#include "tst_memorybudget.moc"
