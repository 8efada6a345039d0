#include "convert/ComponentReasons.h"
#include "convert/ConversionContext.h"
#include "convert/ConversionRequest.h"
#include "convert/ExportedPages.h"
#include "convert/Naming.h"
#include "convert/Procedures.h"
#include "convert/StandIns.h"
#include "platform/ExactFiles.h"
#include "platform/FileNames.h"
#include "platform/StopRequest.h"
#include "platform/UserInterface.h"
#include "protocol/Automation.h"
#include "protocol/Wire.h"

#include <QJsonArray>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

const QString kFailureMessage = QStringLiteral(
    "Unable to create PDF with Adobe Acrobat Pro. Do you have Adobe Acrobat Pro (pay version) "
    "installed?");
const QString kDocumentClass = Component::kAcroDocument;

enum class ExportOutcome { Exported, NotOpened, Failed };

class AcrobatExport {
public:
    AcrobatExport(const QString& pdfPath, ConversionContext& context)
        : m_pdfPath(pdfPath), m_context(context),
          m_standIns(context.workFolder), m_site{QStringLiteral("export component"),
                                                 kDocumentClass,
                                                 pdfPath,
                                                 context.view.outputFolderText(),
                                                 {}} {
        if (context.automation)
            m_site.limitSeconds = context.automation->callTimeout().count() / 1000;
    }

    ExportOutcome exportDocument(AutomationObject& document);
    ExportOutcome open(AutomationObject& document);
    ExportOutcome failed(const AutomationReply& reply, const QString& className = {});
    ConversionOutcome& outcome() { return m_outcome; }

private:
    QStringList writtenFiles(const QString& output, const QJsonValue& written) const;
    bool deliverOutputs(const QStringList& written);
    QString exportPath() const;
    ExportOutcome chooseAsAsked(AutomationObject& script, const ConversionRequest& request,
                                int pageCount, std::vector<int>& pages, QStringList& targets);
    ExportOutcome stoppedPartWay(const AutomationReply& saved, const ExportedPages& pages);

    const QString& m_pdfPath;
    ConversionContext& m_context;
    StandIns m_standIns;
    ComponentCallSite m_site;
    ConversionOutcome m_outcome;
};

ExportOutcome AcrobatExport::failed(const AutomationReply& reply, const QString& className) {
    ComponentCallSite site = m_site;
    if (!className.isEmpty())
        site.className = className;
    const Reason why = reasonOfReply(reply, site);
    m_outcome.fail(why.code, why.text);
    return ExportOutcome::Failed;
}

// The files SaveAs says it wrote; otherwise, a one-page document is written to output itself,
// a longer one page by page beside it.
QStringList AcrobatExport::writtenFiles(const QString& output, const QJsonValue& written) const {
    QStringList files;
    if (written.isArray()) {
        for (const QJsonValue& path : written.toArray())
            files.append(path.toString());
        return files;
    }
    if (FileExists(output))
        return {output};
    const QString stem = output.chopped(4);
    for (int page = 1;; ++page) {
        const QString path = stem + QStringLiteral("_Page_%1.jpg").arg(page);
        if (!FileExists(path))
            break;
        files.append(path);
    }
    return files;
}

// Each file written counts once it is under its own name; false when one could not be put
// there, which the outcome then tells.
bool AcrobatExport::deliverOutputs(const QStringList& written) {
    for (const QString& path : written) {
        const QString own = m_standIns.ownPath(path);
        if (const Reason moved = m_standIns.deliver(path, own, m_context.view.outputFolderText());
            moved.found()) {
            m_outcome.fail(moved.code, moved.text);
            return false;
        }
        m_outcome.addOutput(own);
    }
    return true;
}

// Opens the document; Exported here only means that it is open.
ExportOutcome AcrobatExport::open(AutomationObject& document) {
    QJsonArray openArguments{m_standIns.source(m_pdfPath)};
    if (!m_context.password.isEmpty())
        openArguments.append(m_context.password);
    const AutomationReply opened = document.call(Component::kOpen, openArguments);
    if (!opened.ok()) {
        failed(opened);
        // A protected document is not a failing component: it is opened again with a password.
        const bool locked = m_outcome.reason == ReasonCode::Password ||
                            m_outcome.reason == ReasonCode::PasswordWrong;
        return locked ? ExportOutcome::NotOpened : ExportOutcome::Failed;
    }
    if (!opened.value.toBool() && opened.fault != Fault::None) {
        failed(opened); // a refusal that says why
        return ExportOutcome::NotOpened;
    }
    if (!opened.value.toBool()) {
        Reason why = inputProblem(m_pdfPath);
        if (!why.found())
            why = {ReasonCode::Damaged,
                   QStringLiteral("The PDF is damaged: the export component could not open it.")};
        m_outcome.fail(why.code, why.text);
        return ExportOutcome::NotOpened;
    }
    return ExportOutcome::Exported;
}

// The command's choices on the scripting object. The pages asked for are those of the pages
// the document has; when it has none of them, nothing is exported. With a naming pattern,
// targets gets the file the server writes for each page (a stand-in for a name that is not
// UTF-8).
ExportOutcome AcrobatExport::chooseAsAsked(AutomationObject& script,
                                           const ConversionRequest& request, int pageCount,
                                           std::vector<int>& pages, QStringList& targets) {
    script.setWithoutWaiting(Component::kResolution, request.resolution);
    script.setWithoutWaiting(Component::kQuality, request.quality);
    script.setWithoutWaiting(Component::kColour, colourName(request.colour));
    if (request.size) {
        script.setWithoutWaiting(Component::kFitWidth, request.size->width);
        script.setWithoutWaiting(Component::kFitHeight, request.size->height);
    }
    if (!request.pages.isAll()) {
        pages = request.pages.pagesIn(pageCount);
        if (pages.empty()) {
            m_outcome.fail(ReasonCode::NoPage,
                           QStringLiteral("The PDF has %1 pages, none of those asked for (%2).")
                               .arg(pageCount)
                               .arg(request.pages.text()));
            return ExportOutcome::NotOpened;
        }
    }
    m_context.progress.expect(int(pages.size()));
    const OutputNaming& naming = request.naming;
    if (request.pages.isAll() && !naming.hasPattern())
        return ExportOutcome::Exported;
    QJsonArray chosen;
    QJsonArray named;
    for (const int page : pages) {
        chosen.append(page);
        if (naming.hasPattern()) {
            targets.append(m_standIns.target(ImagePathFor(
                m_context, m_pdfPath, page, int(chosen.size()), PageNumbering::ExportPages)));
            named.append(targets.last());
        }
    }
    script.setWithoutWaiting(Component::kPages, chosen);
    if (naming.hasPattern())
        script.setWithoutWaiting(Component::kTargets, named);
    return ExportOutcome::Exported;
}

// The path SaveAs is given: the output folder (with the tree when the command keeps it, the
// folders made) and the base name.
QString AcrobatExport::exportPath() const {
    QString folder = outputPrefix(m_context.view.outputFolderText());
    if (m_context.request && m_context.request->naming.keepsTree()) {
        folder = m_context.request->naming.folderFor(folder, m_pdfPath);
        makeFolders(folder);
    }
    return folder + PdfBaseName(m_pdfPath) + QStringLiteral(".jpg");
}

// A save that stopped part way: the pages it wrote stay, and the reason names the page file
// it stopped at.
ExportOutcome AcrobatExport::stoppedPartWay(const AutomationReply& saved,
                                            const ExportedPages& pages) {
    const QStringList written = pages.written(saved.value);
    if (!deliverOutputs(written))
        return ExportOutcome::Failed;
    if (const QString stoppedAt = pages.firstNotWritten(written); !stoppedAt.isEmpty())
        m_site.target = m_standIns.ownPath(stoppedAt);
    return failed(saved);
}

// Opens, exports and closes the document; the images count once Close has succeeded.
ExportOutcome AcrobatExport::exportDocument(AutomationObject& document) {
    if (const ExportOutcome opened = open(document); opened != ExportOutcome::Exported)
        return opened;
    AutomationReply reply;
    AutomationObject script = document.callForObject(Component::kGetJSObject, {}, reply);
    if (!reply.ok())
        return failed(reply);
    const AutomationReply counted = script.get(Component::kPageCount);
    if (!counted.ok())
        return failed(counted);
    const int pageCount = counted.value.toInt();
    std::vector<int> pages(static_cast<std::size_t>(std::max(0, pageCount)));
    std::iota(pages.begin(), pages.end(), 1);
    QStringList named; // the file of each page when a pattern names them
    if (m_context.request) {
        if (const ExportOutcome chosen =
                chooseAsAsked(script, *m_context.request, pageCount, pages, named);
            chosen != ExportOutcome::Exported)
            return chosen;
    }
    const QString output = exportPath();
    m_site.target = output;
    if (stopRequested()) {
        const Reason stopped = runStopped();
        m_outcome.fail(stopped.code, stopped.text);
        return ExportOutcome::Failed;
    }
    const QString written = m_standIns.target(output);
    const ExportedPages expected(
        named.isEmpty() ? ExportedPages::targetsFor(written, pages, pageCount) : named);
    const AutomationReply saved =
        script.call(Component::kSaveAs, QJsonArray{written, Component::kJpegConversion},
                    [this](int pages) { m_context.progress.wrote(pages); });
    if (!saved.ok())
        return stoppedPartWay(saved, expected);
    if (reply = document.call(Component::kClose); !reply.ok())
        return failed(reply);
    return deliverOutputs(writtenFiles(written, saved.value)) ? ExportOutcome::Exported
                                                              : ExportOutcome::Failed;
}

} // namespace

// Every PDF gets its own application and document objects; the application is asked to end
// after each one. A failing call shows the one fixed message, unless what stopped the export
// was a full disk or the user's own stop, which no installation of the component would have
// changed. The handles release their objects whichever way this returns.
ConversionOutcome ConvertWithAcrobat(const QString& pdfPath, ConversionContext& context) {
    AcrobatExport run(pdfPath, context);
    AutomationReply reply;
    const QString appClass = Component::kAcroApp;
    AutomationObject app = CreateObject(context.automation, appClass, reply);
    AutomationObject document;
    ExportOutcome outcome = ExportOutcome::Failed;
    if (!reply.ok())
        run.failed(reply, appClass);
    else if (document = CreateObject(context.automation, kDocumentClass, reply); !reply.ok())
        run.failed(reply);
    else
        outcome = run.exportDocument(document);
    if (outcome != ExportOutcome::Failed) {
        reply = app.call(Component::kExit);
        if (reply.ok())
            return run.outcome().settle();
    }
    const ReasonCode why = run.outcome().reason;
    if (why != ReasonCode::DiskFull && why != ReasonCode::Interrupted)
        context.ui.showMessage(kFailureMessage, MessageStyle::Plain, {});
    return run.outcome().settle();
}
