#pragma once

#include "platform/UserInterface.h"

class QWidget;

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

private:
    QWidget* m_owner;
};
