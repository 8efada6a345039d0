#include "convert/PasswordAttempts.h"

#include "convert/ConversionContext.h"
#include "platform/UserInterface.h"

#include <QMutexLocker>

namespace {

bool needsPassword(const ConversionOutcome& outcome) {
    return outcome.pagesWritten == 0 &&
           (outcome.reason == ReasonCode::Password || outcome.reason == ReasonCode::PasswordWrong);
}

// Forgets the password however the attempt ends.
class PasswordAttempt {
public:
    PasswordAttempt(ConversionContext& context, const QString& password) : m_context(context) {
        m_context.password = password;
    }
    ~PasswordAttempt() { m_context.password.clear(); }
    PasswordAttempt(const PasswordAttempt&) = delete;
    PasswordAttempt& operator=(const PasswordAttempt&) = delete;

private:
    ConversionContext& m_context;
};

ConversionOutcome attempt(const ConversionProcedure& procedure, const QString& pdfPath,
                          ConversionContext& context, const QString& password) {
    const PasswordAttempt holder(context, password);
    return procedure(pdfPath, context);
}

} // namespace

PasswordRing::PasswordRing(const QStringList& passwords) {
    for (const QString& password : passwords)
        add(password);
}

void PasswordRing::add(const QString& password) {
    const QMutexLocker lock(&m_mutex);
    if (!password.isEmpty() && !m_passwords.contains(password))
        m_passwords.append(password);
}

QStringList PasswordRing::passwords() const {
    const QMutexLocker lock(&m_mutex);
    return m_passwords;
}

QString passwordQuestion(const QString& pdfPath, bool afterRejection) {
    // The path is named once: it may be long, and the box is small.
    return afterRejection
               ? QStringLiteral("The password was not accepted.\nPassword for %1:").arg(pdfPath)
               : QStringLiteral("%1 is protected by a password.\nPassword:").arg(pdfPath);
}

ConversionOutcome convertWithPasswords(const ConversionProcedure& procedure, const QString& pdfPath,
                                       ConversionContext& context, PasswordRing& ring) {
    ConversionOutcome outcome = attempt(procedure, pdfPath, context, {});
    if (!needsPassword(outcome))
        return outcome;
    for (const QString& known : ring.passwords()) {
        outcome = attempt(procedure, pdfPath, context, known);
        if (!needsPassword(outcome))
            return outcome;
    }
    bool rejected = !ring.passwords().isEmpty();
    while (const std::optional<QString> typed =
               context.ui.askPassword(PasswordTitle, passwordQuestion(pdfPath, rejected))) {
        outcome = attempt(procedure, pdfPath, context, *typed);
        if (!needsPassword(outcome)) {
            ring.add(*typed);
            return outcome;
        }
        rejected = true;
    }
    return outcome;
}
