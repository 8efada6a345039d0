#include "convert/BatchDriver.h"

#include "convert/ConversionContext.h"
#include "filelist/FileListModel.h"

#include <QElapsedTimer>

BatchDriver::BatchDriver(FileListModel& list, DriverWindow& window, ConversionContext& context,
                         ProcedureTable procedures, QObject* parent)
    : QObject(parent), m_list(list), m_window(window), m_context(context),
      m_procedures(std::move(procedures)) {}

BatchDriver::Outcome BatchDriver::run() {
    if (m_running)
        return Outcome::Ignored;
    if (m_list.count() < 1) {
        m_context.ui.showMessage(NoFilesMessage, MessageStyle::Plain, {});
        finish();
        return Outcome::NoFiles;
    }
    m_running = true;
    m_passwords = std::make_unique<PasswordRing>();
    m_stopRequested = false;
    m_list.setFrozen(true);
    m_window.setWindowPointer(MousePointer::Hourglass);

    // Every entry is converted, whatever the count; the count is read again at every step.
    int taken = 0;
    for (int i = 1; i <= m_list.count() && !m_stopRequested; ++i) {
        taken = i;
        const int current = m_list.count();
        const double share = static_cast<double>(i) / current * 100.0;
        m_window.setProgress(static_cast<float>(share));
        m_window.setWindowPointer(MousePointer::Hourglass);
        const QString path = m_list.text(i);
        emit entryStarted(i, current, path);
        const ConversionOutcome outcome = convertEntry(path);
        emit entryFinished(i, path, m_context.jpgCreated);
        emit entryOutcome(i, path, outcome);
        warnIfIncomplete(path, outcome);
    }
    m_passwords.reset();
    const bool stopped = m_stopRequested && taken < m_list.count();
    m_context.ui.showMessage(DoneMessage, MessageStyle::Plain, {});
    finish();
    m_list.setFrozen(false);
    m_running = false;
    m_stopRequested = false;
    return stopped ? Outcome::Stopped : Outcome::Completed;
}

void BatchDriver::requestStop() {
    if (m_running)
        m_stopRequested = true;
}

ConversionOutcome BatchDriver::convertEntry(const QString& path) {
    const std::optional<ConversionMethod> method = m_window.selectedMethod();
    if (!method) {
        // No method selected: nothing was made for this entry.
        m_context.jpgCreated = false;
        return ConversionOutcome::failure(ReasonCode::NoMethod,
                                          QStringLiteral("No conversion method is selected."));
    }
    QElapsedTimer clock;
    clock.start();
    ConversionOutcome outcome;
    try {
        outcome =
            convertWithPasswords(m_procedures.forMethod(*method), path, m_context, *m_passwords);
    } catch (...) {
        // A failure that no procedure handles costs this PDF only; the run goes on and the
        // list is released at its end.
        m_context.jpgCreated = false;
        outcome = ConversionOutcome::failure(
            ReasonCode::Internal, QStringLiteral("The conversion stopped on an unexpected error."));
    }
    outcome.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return agreeWithJpgCreated(std::move(outcome), m_context.jpgCreated);
}

void BatchDriver::warnIfIncomplete(const QString& path, const ConversionOutcome& outcome) {
    if (m_context.jpgCreated && outcome.status != ConversionStatus::Partial)
        return;
    m_context.ui.showDetailedMessage(FailurePrefix + path, MessageStyle::Warning, FailureCaption,
                                     outcomeSummary(outcome));
}

void BatchDriver::finish() {
    m_window.setProgress(0.0f);
    m_window.setWindowPointer(MousePointer::Default);
}
