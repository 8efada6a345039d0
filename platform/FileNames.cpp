#include "platform/FileNames.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {
constexpr QChar Separator = QLatin1Char('/');
}

void sortNaturally(QStringList& names) {
    // A collator is costly to set up and not safe to share between threads, and folder
    // scans list folders on a worker thread: one per thread, made once.
    thread_local const QCollator collator = [] {
        QCollator c;
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
}

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
    sortNaturally(names);
    return names;
}
