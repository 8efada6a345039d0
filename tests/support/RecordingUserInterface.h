#pragma once

#include "platform/UserInterface.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

// A UserInterface for tests: records every box and pointer change, and answers dialogs from
// queues filled by the test. It never blocks.
class RecordingUserInterface : public UserInterface {
public:
    struct Message {
        QString text;
        MessageStyle style;
        QString caption;
        bool operator==(const Message&) const = default;
    };

    void showMessage(const QString& text, MessageStyle style, const QString& caption) override;
    void showDetailedMessage(const QString& text, MessageStyle style, const QString& caption,
                             const QString& detail) override;
    std::optional<QString> askPassword(const QString& title, const QString& text) override;
    QStringList askOpenFileNames(const QString& title, const QString& filter) override;
    QString askFolder(const QString& title) override;
    void setApplicationPointer(MousePointer pointer) override;
    QuestionAnswer askQuestion(const QString& text, const QString& caption) override;

    QList<Message> messages;
    QStringList details; // the detail text of each message, "" for none
    QStringList dialogTitles;
    QStringList dialogFilters;
    QQueue<QStringList> fileAnswers; // empty queue answers "cancelled"
    QQueue<QString> folderAnswers;   // empty queue answers "cancelled"
    QQueue<QString> passwordAnswers; // empty queue answers "cancelled"
    QStringList passwordQuestions;   // title, then text, of every password question
    QList<MousePointer> applicationPointers;
    std::function<void(const Message&)> onMessage;  // runs inside showMessage, if set
    QList<Message> questions;                       // style Plain
    QQueue<QuestionAnswer> questionAnswers;         // empty queue answers No
    std::function<void(const Message&)> onQuestion; // runs inside askQuestion, if set

    QStringList messageTexts() const;
};
