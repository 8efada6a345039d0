#include "convert/ConversionRequest.h"

#include <QStringList>

namespace {
constexpr int MaxSide = 65500; // the most a JPEG holds on a side
}

std::optional<ImageBox> imageBoxFromText(const QString& text) {
    const QStringList sides = text.toLower().split(QLatin1Char('x'));
    if (sides.size() != 2)
        return std::nullopt;
    bool wide = false;
    bool high = false;
    const ImageBox box{sides.at(0).toInt(&wide), sides.at(1).toInt(&high)};
    if (!wide || !high || box.width < 1 || box.height < 1 || box.width > MaxSide ||
        box.height > MaxSide)
        return std::nullopt;
    return box;
}

QString imageBoxText(const ImageBox& box) {
    return QStringLiteral("%1x%2").arg(box.width).arg(box.height);
}
