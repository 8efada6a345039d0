#pragma once

#include "convert/OutputNaming.h"
#include "convert/PageSelection.h"
#include "protocol/Colours.h"

#include <QString>

#include <optional>

// A box each page is fitted into, keeping its aspect: thumbnails.
struct ImageBox {
    int width = 0;
    int height = 0;
    bool operator==(const ImageBox&) const = default;
};

// "200x150"; nothing for anything else (zero, a side over 65500, words).
std::optional<ImageBox> imageBoxFromText(const QString& text);
QString imageBoxText(const ImageBox& box);

// What the command asks of every PDF of a run, typed. The window's conversions have none and
// read the window's texts instead, as they always have.
struct ConversionRequest {
    PageSelection pages;
    double resolution = 144.0; // dots per inch
    int quality = 90;          // JPEG quality, 1 to 100
    ColourMode colour = ColourMode::Auto;
    std::optional<ImageBox> size; // fit each page in this box instead of the resolution
    OutputNaming naming;
    bool operator==(const ConversionRequest&) const = default;
};
