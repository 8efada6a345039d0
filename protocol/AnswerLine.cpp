#include "protocol/AnswerLine.h"

#include "protocol/Wire.h"

#include <QJsonDocument>

#include <algorithm>

namespace {

// The fault an answer names, or `absent` when it names none.
Fault faultOf(const QJsonObject& answer, Fault absent) {
    const QString code = answer.value(Wire::kCode).toString();
    return code.isEmpty() ? absent : faultFromName(code);
}

} // namespace

AnswerLine readAnswerLine(QByteArrayView line) {
    const QJsonDocument doc = QJsonDocument::fromJson(line.toByteArray());
    AnswerLine read;
    if (!doc.isObject())
        return read;
    read.answer = doc.object();
    read.id = std::max<qint64>(read.answer.value(Wire::kId).toInteger(), 0);
    return read;
}

AutomationReply replyOfAnswer(const QJsonObject& answer) {
    if (!answer.value(Wire::kOk).toBool()) {
        AutomationReply failure = AutomationReply::failed(faultOf(answer, Fault::Internal),
                                                          answer.value(Wire::kError).toString());
        failure.value = answer.value(Wire::kResult); // what the call did before it failed
        return failure;
    }
    AutomationReply reply;
    reply.fault = faultOf(answer, Fault::None);
    reply.value = answer.value(Wire::kResult);
    reply.error = answer.value(Wire::kError).toString();
    reply.objectId = answer.value(Wire::kObject).toInteger();
    return reply;
}
