#include "convert/ComponentReasons.h"
#include "convert/ConversionContext.h"
#include "convert/Naming.h"
#include "convert/NumberReading.h"
#include "convert/Procedures.h"
#include "platform/StopRequest.h"
#include "protocol/Automation.h"
#include "protocol/Wire.h"

#include <QJsonArray>

#include <algorithm>

namespace {

const QString kClassName = Component::kGflAx;

ComponentCallSite callSite(const QString& pdfPath, const ConversionContext& context) {
    ComponentCallSite site{QStringLiteral("imaging component"),
                           kClassName,
                           pdfPath,
                           context.view.outputFolderText(),
                           {}};
    if (context.automation)
        site.limitSeconds = context.automation->callTimeout().count() / 1000;
    return site;
}

// Loads and saves page `page` to output; the first failing call's reply, or success. The
// properties are sent without waiting for their answers: a failed property makes the next
// method call fail, before anything is written.
AutomationReply convertPage(AutomationObject& gflax, const QString& pdfPath, int page,
                            const QString& output, const ConversionView& view) {
    gflax.setWithoutWaiting(Component::kEpsDpi, ReadNumber(view.resolutionText()));
    gflax.setWithoutWaiting(Component::kPage, page);
    if (AutomationReply loaded = gflax.call(Component::kLoadBitmap, QJsonArray{pdfPath});
        !loaded.ok())
        return loaded;
    gflax.setWithoutWaiting(Component::kSaveformat, Component::kSaveformatJpeg);
    return gflax.call(Component::kSaveBitmap, QJsonArray{output});
}

} // namespace

// One component object per PDF; pages 1 to the count typed in the pages box. A failing call
// ends this PDF, keeping the pages already saved; a page beyond the end of the document is
// its natural end. The counter is wider than the count, so a count of 32767 ends after its
// last page instead of wrapping around. A stop request ends the PDF after the page under way,
// so every page written is whole.
ConversionOutcome ConvertWithGflAx(const QString& pdfPath, ConversionContext& context) {
    ConversionOutcome outcome;
    AutomationReply reply;
    AutomationObject gflax = CreateObject(context.automation, kClassName, reply);
    if (!reply.ok()) {
        const Reason why = reasonOfReply(reply, callSite(pdfPath, context));
        outcome.fail(why.code, why.text);
        return outcome.settle();
    }
    if (!context.password.isEmpty())
        gflax.setWithoutWaiting(Component::kPassword, context.password);
    const QString baseName = PdfBaseName(pdfPath);
    const int pageCount = ReadPageCount(context.view.pagesText());
    if (pageCount < 1)
        outcome.fail(
            ReasonCode::NoPage,
            QStringLiteral("The number of pages is %1: no page to convert.").arg(pageCount));
    // The component renders the following pages while this side saves, but never one beyond
    // the count: it must know where the batch ends.
    gflax.setWithoutWaiting(Component::kLastPage, std::max(0, pageCount));
    for (int page = 1; page <= pageCount; ++page) {
        if (stopRequested()) {
            outcome.fail(
                ReasonCode::Interrupted,
                QStringLiteral("The run was stopped after %1 of the pages.").arg(page - 1));
            break;
        }
        const QString output = outputPrefix(context.view.outputFolderText()) + baseName +
                               QString::number(page) + QStringLiteral(".jpg");
        reply = convertPage(gflax, pdfPath, page, output, context.view);
        if (!reply.ok()) {
            ComponentCallSite site = callSite(pdfPath, context);
            site.target = output;
            const Reason why = reasonOfReply(reply, site);
            outcome.fail(why.code, why.text);
            break;
        }
        outcome.addOutput(output);
    }
    return outcome.settle();
}
