#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Mouse pointer codes of the window and of the whole application.
enum class MousePointer {
    Default = 0,
    Arrow = 1,
    Hourglass = 11,
    Custom = 99,
};

// Message box styles: an OK button alone, or an OK button with the warning icon.
enum class MessageStyle {
    Plain = 0,
    Warning = 48,
};

// The answer to a question box.
enum class QuestionAnswer {
    Yes,
    No,
};

// Everything that asks the user something or shows a box goes through this interface, so the
// core never opens a dialog itself and tests answer with a recording fake.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Modal message box. An empty caption shows the application's title, "Pagekiln".
    virtual void showMessage(const QString& text, MessageStyle style, const QString& caption) = 0;

    // The same box with a detail text the user may unfold ("Show Details..."); an empty detail
    // shows the plain box. Interfaces without such an area show the plain box.
    virtual void showDetailedMessage(const QString& text, MessageStyle style,
                                     const QString& caption, const QString& detail) {
        (void)detail;
        showMessage(text, style, caption);
    }

    // Asks for a password with a masked input; nothing when cancelled or when nobody can be
    // asked. The answer is never stored.
    virtual std::optional<QString> askPassword(const QString& title, const QString& text) {
        (void)title;
        (void)text;
        return std::nullopt;
    }

    // Multi-selection open-file dialog. The result has the shape of the classic dialog's
    // answer: empty when cancelled; one element, the full path, for one file; otherwise the
    // folder followed by the chosen names, in the dialog's order.
    virtual QStringList askOpenFileNames(const QString& title, const QString& filter) = 0;

    // Folder browser (folders only). Empty when cancelled.
    virtual QString askFolder(const QString& title) = 0;

    // The application-wide pointer that overrides every window's own while it is not Default.
    virtual void setApplicationPointer(MousePointer pointer) = 0;

    // Modal question box with the buttons Yes and No (No when the box is closed otherwise).
    // An empty caption shows the application's title.
    virtual QuestionAnswer askQuestion(const QString& text, const QString& caption) = 0;
};

// The main window's own pointer setting (Default, Custom or Hourglass). Long operations set
// the hourglass; hovering changes it only while it is not the hourglass.
class WindowPointer {
public:
    virtual ~WindowPointer() = default;
    virtual MousePointer windowPointer() const = 0;
    virtual void setWindowPointer(MousePointer pointer) = 0;
};
