#pragma once

#include "protocol/Automation.h"

#include <QByteArrayView>
#include <QJsonObject>

// One line a component server wrote on its answer pipe, read: the answer it holds and the id
// of the request it answers. A line is an answer only when it is a JSON object with a whole
// id above 0; anything else (a library's chatter, a torn or empty line) is not.
struct AnswerLine {
    qint64 id = 0; // 0 when the line is not an answer
    QJsonObject answer;
    bool isAnswer() const { return id > 0; }
};

AnswerLine readAnswerLine(QByteArrayView line);

// The reply an answer stands for: a failure that names no fault is Internal; a success names
// one only when its value is a refusal.
AutomationReply replyOfAnswer(const QJsonObject& answer);
