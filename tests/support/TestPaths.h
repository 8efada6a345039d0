#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// Where the tests find the built program folder and the shared corpus of real PDFs.
namespace TestPaths {

inline QString programFolder() {
    return QStringLiteral(PAGEKILN_PROGRAM_DIR);
}
inline QString sourceFolder() {
    return QStringLiteral(PAGEKILN_SOURCE_DIR);
}
inline QString corpusFolder() {
    return QDir::cleanPath(QStringLiteral(PAGEKILN_CORPUS_DIR));
}

inline QString corpusFile(const QString& name) {
    return corpusFolder() + QLatin1Char('/') + name;
}

// Full paths of every PDF of the corpus, in name order.
inline QStringList corpusPdfs() {
    QStringList paths;
    const QDir dir(corpusFolder());
    for (const QString& name : dir.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name))
        paths.append(dir.filePath(name));
    return paths;
}

} // namespace TestPaths
