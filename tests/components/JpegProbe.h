#pragma once

#include <QFile>
#include <QSize>
#include <QString>

// Reads the frame header of a JPEG file: its size and number of colour components.
struct JpegInfo {
    QSize size;
    int components = 0;
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
    for (qsizetype i = 2; i + 9 < data.size();) {
        if (byte(i) != 0xFF)
            return {};
        const int marker = byte(i + 1);
        const int length = byte(i + 2) << 8 | byte(i + 3);
        if (marker >= 0xC0 && marker <= 0xC3)
            return {QSize(byte(i + 7) << 8 | byte(i + 8), byte(i + 5) << 8 | byte(i + 6)),
                    byte(i + 9)};
        i += 2 + length;
    }
    return {};
}
