#include "convert/ConversionMethod.h"

std::optional<ConversionMethod> methodFromCode(const QString& code) {
    if (code == QLatin1String("1"))
        return ConversionMethod::Ghostscript;
    if (code == QLatin1String("2"))
        return ConversionMethod::BlackWhite;
    if (code == QLatin1String("3"))
        return ConversionMethod::Acrobat;
    if (code == QLatin1String("4"))
        return ConversionMethod::GflAx;
    return std::nullopt;
}

QString codeOfMethod(ConversionMethod method) {
    return QString::number(static_cast<int>(method));
}
