#include "protocol/Colours.h"

QString colourName(ColourMode mode) {
    switch (mode) {
    case ColourMode::Rgb:
        return QStringLiteral("rgb");
    case ColourMode::Grey:
        return QStringLiteral("grey");
    case ColourMode::Auto:
        break;
    }
    return QStringLiteral("auto");
}

std::optional<ColourMode> colourFromName(const QString& name) {
    for (const ColourMode mode : {ColourMode::Auto, ColourMode::Rgb, ColourMode::Grey}) {
        if (name == colourName(mode))
            return mode;
    }
    if (name == QLatin1String("gray"))
        return ColourMode::Grey;
    return std::nullopt;
}
