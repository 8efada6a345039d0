#include "convert/Naming.h"

#include "platform/FileNames.h"

#include <QFileInfo>

QString PdfBaseName(const QString& pdfPath) {
    const QString name = FileNameFromPath(pdfPath);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString outputPrefix(const QString& outputFolderText) {
    if (outputFolderText.isEmpty() || outputFolderText.endsWith(QLatin1Char('/')))
        return outputFolderText;
    return QFileInfo(outputFolderText).isDir() ? outputFolderText + QLatin1Char('/')
                                               : outputFolderText;
}
