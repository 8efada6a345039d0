#include "support/RecordingUserInterface.h"

void RecordingUserInterface::showMessage(const QString& text, MessageStyle style,
                                         const QString& caption) {
    showDetailedMessage(text, style, caption, {});
}

void RecordingUserInterface::showDetailedMessage(const QString& text, MessageStyle style,
                                                 const QString& caption, const QString& detail) {
    messages.append({text, style, caption});
    details.append(detail);
    if (onMessage)
        onMessage(messages.last());
}

std::optional<QString> RecordingUserInterface::askPassword(const QString& title,
                                                           const QString& text) {
    passwordQuestions << title << text;
    if (passwordAnswers.isEmpty())
        return std::nullopt;
    return passwordAnswers.dequeue();
}

QStringList RecordingUserInterface::askOpenFileNames(const QString& title, const QString& filter) {
    dialogTitles.append(title);
    dialogFilters.append(filter);
    return fileAnswers.isEmpty() ? QStringList{} : fileAnswers.dequeue();
}

QString RecordingUserInterface::askFolder(const QString& title) {
    dialogTitles.append(title);
    return folderAnswers.isEmpty() ? QString{} : folderAnswers.dequeue();
}

void RecordingUserInterface::setApplicationPointer(MousePointer pointer) {
    applicationPointers.append(pointer);
}

QuestionAnswer RecordingUserInterface::askQuestion(const QString& text, const QString& caption) {
    questions.append({text, MessageStyle::Plain, caption});
    if (onQuestion)
        onQuestion(questions.last());
    return questionAnswers.isEmpty() ? QuestionAnswer::No : questionAnswers.dequeue();
}

QStringList RecordingUserInterface::messageTexts() const {
    QStringList texts;
    for (const Message& message : messages)
        texts.append(message.text);
    return texts;
}
