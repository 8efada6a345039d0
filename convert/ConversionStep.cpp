#include "convert/ConversionStep.h"

#include "convert/ConversionContext.h"
#include "convert/MethodTable.h"
#include "convert/PasswordAttempts.h"

#include <QElapsedTimer>

namespace {

ConversionOutcome attempt(const MethodEntry& method, const QString& pdfPath,
                          ConversionContext& context, PasswordRing& passwords) {
    try {
        return convertWithPasswords(method.procedure, pdfPath, context, passwords);
    } catch (...) {
        // A failure that no procedure handles costs this PDF only; the run goes on.
        return ConversionOutcome::failure(
            ReasonCode::Internal, QStringLiteral("The conversion stopped on an unexpected error."));
    }
}

// A PDF that gave nothing always says why, even when the procedure did not.
ConversionOutcome settled(ConversionOutcome outcome) {
    if (outcome.pagesWritten == 0 && outcome.reason == ReasonCode::None)
        outcome.fail(ReasonCode::Internal, QStringLiteral("No image was made."));
    return std::move(outcome.settle());
}

} // namespace

ConversionOutcome ConvertOnePdf(const MethodEntry* method, const QString& pdfPath,
                                ConversionContext& context, PasswordRing& passwords) {
    context.jpgCreated = false;
    if (!method)
        return ConversionOutcome::failure(ReasonCode::NoMethod,
                                          QStringLiteral("No conversion method is selected."));
    QElapsedTimer clock;
    clock.start();
    ConversionOutcome outcome = settled(attempt(*method, pdfPath, context, passwords));
    outcome.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    context.jpgCreated = outcome.jpgCreated();
    return outcome;
}
