#pragma once

#include <QString>

#include <optional>

// How the colours of a page reach its image: the converter's own choice (the imaging
// component writes grey when nothing on the page has colour), always three channels, or always
// grey. The names are those of the Colour property and of the command's --colour.
enum class ColourMode { Auto, Rgb, Grey };

QString colourName(ColourMode mode);
// "auto", "rgb", "grey" (or "gray", as many tools spell it); nothing for any other name.
std::optional<ColourMode> colourFromName(const QString& name);
