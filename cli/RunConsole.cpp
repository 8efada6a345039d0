#include "cli/RunConsole.h"

#include "cli/ConsoleUserInterface.h"
#include "cli/ParallelConverter.h"
#include "convert/BatchDriver.h"

#include <chrono>

namespace {
// Ten redraws a second: a status line costs next to nothing to print, and a short run still
// shows its pages moving rather than a jump to the end.
constexpr std::chrono::milliseconds RedrawInterval{100};
} // namespace

RunConsole::RunConsole(ConsoleUserInterface& console, RunReport& report, ReportSettings settings,
                       Show show)
    : m_console(console), m_report(report), m_settings(std::move(settings)), m_show(show) {
    m_redraw.setInterval(RedrawInterval);
    connect(&m_redraw, &QTimer::timeout, this, &RunConsole::redraw);
}

void RunConsole::follow(ParallelConverter& converter, const QStringList& pdfs,
                        const std::vector<std::vector<int>>& collisionGroups) {
    m_progress = RunProgress(static_cast<int>(pdfs.size()));
    m_pdfs = pdfs;
    for (const std::vector<int>& group : collisionGroups) {
        for (const int position : group)
            m_colliding.insert(position + 1);
    }
    connect(&converter, &ParallelConverter::conversionStarted, this, &RunConsole::onStarted);
    connect(&converter, &ParallelConverter::pagesExpected, this,
            [this](int position, int pages) { m_progress.expected(position, pages); });
    connect(&converter, &ParallelConverter::pagesWritten, this,
            [this](int position, int pages) { m_progress.written(position, pages); });
    connect(&converter, &ParallelConverter::conversionOutcome, this,
            [this](int position, int, const QString& path, const ConversionOutcome& outcome) {
                onOutcome(position, path, outcome);
            });
    m_clock.start();
    if (m_show.statusLine)
        m_redraw.start();
}

void RunConsole::onStarted(int position, int count, const QString& path) {
    ++m_started;
    m_progress.started(position);
    if (m_show.startLines)
        m_console.printLine(
            QStringLiteral("[%1/%2] %3").arg(position).arg(count).arg(oneLine(path)));
}

void RunConsole::onOutcome(int position, const QString& path, const ConversionOutcome& outcome) {
    ++m_finished;
    m_progress.finished(position, outcome.pagesWritten);
    if (outcome.status != ConversionStatus::Converted)
        m_console.printLine(failureLine(path, outcome));
    const QStringList replaced = replacedBy(position, outcome);
    if (!m_report.isOpen())
        return;
    if (const auto part = m_parts.find(position - 1); part != m_parts.end()) {
        ReportSettings settings = m_settings;
        settings.pages = part->second;
        m_report.record(path, settings, outcome, replaced);
    } else {
        m_report.record(path, m_settings, outcome, replaced);
    }
}

// The PDFs whose images this one's replaced. Colliding PDFs run one after the other in list
// order, so the last writer of a name is the one whose image stays.
QStringList RunConsole::replacedBy(int position, const ConversionOutcome& outcome) {
    if (!m_colliding.contains(position))
        return {};
    QStringList replaced;
    for (const QString& output : outcome.outputs) {
        const int writer = m_writerOf.value(output, 0);
        if (writer != 0 && writer != position && !replaced.contains(m_pdfs[writer - 1]))
            replaced.append(m_pdfs[writer - 1]);
        m_writerOf.insert(output, position);
    }
    return replaced;
}

void RunConsole::redraw() {
    m_console.printStatus(m_progress.statusLine(std::chrono::milliseconds(m_clock.elapsed())));
}

void RunConsole::finish() {
    m_redraw.stop();
    if (m_show.statusLine)
        m_console.printLine(m_progress.statusLine(std::chrono::milliseconds(m_clock.elapsed())));
}

QString failureLine(const QString& path, const ConversionOutcome& outcome) {
    return BatchDriver::FailurePrefix + oneLine(path) + QStringLiteral(": ") +
           oneLine(outcomeSummary(outcome));
}
