#include "convert/BatchDriver.h"

#include "convert/ConversionContext.h"
#include "convert/ConversionStep.h"
#include "filelist/FileListModel.h"

BatchDriver::BatchDriver(FileListModel& list, DriverWindow& window, ConversionContext& context,
                         MethodTable methods, QObject* parent)
    : QObject(parent), m_list(list), m_window(window), m_context(context),
      m_methods(std::move(methods)) {}

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
        // The method is the one selected at this moment: the user may change it during a run.
        const std::optional<ConversionMethod> method = m_window.selectedMethod();
        const ConversionOutcome outcome =
            ConvertOnePdf(method ? &m_methods[*method] : nullptr, path, m_context, *m_passwords);
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
