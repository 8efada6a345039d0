#include "cli/RunProgress.h"

#include <algorithm>

namespace {

// "0:07", "12:30", "1:02:03".
QString clock(std::chrono::seconds time) {
    const long long seconds = time.count();
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2").arg((seconds / 60) % 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (seconds < 3600)
        return minutesAndSeconds;
    return QStringLiteral("%1:%2")
        .arg(seconds / 3600)
        .arg(minutesAndSeconds.rightJustified(5, '0'));
}

QString bar(double fraction) {
    constexpr int Width = 24;
    const int filled = static_cast<int>(fraction * Width);
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
           QString(Width - filled, QLatin1Char(' ')) + QLatin1Char(']');
}

} // namespace

void RunProgress::started(int position) {
    m_running.emplace(position, Running{});
}

void RunProgress::expected(int position, int pages) {
    if (const auto it = m_running.find(position); it != m_running.end())
        it->second.expected = std::max(0, pages);
}

void RunProgress::written(int position, int pages) {
    if (const auto it = m_running.find(position); it != m_running.end())
        it->second.written = std::max(0, pages);
}

void RunProgress::finished(int position, int pagesWritten) {
    m_running.erase(position);
    ++m_finished;
    m_pagesFinished += pagesWritten;
}

int RunProgress::pagesWritten() const {
    long long pages = m_pagesFinished;
    for (const auto& [position, running] : m_running)
        pages += running.written;
    return static_cast<int>(pages);
}

int RunProgress::pagesKnown() const {
    long long pages = m_pagesFinished;
    for (const auto& [position, running] : m_running)
        pages += std::max(running.expected, running.written);
    return static_cast<int>(pages);
}

double RunProgress::fraction() const {
    if (m_pdfs <= 0)
        return 1.0;
    double done = m_finished;
    for (const auto& [position, running] : m_running) {
        if (running.expected > 0)
            done += std::min(1.0, static_cast<double>(running.written) / running.expected);
    }
    return std::clamp(done / m_pdfs, 0.0, 1.0);
}

QString RunProgress::statusLine(std::chrono::milliseconds elapsed) const {
    const double share = fraction();
    QString line = QStringLiteral("%1 %2%  pages %3/%4  PDFs %5/%6  %7 elapsed")
                       .arg(bar(share))
                       .arg(static_cast<int>(share * 100.0), 3)
                       .arg(pagesWritten())
                       .arg(pagesKnown())
                       .arg(m_finished)
                       .arg(m_pdfs)
                       .arg(clock(std::chrono::duration_cast<std::chrono::seconds>(elapsed)));
    if (share > 0.0 && share < 1.0) {
        const auto left = std::chrono::duration<double>(elapsed) * ((1.0 - share) / share);
        line += QStringLiteral("  %1 left")
                    .arg(clock(std::chrono::duration_cast<std::chrono::seconds>(left)));
    }
    return line;
}
