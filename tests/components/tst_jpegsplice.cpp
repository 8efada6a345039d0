#include "JpegSplice.h"

#include <QBuffer>
#include <QTest>

namespace {

constexpr int kWidth = 24;
constexpr int kBandRows = 16;

// A grey band as the renderer's encoder makes it.
QByteArray writerBand() {
    const QByteArray samples(kWidth * kBandRows, char(200));
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    JpegWriter writer;
    const auto* rows = reinterpret_cast<const unsigned char*>(samples.constData());
    if (!writer.begin(out, kWidth, kBandRows, JpegWriter::Colour::Gray, 90) ||
        !writer.writeRows(rows, kBandRows, kWidth) || !writer.finish())
        return {};
    return jpeg;
}

// Start of image, the given segments, scan data and end of image.
QByteArray jpegOf(const QByteArray& segments) {
    return QByteArray("\xFF\xD8", 2) + segments + QByteArray("\x11\x22\x33\xFF\xD9", 5);
}

} // namespace

// Bands are taken apart by their markers before they are joined: a band that is not laid out
// as expected is refused, never patched out of bounds.
class TestJpegSplice : public QObject {
    Q_OBJECT
private slots:
    void bandsAreTakenOnlyWhenWellFormed_data();
    void bandsAreTakenOnlyWhenWellFormed();
};

void TestJpegSplice::bandsAreTakenOnlyWhenWellFormed_data() {
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<int>("band");
    QTest::addColumn<bool>("taken");
    const QByteArray band = writerBand();
    QTest::newRow("first band from the encoder") << band << 0 << true;
    QTest::newRow("later band from the encoder") << band << 3 << true;
    const QByteArray frame("\xFF\xC0\x00\x0B\x08\x00\x10\x00\x18\x01\x01\x11\x00", 13);
    const QByteArray scan("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    QTest::newRow("smallest layout") << jpegOf(frame + scan) << 0 << true;
    // A frame header too short to hold the height, right before the scan: the height would
    // be written past the header.
    QTest::newRow("frame header without its height")
        << jpegOf(QByteArray("\xFF\xC0\x00\x02", 4) + scan) << 0 << false;
    QTest::newRow("no frame header") << jpegOf(scan) << 0 << false;
    QTest::newRow("no scan") << jpegOf(frame) << 0 << false;
    QTest::newRow("scan header past the end")
        << jpegOf(frame + QByteArray("\xFF\xDA\x00\x40", 4)) << 0 << false;
    QTest::newRow("no end of image") << band.chopped(2) << 0 << false;
    QTest::newRow("not a JPEG") << QByteArray("GIF89a, not a JPEG") << 0 << false;
    QTest::newRow("empty") << QByteArray() << 1 << false;
}

void TestJpegSplice::bandsAreTakenOnlyWhenWellFormed() {
    QFETCH(QByteArray, jpeg);
    QFETCH(int, band);
    QFETCH(bool, taken);
    const JpegSplicer splicer(kWidth, 5 * kBandRows, kBandRows, JpegWriter::Colour::Gray);
    const QByteArray piece = splicer.piece(jpeg, band);
    QCOMPARE(!piece.isEmpty(), taken);
    if (!taken)
        return;
    if (band == 0) {
        // The band's header with the image's height, and a restart interval of one band.
        QVERIFY(piece.startsWith("\xFF\xD8"));
        QVERIFY(piece.contains(QByteArray("\x00\x50\x00\x18", 4)));
        QVERIFY(piece.contains(QByteArray("\xFF\xDD\x00\x04", 4)));
    } else {
        QCOMPARE(piece.left(2), QByteArray("\xFF\xD2", 2)); // restart markers count from RST0
    }
    QVERIFY(!piece.endsWith("\xFF\xD9"));
}

QTEST_GUILESS_MAIN(TestJpegSplice)
#include "tst_jpegsplice.moc"
