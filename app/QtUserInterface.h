#pragma once

#include "platform/UserInterface.h"

class QWidget;

// The classic dialog's answer for the chosen full paths: empty, the one path, or the folder
// all of them lie in followed by each path below it, in order.
QStringList classicOpenFileAnswer(const QStringList& paths);

// The real dialogs and message boxes, owned by the main window.
class QtUserInterface : public UserInterface {
public:
    explicit QtUserInterface(QWidget* owner) : m_owner(owner) {}

    static inline const QString ApplicationTitle = QStringLiteral("Pagekiln");

    void showMessage(const QString& text, MessageStyle style, const QString& caption) override;
    void showDetailedMessage(const QString& text, MessageStyle style, const QString& caption,
                             const QString& detail) override;
    std::optional<QString> askPassword(const QString& title, const QString& text) override;
    QStringList askOpenFileNames(const QString& title, const QString& filter) override;
    QString askFolder(const QString& title) override;
    void setApplicationPointer(MousePointer pointer) override;
    QuestionAnswer askQuestion(const QString& text, const QString& caption) override;

private:
    QWidget* m_owner;
};
