#include "convert/ComponentReasons.h"

#include "platform/Automation.h"

#include <QHash>

namespace {

// The component's own text as the end of a sentence.
QString sentence(QString text) {
    text = text.trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

QString capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

Reason reasonOfWrite(const QString& code, const AutomationReply& reply,
                     const ComponentCallSite& site) {
    const QString target = site.target.isEmpty() ? site.pdfPath : site.target;
    if (code == QLatin1String("disk-full"))
        return {ReasonCode::DiskFull,
                QStringLiteral("No space left on the device writing %1.").arg(target)};
    if (code == QLatin1String("write-denied"))
        return {ReasonCode::WriteDenied,
                QStringLiteral("Permission denied writing %1.").arg(target)};
    if (const Reason folder = outputFolderProblem(site.outputFolderText);
        code == QLatin1String("no-folder") && folder.found())
        return folder;
    if (code == QLatin1String("no-folder"))
        return {ReasonCode::NoOutputFolder,
                QStringLiteral("The folder of %1 does not exist.").arg(target)};
    return {ReasonCode::WriteFailed,
            QStringLiteral("Could not write %1: %2").arg(target, sentence(reply.error))};
}

// Codes that need only the component's name and text.
Reason reasonOfComponent(const QString& code, const AutomationReply& reply,
                         const ComponentCallSite& site) {
    const QString who = capitalised(QStringLiteral("the ") + site.component);
    if (code == QLatin1String("not-registered"))
        return {ReasonCode::ComponentMissing,
                QStringLiteral("The component %1 is not registered.").arg(site.className)};
    if (code == QLatin1String("server-died")) {
        const qsizetype open = reply.error.lastIndexOf(QLatin1Char('('));
        const QString how = open >= 0 ? QLatin1Char(' ') + reply.error.mid(open) : QString();
        return {ReasonCode::ComponentDied,
                QStringLiteral("%1 stopped unexpectedly%2.").arg(who, how)};
    }
    if (code == QLatin1String("timed-out"))
        return {ReasonCode::ComponentTimedOut,
                QStringLiteral("%1 gave no answer within %2 s.").arg(who).arg(site.limitSeconds)};
    if (code == QLatin1String("memory"))
        return {ReasonCode::Memory,
                QStringLiteral("%1 ran out of memory: %2").arg(who, sentence(reply.error))};
    if (code == QLatin1String("interrupted"))
        return {ReasonCode::Interrupted,
                QStringLiteral("The program was closing while %1 was converting.")
                    .arg(QStringLiteral("the ") + site.component)};
    if (code == QLatin1String("bad-answer"))
        return {ReasonCode::Internal, QStringLiteral("%1 gave an answer that could not be read: %2")
                                          .arg(who, sentence(reply.error))};
    if (code == QLatin1String("bad-argument"))
        return {ReasonCode::ConverterFailed,
                QStringLiteral("%1 refused the settings: %2").arg(who, sentence(reply.error))};
    return {ReasonCode::Internal, QStringLiteral("%1 failed: %2").arg(who, sentence(reply.error))};
}

} // namespace

Reason reasonOfReply(const AutomationReply& reply, const ComponentCallSite& site) {
    const QString& code = reply.code;
    if (code == QLatin1String("missing") || code == QLatin1String("not-regular"))
        if (const Reason input = inputTypeProblem(site.pdfPath); input.found())
            return input;
    if (code == QLatin1String("not-pdf")) {
        const Reason input = inputProblem(site.pdfPath);
        return input.code == ReasonCode::NotPdf
                   ? input
                   : Reason{ReasonCode::NotPdf, QStringLiteral("The file is not a PDF document.")};
    }
    if (code == QLatin1String("damaged"))
        return {ReasonCode::Damaged,
                QStringLiteral("The PDF is damaged: %1").arg(sentence(reply.error))};
    if (code == QLatin1String("password"))
        return {ReasonCode::Password, QStringLiteral("The PDF needs a password.")};
    if (code == QLatin1String("password-wrong"))
        return {ReasonCode::PasswordWrong, QStringLiteral("The password was not accepted.")};
    if (code == QLatin1String("no-page"))
        return {ReasonCode::NoPage, capitalised(sentence(reply.error))};
    if (code == QLatin1String("too-large"))
        return {ReasonCode::TooLarge, capitalised(sentence(reply.error))};
    static const QStringList writeCodes{QStringLiteral("no-folder"), QStringLiteral("write-denied"),
                                        QStringLiteral("disk-full"),
                                        QStringLiteral("write-failed")};
    if (writeCodes.contains(code))
        return reasonOfWrite(code, reply, site);
    if (code.isEmpty() || code == QLatin1String("internal") || code == QLatin1String("missing")) {
        // No specific code: what is wrong may still be plain to see.
        if (const Reason input = inputProblem(site.pdfPath); input.found())
            return input;
        if (const Reason folder = outputFolderProblem(site.outputFolderText); folder.found())
            return folder;
    }
    return reasonOfComponent(code, reply, site);
}
