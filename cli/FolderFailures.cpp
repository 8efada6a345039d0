#include "cli/FolderFailures.h"

#include "cli/RunReport.h"

QString UnreadableFolderLine(const UnreadableFolder& folder) {
    return QStringLiteral("pagekiln-convert: cannot read the folder %1: %2; its PDFs were not "
                          "converted")
        .arg(oneLine(folder.path), folder.reason);
}

ConversionOutcome UnreadableFolderOutcome(const UnreadableFolder& folder) {
    return ConversionOutcome::failure(
        ReasonCode::Missing,
        QStringLiteral("The folder %1 cannot be read: %2.").arg(folder.path, folder.reason));
}
