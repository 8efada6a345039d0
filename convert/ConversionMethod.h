#pragma once

#include <QString>

#include <optional>

// The four conversion methods, with the one-character codes stored under "Option".
enum class ConversionMethod {
    Ghostscript = 1,
    BlackWhite = 2,
    Acrobat = 3,
    GflAx = 4,
};

// "1".."4" exactly; any other text (" 4", "04", "") is no method.
std::optional<ConversionMethod> methodFromCode(const QString& code);
QString codeOfMethod(ConversionMethod method);
