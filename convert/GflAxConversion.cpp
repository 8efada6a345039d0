#include "convert/ComponentReasons.h"
#include "convert/ConversionContext.h"
#include "convert/ConversionRequest.h"
#include "convert/Naming.h"
#include "convert/NumberReading.h"
#include "convert/Procedures.h"
#include "convert/StandIns.h"
#include "platform/StopRequest.h"
#include "protocol/Automation.h"
#include "protocol/Wire.h"

#include <QJsonArray>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

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
                            const QString& output, double dpi) {
    gflax.setWithoutWaiting(Component::kEpsDpi, dpi);
    gflax.setWithoutWaiting(Component::kPage, page);
    if (AutomationReply loaded = gflax.call(Component::kLoadBitmap, QJsonArray{pdfPath});
        !loaded.ok())
        return loaded;
    gflax.setWithoutWaiting(Component::kSaveformat, Component::kSaveformatJpeg);
    return gflax.call(Component::kSaveBitmap, QJsonArray{output});
}

// Converts the pages one after the other, each at the resolution dpi() gives as it starts. A
// failing call ends the PDF, keeping the pages already saved; a page beyond the end of the
// document is its natural end. A stop request ends the PDF after the page under way, so every
// page written is whole.
void convertPages(AutomationObject& gflax, const QString& pdfPath, ConversionContext& context,
                  StandIns& standIns, const std::vector<int>& pages,
                  const std::function<double()>& dpi, ConversionOutcome& outcome) {
    for (const int page : pages) {
        if (stopRequested()) {
            const Reason stopped = runStopped();
            outcome.fail(stopped.code, stopped.text);
            return;
        }
        const QString output =
            ImagePathFor(context, pdfPath, page, outcome.pagesWritten + 1, PageNumbering::Appended);
        const QString written = standIns.target(output);
        if (const AutomationReply reply =
                convertPage(gflax, standIns.source(pdfPath), page, written, dpi());
            !reply.ok()) {
            ComponentCallSite site = callSite(pdfPath, context);
            site.target = output;
            const Reason why = reasonOfReply(reply, site);
            outcome.fail(why.code, why.text);
            return;
        }
        if (const Reason moved = standIns.deliver(written, output, context.view.outputFolderText());
            moved.found()) {
            outcome.fail(moved.code, moved.text);
            return;
        }
        outcome.addOutput(output);
        context.progress.wrote(outcome.pagesWritten);
    }
}

// The window's way: pages 1 to the count typed in the pages box, at the resolution typed, read
// afresh for every page. The counter is wider than the count, so a count of 32767 ends after
// its last page instead of wrapping around.
void convertAsTyped(AutomationObject& gflax, const QString& pdfPath, ConversionContext& context,
                    StandIns& standIns, ConversionOutcome& outcome) {
    const int pageCount = ReadPageCount(context.view.pagesText());
    if (pageCount < 1)
        outcome.fail(
            ReasonCode::NoPage,
            QStringLiteral("The number of pages is %1: no page to convert.").arg(pageCount));
    // The component renders the following pages while this side saves, but never one beyond
    // the count: it must know where the batch ends.
    gflax.setWithoutWaiting(Component::kLastPage, std::max(0, pageCount));
    std::vector<int> pages(static_cast<std::size_t>(std::max(0, pageCount)));
    std::iota(pages.begin(), pages.end(), 1);
    context.progress.expect(std::max(0, pageCount));
    convertPages(
        gflax, pdfPath, context, standIns, pages,
        [&view = context.view] { return ReadNumber(view.resolutionText()); }, outcome);
}

// The command's way: the pages asked for of those the document has, with the quality, colours
// and box asked for.
void convertAsAsked(AutomationObject& gflax, const QString& pdfPath, ConversionContext& context,
                    StandIns& standIns, const ConversionRequest& request,
                    ConversionOutcome& outcome) {
    gflax.setWithoutWaiting(Component::kQuality, request.quality);
    gflax.setWithoutWaiting(Component::kColour, colourName(request.colour));
    if (request.size) {
        gflax.setWithoutWaiting(Component::kFitWidth, request.size->width);
        gflax.setWithoutWaiting(Component::kFitHeight, request.size->height);
    }
    const AutomationReply counted =
        gflax.call(Component::kPageCount, QJsonArray{standIns.source(pdfPath)});
    if (!counted.ok()) {
        const Reason why = reasonOfReply(counted, callSite(pdfPath, context));
        outcome.fail(why.code, why.text);
        return;
    }
    const int pageCount = counted.value.toInt();
    const std::vector<int> pages = request.pages.pagesIn(pageCount);
    if (pages.empty()) {
        outcome.fail(ReasonCode::NoPage, QStringLiteral("The PDF has %1 pages, none of those "
                                                        "asked for (%2).")
                                             .arg(pageCount)
                                             .arg(request.pages.text()));
        return;
    }
    context.progress.expect(static_cast<int>(pages.size()));
    // The component renders the pages asked for ahead while this side saves.
    QJsonArray planned;
    for (const int page : pages)
        planned.append(page);
    gflax.setWithoutWaiting(Component::kPages, planned);
    convertPages(
        gflax, pdfPath, context, standIns, pages, [&request] { return request.resolution; },
        outcome);
}

} // namespace

// One component object per PDF.
ConversionOutcome ConvertWithGflAx(const QString& pdfPath, ConversionContext& context) {
    // Made before the component object, so that its link outlives the object's use of it.
    StandIns standIns(context.workFolder);
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
    if (context.request)
        convertAsAsked(gflax, pdfPath, context, standIns, *context.request, outcome);
    else
        convertAsTyped(gflax, pdfPath, context, standIns, outcome);
    return outcome.settle();
}
