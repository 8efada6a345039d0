#include "convert/ConversionContext.h"
#include "convert/Naming.h"
#include "convert/NumberReading.h"
#include "convert/Procedures.h"
#include "platform/Automation.h"
#include "platform/StopRequest.h"

#include <QJsonArray>

#include <algorithm>

namespace {

// The JPEG code of the component's Saveformat property.
constexpr int kSaveFormatJpeg = 1;

// Loads and saves page `page`; false as soon as one component call fails. The properties are
// sent without waiting for their answers: a failed property makes the next method call fail,
// before anything is written.
bool convertPage(AutomationObject& gflax, const QString& pdfPath, const QString& baseName, int page,
                 const ConversionView& view) {
    gflax.setWithoutWaiting(QStringLiteral("EpsDpi"), ReadNumber(view.resolutionText()));
    gflax.setWithoutWaiting(QStringLiteral("Page"), page);
    if (!gflax.call(QStringLiteral("LoadBitmap"), QJsonArray{pdfPath}).ok())
        return false;
    gflax.setWithoutWaiting(QStringLiteral("Saveformat"), kSaveFormatJpeg);
    const QString output = outputPrefix(view.outputFolderText()) + baseName +
                           QString::number(page) + QStringLiteral(".jpg");
    return gflax.call(QStringLiteral("saveBitmap"), QJsonArray{output}).ok();
}

} // namespace

// One component object per PDF; pages 1 to the count typed in the pages box. A failing call
// ends this PDF, keeping the pages already saved. The counter is wider than the count, so a
// count of 32767 ends after its last page instead of wrapping around. A stop request ends the
// PDF after the page under way, so every page written is whole.
void ConvertWithGflAx(const QString& pdfPath, ConversionContext& context) {
    context.jpgCreated = false;
    AutomationReply reply;
    AutomationObject gflax = CreateObject(context.automation, QStringLiteral("GflAx.GflAx"), reply);
    if (!reply.ok())
        return;
    const QString baseName = PdfBaseName(pdfPath);
    const int pageCount = ReadPageCount(context.view.pagesText());
    // The component renders the following pages while this side saves, but never one beyond
    // the count: it must know where the batch ends.
    gflax.setWithoutWaiting(QStringLiteral("LastPage"), std::max(0, pageCount));
    for (int page = 1; page <= pageCount && !stopRequested(); ++page) {
        if (!convertPage(gflax, pdfPath, baseName, page, context.view))
            return;
        context.jpgCreated = true;
    }
}
