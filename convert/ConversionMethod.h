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

// The method's name on the command line and in the report: ghostscript, bw, acrobat, gflax.
std::optional<ConversionMethod> methodFromName(const QString& name);
QString nameOfMethod(ConversionMethod method);

// The caption of the method's option in the window.
QString captionOfMethod(ConversionMethod method);
