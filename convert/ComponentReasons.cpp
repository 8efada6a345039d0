#include "convert/ComponentReasons.h"

#include "platform/StopRequest.h"
#include "protocol/Automation.h"

namespace {

QString capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

Reason reasonOfWrite(const AutomationReply& reply, const ComponentCallSite& site) {
    const QString target = site.target.isEmpty() ? site.pdfPath : site.target;
    switch (reply.fault) {
    case Fault::DiskFull:
        return {ReasonCode::DiskFull,
                QStringLiteral("No space left on the device writing %1.").arg(target)};
    case Fault::WriteDenied:
        return {ReasonCode::WriteDenied,
                QStringLiteral("Permission denied writing %1.").arg(target)};
    case Fault::NoFolder:
        if (const Reason folder = outputFolderProblem(site.outputFolderText); folder.found())
            return folder;
        return {ReasonCode::NoOutputFolder,
                QStringLiteral("The folder of %1 does not exist.").arg(target)};
    default:
        return {ReasonCode::WriteFailed,
                QStringLiteral("Could not write %1: %2").arg(target, asSentence(reply.error))};
    }
}

// How the server ended, as the end of "stopped unexpectedly".
QString howItEnded(const ServerEnd& ending) {
    switch (ending.kind) {
    case ServerEnd::Kind::Signal:
        return QStringLiteral(" (signal %1)").arg(ending.number);
    case ServerEnd::Kind::ExitStatus:
        return QStringLiteral(" (exit status %1)").arg(ending.number);
    case ServerEnd::Kind::Unknown:
        break;
    }
    return {};
}

// Faults that need only the component's name and text.
Reason reasonOfComponent(const AutomationReply& reply, const ComponentCallSite& site) {
    const QString who = capitalised(QStringLiteral("the ") + site.component);
    switch (reply.fault) {
    case Fault::NotRegistered:
        return {ReasonCode::ComponentMissing,
                QStringLiteral("The component %1 is not registered.").arg(site.className)};
    case Fault::ServerDied:
        return {ReasonCode::ComponentDied,
                QStringLiteral("%1 stopped unexpectedly%2.").arg(who, howItEnded(reply.serverEnd))};
    case Fault::TimedOut:
        return {ReasonCode::ComponentTimedOut,
                QStringLiteral("%1 gave no answer within %2 s.").arg(who).arg(site.limitSeconds)};
    case Fault::Memory:
        return {ReasonCode::Memory,
                QStringLiteral("%1 ran out of memory: %2").arg(who, asSentence(reply.error))};
    case Fault::Interrupted:
        if (stopRequested())
            return runStopped();
        return {ReasonCode::Interrupted,
                QStringLiteral("The program was closing while %1 was converting.")
                    .arg(QStringLiteral("the ") + site.component)};
    case Fault::BadAnswer:
        return {ReasonCode::Internal, QStringLiteral("%1 gave an answer that could not be read: %2")
                                          .arg(who, asSentence(reply.error))};
    case Fault::BadArgument:
        return {ReasonCode::ConverterFailed,
                QStringLiteral("%1 refused the settings: %2").arg(who, asSentence(reply.error))};
    default:
        return {ReasonCode::Internal,
                QStringLiteral("%1 failed: %2").arg(who, asSentence(reply.error))};
    }
}

// Faults of the PDF itself; not found for the others.
Reason reasonOfDocument(const AutomationReply& reply, const ComponentCallSite& site) {
    switch (reply.fault) {
    case Fault::Missing:
    case Fault::NotRegular:
        return inputTypeProblem(site.pdfPath);
    case Fault::NotPdf:
        if (const Reason input = inputProblem(site.pdfPath); input.code == ReasonCode::NotPdf)
            return input;
        return {ReasonCode::NotPdf, QStringLiteral("The file is not a PDF document.")};
    case Fault::Damaged:
        return {ReasonCode::Damaged,
                QStringLiteral("The PDF is damaged: %1").arg(asSentence(reply.error))};
    case Fault::Password:
        return {ReasonCode::Password, QStringLiteral("The PDF needs a password.")};
    case Fault::PasswordWrong:
        return {ReasonCode::PasswordWrong, QStringLiteral("The password was not accepted.")};
    case Fault::NoPage:
        return {ReasonCode::NoPage, capitalised(asSentence(reply.error))};
    case Fault::TooLarge:
        return {ReasonCode::TooLarge, capitalised(asSentence(reply.error))};
    default:
        return {};
    }
}

} // namespace

Reason runStopped() {
    return {ReasonCode::Interrupted, QStringLiteral("The run was stopped.")};
}

Reason reasonOfReply(const AutomationReply& reply, const ComponentCallSite& site) {
    if (const Reason document = reasonOfDocument(reply, site); document.found())
        return document;
    switch (reply.fault) {
    case Fault::NoFolder:
    case Fault::WriteDenied:
    case Fault::DiskFull:
    case Fault::WriteFailed:
        return reasonOfWrite(reply, site);
    case Fault::Missing:
    case Fault::Internal:
        // No specific fault: what is wrong may still be plain to see.
        if (const Reason input = inputProblem(site.pdfPath); input.found())
            return input;
        if (const Reason folder = outputFolderProblem(site.outputFolderText); folder.found())
            return folder;
        break;
    default:
        break;
    }
    return reasonOfComponent(reply, site);
}
