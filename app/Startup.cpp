#include "app/Startup.h"

#include "platform/ExactFiles.h"
#include "platform/FileNames.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTime>
#include <QtEndian>

#include <cmath>
#include <memory>
#include <random>

int homePageDraw(double r) {
    return static_cast<int>(std::floor(r * 100.0)) + 1;
}

std::function<double()> timeOfDayRandom() {
    const auto secondsSinceMidnight =
        static_cast<std::uint32_t>(QTime::currentTime().msecsSinceStartOfDay() / 1000);
    auto engine = std::make_shared<std::mt19937>(secondsSinceMidnight);
    return [engine]() { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

QStringList filesFromArguments(const QStringList& arguments) {
    QStringList files;
    for (const QString& argument : arguments) {
        if (fileKindOf(argument) == FileKind::Regular)
            files.append(QFileInfo(argument).absoluteFilePath());
    }
    return files;
}

std::optional<QCursor> loadCursorFile(const QString& path) {
    if (!FileExists(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const QImage image = QImage::fromData(bytes);
    if (image.isNull())
        return std::nullopt;
    // A cursor file (type 2) keeps the hot spot in its first directory entry, where an icon
    // file keeps planes and bit count.
    int hotX = -1;
    int hotY = -1;
    if (bytes.size() >= 22 && qFromLittleEndian<quint16>(bytes.constData() + 2) == 2) {
        hotX = qFromLittleEndian<quint16>(bytes.constData() + 10);
        hotY = qFromLittleEndian<quint16>(bytes.constData() + 12);
    }
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
