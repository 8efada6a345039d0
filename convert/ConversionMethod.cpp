#include "convert/ConversionMethod.h"

#include "convert/Procedures.h"

#include <algorithm>

const std::array<MethodDescriptor, 4>& conversionMethods() {
    static const std::array<MethodDescriptor, 4> methods{{
        {ConversionMethod::Ghostscript, QStringLiteral("ghostscript"),
         QStringLiteral("Ghostscript"), ConvertWithGhostscript},
        {ConversionMethod::BlackWhite, QStringLiteral("bw"), QStringLiteral("Black/White"),
         ConvertBlackWhite},
        {ConversionMethod::Acrobat, QStringLiteral("acrobat"), QStringLiteral("Adobe Acrobat Pro"),
         ConvertWithAcrobat},
        {ConversionMethod::GflAx, QStringLiteral("gflax"), QStringLiteral("GflAx"),
         ConvertWithGflAx},
    }};
    return methods;
}

const MethodDescriptor& descriptorOf(ConversionMethod method) {
    const auto& methods = conversionMethods();
    const auto found = std::find_if(methods.begin(), methods.end(),
                                    [method](const auto& m) { return m.method == method; });
    return found != methods.end() ? *found : methods.front();
}

std::optional<ConversionMethod> methodFromCode(const QString& code) {
    for (const MethodDescriptor& descriptor : conversionMethods()) {
        if (code == codeOfMethod(descriptor.method))
            return descriptor.method;
    }
    return std::nullopt;
}

QString codeOfMethod(ConversionMethod method) {
    return QString::number(static_cast<int>(method));
}

std::optional<ConversionMethod> methodFromName(const QString& name) {
    for (const MethodDescriptor& descriptor : conversionMethods()) {
        if (name == descriptor.name)
            return descriptor.method;
    }
    return std::nullopt;
}

QString nameOfMethod(ConversionMethod method) {
    return descriptorOf(method).name;
}

QString captionOfMethod(ConversionMethod method) {
    return descriptorOf(method).caption;
}
