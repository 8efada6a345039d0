#include "convert/InputChecks.h"

#include "convert/Naming.h"
#include "platform/ExactFiles.h"
#include "platform/FileCopy.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {
// Readers accept a header anywhere in the first kilobyte, after junk some producers write.
constexpr qint64 kHeaderWindow = 1024;
} // namespace

Reason inputTypeProblem(const QString& pdfPath) {
    switch (fileKindOf(pdfPath)) {
    case FileKind::Missing:
        return {ReasonCode::Missing, QStringLiteral("The file %1 does not exist.").arg(pdfPath)};
    case FileKind::BrokenLink:
        return {ReasonCode::Missing,
                QStringLiteral("The file %1 is a link to nothing.").arg(pdfPath)};
    case FileKind::Other:
        return {
            ReasonCode::NotRegular,
            QStringLiteral("%1 is not a regular file (a folder, pipe or device).").arg(pdfPath)};
    case FileKind::Regular:
        break;
    }
    return {};
}

Reason inputProblem(const QString& pdfPath) {
    if (Reason type = inputTypeProblem(pdfPath); type.found())
        return type;
    QFile file;
    if (const int error = openExactly(file, pdfPath); error != 0)
        return {ReasonCode::Missing,
                QStringLiteral("The file %1 cannot be read: %2.")
                    .arg(pdfPath, QString::fromLocal8Bit(std::strerror(error)))};
    const QByteArray start = file.read(kHeaderWindow);
    if (start.isEmpty())
        return {ReasonCode::NotPdf, QStringLiteral("The file is empty, not a PDF document.")};
    if (!start.contains("%PDF-"))
        return {ReasonCode::NotPdf, QStringLiteral("The file is not a PDF document.")};
    return {};
}

QString outputFolderOfPrefix(const QString& prefix) {
    const qsizetype slash = prefix.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : prefix.left(slash + 1);
}

Reason outputFolderProblem(const QString& outputFolderText) {
    const QString folder = outputFolderOfPrefix(outputPrefix(outputFolderText));
    const QFileInfo info(folder);
    if (!info.isDir())
        return {ReasonCode::NoOutputFolder,
                QStringLiteral("The output folder %1 does not exist.").arg(folder)};
    if (const int error = folderWriteError(folder); error != 0) {
        if (error == EACCES || error == EPERM || error == EROFS)
            return {ReasonCode::WriteDenied,
                    error == EROFS
                        ? QStringLiteral("The output folder %1 is on a read-only disk.").arg(folder)
                        : QStringLiteral("Permission denied writing in the output folder %1.")
                              .arg(folder)};
    }
    return {};
}

Reason copyOutProblem(const CopyResult& copy, const QString& target,
                      const QString& outputFolderText) {
    if (copy.reading)
        return {ReasonCode::Internal,
                QStringLiteral("The rendered page %1 could not be read back: %2.")
                    .arg(target, QString::fromLocal8Bit(std::strerror(copy.error)))};
    if (const Reason folder = outputFolderProblem(outputFolderText); folder.found())
        return folder;
    return {reasonOfWriteError(copy.error), textOfWriteError(copy.error, target)};
}

QString asSentence(QString text) {
    text = text.trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}
