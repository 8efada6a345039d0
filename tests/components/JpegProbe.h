#pragma once

#include <QFile>
#include <QSize>
#include <QString>

// Reads the frame header of a JPEG file: its size and number of colour components, and the
// density of its JFIF header (unit 1 = dots per inch).
struct JpegInfo {
    QSize size;
    int components = 0;
    int densityUnit = -1;
    QSize density;
    bool valid() const { return components > 0; }
};

inline JpegInfo probeJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    auto byte = [&](qsizetype i) { return i < data.size() ? quint8(data[i]) : 0; };
    if (byte(0) != 0xFF || byte(1) != 0xD8)
        return {};
    JpegInfo info;
    for (qsizetype i = 2; i + 9 < data.size();) {
        if (byte(i) != 0xFF)
            return {};
        const int marker = byte(i + 1);
        const int length = byte(i + 2) << 8 | byte(i + 3);
        if (marker == 0xE0 && data.mid(i + 4, 5) == QByteArray("JFIF", 5)) {
            info.densityUnit = byte(i + 11);
            info.density =
                QSize(byte(i + 12) << 8 | byte(i + 13), byte(i + 14) << 8 | byte(i + 15));
        }
        if (marker >= 0xC0 && marker <= 0xC3) {
            info.size = QSize(byte(i + 7) << 8 | byte(i + 8), byte(i + 5) << 8 | byte(i + 6));
            info.components = byte(i + 9);
            return info;
        }
        i += 2 + length;
    }
    return {};
}
