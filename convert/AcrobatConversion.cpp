#include "convert/ComponentReasons.h"
#include "convert/ConversionContext.h"
#include "convert/Naming.h"
#include "convert/Procedures.h"
#include "platform/FileNames.h"
#include "platform/UserInterface.h"
#include "protocol/Automation.h"
#include "protocol/Wire.h"

#include <QJsonArray>

namespace {

const QString kFailureMessage = QStringLiteral(
    "Unable to create PDF with Adobe Acrobat Pro. Do you have Adobe Acrobat Pro (pay version) "
    "installed?");
const QString kDocumentClass = Component::kAcroDocument;

enum class ExportOutcome { Exported, NotOpened, Failed };

class AcrobatExport {
public:
    AcrobatExport(const QString& pdfPath, ConversionContext& context)
        : m_pdfPath(pdfPath), m_context(context), m_site{QStringLiteral("export component"),
                                                         kDocumentClass,
                                                         pdfPath,
                                                         context.view.outputFolderText(),
                                                         {}} {
        if (context.automation)
            m_site.limitSeconds = context.automation->callTimeout().count() / 1000;
    }

    ExportOutcome exportDocument(AutomationObject& document);
    ExportOutcome failed(const AutomationReply& reply, const QString& className = {});
    ConversionOutcome& outcome() { return m_outcome; }

private:
    void recordOutputs(const QString& output);

    const QString& m_pdfPath;
    ConversionContext& m_context;
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

// A one-page document is written to output itself, a longer one page by page beside it.
void AcrobatExport::recordOutputs(const QString& output) {
    if (FileExists(output)) {
        m_outcome.addOutput(output);
        return;
    }
    const QString stem = output.chopped(4);
    for (int page = 1;; ++page) {
        const QString path = stem + QStringLiteral("_Page_%1.jpg").arg(page);
        if (!FileExists(path))
            break;
        m_outcome.addOutput(path);
    }
}

// Opens, exports and closes the document; the images count once Close has succeeded.
ExportOutcome AcrobatExport::exportDocument(AutomationObject& document) {
    QJsonArray openArguments{m_pdfPath};
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
    AutomationReply reply;
    AutomationObject script = document.callForObject(Component::kGetJSObject, {}, reply);
    if (!reply.ok())
        return failed(reply);
    const QString output = outputPrefix(m_context.view.outputFolderText()) +
                           PdfBaseName(m_pdfPath) + QStringLiteral(".jpg");
    m_site.target = output;
    if (reply = script.call(Component::kSaveAs, QJsonArray{output, Component::kJpegConversion});
        !reply.ok())
        return failed(reply);
    if (reply = document.call(Component::kClose); !reply.ok())
        return failed(reply);
    recordOutputs(output);
    return ExportOutcome::Exported;
}

} // namespace

// Every PDF gets its own application and document objects; the application is asked to end
// after each one. Any failing call shows the one fixed message. The handles release their
// objects whichever way this returns.
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
    context.ui.showMessage(kFailureMessage, MessageStyle::Plain, {});
    return run.outcome().settle();
}
