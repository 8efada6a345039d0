#include "JpegWriter.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <vector>

namespace {

QByteArray grayImage(int width, int height, quint32 pattern) {
    QByteArray samples(qsizetype(width) * height, '\0');
    QRandomGenerator random(pattern);
    for (char& c : samples) // mostly white with dark marks, like a page of text
        c = char(random.bounded(10) < 8 ? 255 : random.bounded(256));
    return samples;
}

QByteArray encodeByRows(const QByteArray& samples, int width, int height) {
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    JpegWriter writer;
    writer.setDensity(144);
    const auto* data = reinterpret_cast<const unsigned char*>(samples.constData());
    if (!writer.begin(out, width, height, JpegWriter::Colour::Gray, 90) ||
        !writer.writeRows(data, height, width) || !writer.finish())
        return {};
    return jpeg;
}

QByteArray encodeByBlocks(const QByteArray& samples, int width, int height) {
    const int stride = JpegWriter::blockAligned(width);
    // Garbage in the padding: what padBlocks() does not overwrite must never be read.
    std::vector<unsigned char> blocks(std::size_t(stride) * JpegWriter::blockAligned(height), 77);
    for (int y = 0; y < height; ++y)
        std::copy_n(samples.constData() + qsizetype(y) * width, width, blocks.data() + y * stride);
    JpegWriter::padBlocks(blocks.data(), width, height, stride);
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    JpegWriter writer;
    writer.setDensity(144);
    writer.setBlockInput(true);
    if (!writer.begin(out, width, height, JpegWriter::Colour::Gray, 90) ||
        !writer.writeBlockRows(blocks.data(), stride) || !writer.finish())
        return {};
    return jpeg;
}

} // namespace

class TestJpegWriter : public QObject {
    Q_OBJECT
private slots:
    void greyBlocksEncodeAsScanlinesDo_data();
    void greyBlocksEncodeAsScanlinesDo();
};

void TestJpegWriter::greyBlocksEncodeAsScanlinesDo_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("one pixel") << 1 << 1;
    QTest::newRow("whole blocks") << 64 << 32;
    QTest::newRow("one short of a block") << 7 << 15;
    QTest::newRow("one past a block") << 9 << 17;
    QTest::newRow("a page's band") << 1191 << 192;
    QTest::newRow("a last band") << 1191 << 37;
}

// Handing grey rows over as the encoder's blocks must not change a byte of the file.
void TestJpegWriter::greyBlocksEncodeAsScanlinesDo() {
    QFETCH(int, width);
    QFETCH(int, height);
    const QByteArray samples = grayImage(width, height, quint32(width * 31 + height));
    const QByteArray byRows = encodeByRows(samples, width, height);
    QVERIFY(!byRows.isEmpty());
    QCOMPARE(encodeByBlocks(samples, width, height), byRows);
}

QTEST_GUILESS_MAIN(TestJpegWriter)
#include "tst_jpegwriter.moc"
