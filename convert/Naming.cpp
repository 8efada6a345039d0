#include "convert/Naming.h"

#include "convert/ConversionContext.h"
#include "convert/ConversionRequest.h"
#include "platform/FileNames.h"

#include <QDir>

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

QString ImagePathFor(const ConversionContext& context, const QString& pdfPath, int page,
                     int position, PageNumbering numbering) {
    const QString prefix = outputPrefix(context.view.outputFolderText());
    if (!context.request)
        return OutputNaming().imagePath(prefix, pdfPath, page, position, numbering);
    const OutputNaming& naming = context.request->naming;
    const QString path = naming.imagePath(prefix, pdfPath, page, position, numbering);
    if (naming.makesFolders())
        QDir().mkpath(QFileInfo(path).path());
    return path;
}
