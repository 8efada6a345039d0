#pragma once

#include "platform/UserInterface.h"

#include <QMutex>

#include <cstdio>

// The command line's side of the user interface: every message the window would show in a box
// is a line on standard error. It asks nothing, and may be used from several threads.
class ConsoleUserInterface : public UserInterface {
public:
    explicit ConsoleUserInterface(std::FILE* stream = stderr) : m_stream(stream) {}

    void showMessage(const QString& text, MessageStyle style, const QString& caption) override;
    QStringList askOpenFileNames(const QString&, const QString&) override { return {}; }
    QString askFolder(const QString&) override { return {}; }
    void setApplicationPointer(MousePointer) override {}
    // Nobody answers on a console: nothing that asks is ever agreed to.
    QuestionAnswer askQuestion(const QString&, const QString&) override {
        return QuestionAnswer::No;
    }

    // Writes one line (a newline is added), whole, even with other threads writing.
    void printLine(const QString& text);
    // Rewrites the current terminal line (no newline).
    void printStatus(const QString& text);

private:
    QMutex m_mutex;
    std::FILE* m_stream;
    bool m_statusShown = false;
};
