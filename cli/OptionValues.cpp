#include "cli/OptionValues.h"

#include "convert/ConversionRequest.h"
#include "platform/NativeNames.h"

#include <optional>

namespace {

// The text of a value: strings as they are, numbers written as numbers.
std::optional<QString> textOf(const QJsonValue& value) {
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17);
    return std::nullopt;
}

std::optional<double> numberOf(const QString& text) {
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

std::optional<PageSelection> pagesOf(const QString& text) {
    return PageSelection::parse(text);
}

std::optional<QByteArray> folderOf(const QString& text, PathNormaliser& paths) {
    const QByteArray path = encodeFileName(text);
    return paths.clean(path).toByteArray();
}

// Both texts read as one kind: equal when both read and the readings are equal, else when
// the texts are.
template <typename Read> bool sameReading(const QString& a, const QString& b, Read read) {
    const auto readA = read(a);
    const auto readB = read(b);
    if (readA && readB)
        return *readA == *readB;
    return a == b;
}

bool sameValue(const QString& name, const QString& a, const QString& b, PathNormaliser& paths) {
    if (name == QLatin1String("output"))
        return sameReading(a, b, [&paths](const QString& text) { return folderOf(text, paths); });
    if (name == QLatin1String("resolution") || name == QLatin1String("quality"))
        return sameReading(a, b, numberOf);
    if (name == QLatin1String("pages"))
        return sameReading(a, b, pagesOf);
    if (name == QLatin1String("size"))
        return sameReading(a, b, imageBoxFromText);
    if (name == QLatin1String("colour"))
        return sameReading(a, b, colourFromName);
    return a == b;
}

} // namespace

bool SameOptions(const QJsonObject& recorded, const QJsonObject& current, PathNormaliser& paths) {
    if (recorded.size() != current.size())
        return false;
    for (auto entry = current.begin(); entry != current.end(); ++entry) {
        const auto found = recorded.constFind(entry.key());
        if (found == recorded.constEnd())
            return false;
        const std::optional<QString> a = textOf(found.value());
        const std::optional<QString> b = textOf(entry.value());
        if (a && b ? !sameValue(entry.key(), *a, *b, paths)
                   : QJsonValue(found.value()) != QJsonValue(entry.value()))
            return false;
    }
    return true;
}
