#pragma once

#include "cli/RunProgress.h"
#include "cli/RunReport.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <map>
#include <vector>

class ConsoleUserInterface;
class ParallelConverter;

// What the terminal and the report show of a run as it goes: a line per PDF started (unless
// quiet), a warning per PDF not converted, a report line per PDF, and, on a terminal, a status
// line of pages and PDFs redrawn four times a second, also while one long PDF converts.
class RunConsole : public QObject {
    Q_OBJECT
public:
    struct Show {
        bool startLines = true; // "[i/n] path" for every PDF started
        bool statusLine = false;
    };

    RunConsole(ConsoleUserInterface& console, RunReport& report, ReportSettings settings,
               Show show);

    // Follows the conversions of converter over pdfs. The PDFs of each collision group (list
    // positions, 0-based) are watched for images that replace another PDF's.
    void follow(ParallelConverter& converter, const QStringList& pdfs,
                const std::vector<std::vector<int>>& collisionGroups = {});
    // PDFs converted with only some of their pages: list position (0-based) -> the pages,
    // which their report lines record.
    void setParts(std::map<qsizetype, QString> parts) { m_parts = std::move(parts); }
    // Draws the status line a last time and leaves it standing.
    void finish();

    int started() const { return m_started; }
    int finished() const { return m_finished; }

private:
    void onStarted(int position, int count, const QString& path);
    void onOutcome(int position, const QString& path, const ConversionOutcome& outcome);
    void redraw();
    QStringList replacedBy(int position, const ConversionOutcome& outcome);

    ConsoleUserInterface& m_console;
    RunReport& m_report;
    ReportSettings m_settings;
    std::map<qsizetype, QString> m_parts;
    Show m_show;
    RunProgress m_progress{0};
    QElapsedTimer m_clock;
    QTimer m_redraw;
    int m_started = 0;
    int m_finished = 0;
    QStringList m_pdfs;
    QSet<int> m_colliding;          // positions (1-based) of PDFs in collision groups
    QHash<QString, int> m_writerOf; // which of them wrote each of their images, last
};

// The warning line of a PDF that was not converted, or only in part.
QString failureLine(const QString& path, const ConversionOutcome& outcome);
