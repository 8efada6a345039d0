#include "convert/ConversionContext.h"
#include "convert/Naming.h"
#include "convert/Procedures.h"
#include "platform/Automation.h"
#include "platform/UserInterface.h"

#include <QJsonArray>

namespace {

const QString kFailureMessage = QStringLiteral(
    "Unable to create PDF with Adobe Acrobat Pro. Do you have Adobe Acrobat Pro (pay version) "
    "installed?");
const QString kJpegConversion = QStringLiteral("com.adobe.acrobat.jpeg");

enum class ExportOutcome { Exported, NotOpened, Failed };

// Opens, exports and closes the document; jpgCreated is set once Close has succeeded.
ExportOutcome exportDocument(AutomationObject& document, const QString& pdfPath,
                             ConversionContext& context) {
    const AutomationReply opened = document.call(QStringLiteral("Open"), QJsonArray{pdfPath});
    if (!opened.ok())
        return ExportOutcome::Failed;
    if (!opened.value.toBool())
        return ExportOutcome::NotOpened;
    AutomationReply reply;
    AutomationObject script = document.callForObject(QStringLiteral("GetJSObject"), {}, reply);
    if (!reply.ok())
        return ExportOutcome::Failed;
    const QString output = outputPrefix(context.view.outputFolderText()) + PdfBaseName(pdfPath) +
                           QStringLiteral(".jpg");
    if (!script.call(QStringLiteral("SaveAs"), QJsonArray{output, kJpegConversion}).ok())
        return ExportOutcome::Failed;
    if (!document.call(QStringLiteral("Close")).ok())
        return ExportOutcome::Failed;
    context.jpgCreated = true;
    return ExportOutcome::Exported;
}

} // namespace

// Every PDF gets its own application and document objects; the application is asked to end
// after each one. Any failing call shows the one fixed message. The handles release their
// objects whichever way this returns.
void ConvertWithAcrobat(const QString& pdfPath, ConversionContext& context) {
    context.jpgCreated = false;
    AutomationReply reply;
    AutomationObject app = CreateObject(context.automation, QStringLiteral("AcroExch.app"), reply);
    AutomationObject document;
    if (reply.ok())
        document = CreateObject(context.automation, QStringLiteral("AcroExch.PDDoc"), reply);
    ExportOutcome outcome = ExportOutcome::Failed;
    if (reply.ok())
        outcome = exportDocument(document, pdfPath, context);
    if (outcome != ExportOutcome::Failed && app.call(QStringLiteral("Exit")).ok())
        return;
    context.ui.showMessage(kFailureMessage, MessageStyle::Plain, {});
}
