#include "ComponentServer.h"

#include <QJsonDocument>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

QJsonObject failureAnswer(const QString& text) {
    return QJsonObject{{"ok", false}, {"error", text}};
}

} // namespace

ComponentServer::ComponentServer(ComponentClasses classes) : m_classes(std::move(classes)) {}

ComponentServer::~ComponentServer() = default;

QByteArray ComponentServer::handle(const QByteArray& line) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    QJsonObject reply;
    if (!doc.isObject()) {
        reply = failureAnswer(QStringLiteral("malformed request: ") + parseError.errorString());
    } else {
        const QJsonObject request = doc.object();
        reply = dispatch(request);
        reply.insert("id", request.value("id"));
    }
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

QJsonObject ComponentServer::dispatch(const QJsonObject& request) {
    const QString op = request.value("op").toString();
    if (op == "create")
        return create(request);
    if (op == "release") {
        m_objects.erase(request.value("object").toInteger());
        return QJsonObject{{"ok", true}};
    }
    if (op == "set" || op == "get" || op == "call")
        return onObject(request, op);
    return failureAnswer(QStringLiteral("unknown operation \"%1\"").arg(op));
}

QJsonObject ComponentServer::create(const QJsonObject& request) {
    const QString className = request.value("class").toString();
    const auto found = m_classes.find(className.toLower());
    if (found == m_classes.end())
        return failureAnswer(QStringLiteral("class \"%1\" is not served here").arg(className));
    return answer(ComponentReply::object(found->second()));
}

QJsonObject ComponentServer::onObject(const QJsonObject& request, const QString& op) {
    const auto found = m_objects.find(request.value("object").toInteger());
    if (found == m_objects.end())
        return failureAnswer(QStringLiteral("no such object"));
    ComponentObject& object = *found->second;
    const QString name = request.value("name").toString().toLower();
    if (op == "set")
        return answer(object.set(name, request.value("value")));
    if (op == "get")
        return answer(object.get(name));
    return answer(object.call(name, request.value("args").toArray()));
}

QJsonObject ComponentServer::answer(ComponentReply reply) {
    if (!reply.ok) {
        QJsonObject failure = failureAnswer(reply.error);
        if (reply.fault != Fault::None)
            failure.insert("code", faultName(reply.fault));
        return failure;
    }
    QJsonObject out{{"ok", true}};
    if (reply.newObject) {
        const qint64 id = m_nextId++;
        m_objects.emplace(id, std::move(reply.newObject));
        out.insert("object", id);
    } else {
        out.insert("result", reply.result);
    }
    if (reply.endServer) {
        out.insert("ending", true);
        m_ended = true;
    }
    return out;
}

int runComponentServer(ComponentClasses classes) {
    // Answers go to stdout only; anything a library prints must not mix into the protocol.
    std::ios::sync_with_stdio(false);
    ComponentServer server(std::move(classes));
    std::string line;
    while (!server.ended() && std::getline(std::cin, line)) {
        if (line.empty())
            continue;
        QByteArray answer = server.handle(QByteArray::fromStdString(line));
        answer.append('\n');
        std::fwrite(answer.constData(), 1, static_cast<std::size_t>(answer.size()), stdout);
        std::fflush(stdout);
    }
    return 0;
}
