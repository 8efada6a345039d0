#include "platform/FileNames.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {
constexpr QChar Separator = QLatin1Char('/');

// The "C" locale collates by code point and ignores numeric mode, which would put page 10
// before page 2; under it we fall back to a real language's rules.
QLocale collationLocale() {
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                           : system;
}
} // namespace

QString FileNameFromPath(const QString& path) {
    const qsizetype last = path.lastIndexOf(Separator);
    return last < 0 ? path : path.mid(last + 1);
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

QString collapseDoubledSeparators(const QString& text) {
    QString result = text;
    result.replace(QStringLiteral("//"), QStringLiteral("/"));
    return result;
}

QStringList ListFolderFiles(const QString& folder, const QString& pattern) {
    QString path = folder;
    if (!path.endsWith(Separator))
        path += Separator;
    const QDir dir(path);
    if (!dir.exists())
        return {};
    QStringList names = dir.entryList(QStringList{pattern},
                                      QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    QCollator collator(collationLocale());
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}
