#include "cli/RunConsole.h"

#include "cli/ConsoleUserInterface.h"
#include "cli/ParallelConverter.h"
#include "convert/BatchDriver.h"

#include <chrono>

namespace {
constexpr std::chrono::milliseconds RedrawInterval{250};
}

RunConsole::RunConsole(ConsoleUserInterface& console, RunReport& report, ReportSettings settings,
                       Show show)
    : m_console(console), m_report(report), m_settings(std::move(settings)), m_show(show) {
    m_redraw.setInterval(RedrawInterval);
    connect(&m_redraw, &QTimer::timeout, this, &RunConsole::redraw);
}

void RunConsole::follow(ParallelConverter& converter, int pdfs) {
    m_progress = RunProgress(pdfs);
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
    if (m_report.isOpen())
        m_report.record(path, m_settings, outcome);
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
