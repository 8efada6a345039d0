#include "ComponentServer.h"

#include "platform/FileWrite.h"
#include "protocol/Wire.h"

#include <QJsonDocument>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

int answerDescriptor = -1;

QJsonObject failureAnswer(Fault fault, const QString& text) {
    return QJsonObject{{wire::kOk, false}, {wire::kCode, faultName(fault)}, {wire::kError, text}};
}

// Moves the answers off standard output: they keep the pipe the client reads on a descriptor
// of their own (closed in any program the server starts), and standard output now leads to
// standard error.
int takeAnswerDescriptor() {
    std::fflush(stdout);
    const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (fd < 0)
        return STDOUT_FILENO;
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return fd;
}

} // namespace

ComponentServer::ComponentServer(ComponentClasses classes) : m_classes(std::move(classes)) {}

ComponentServer::~ComponentServer() = default;

QByteArray ComponentServer::handle(const QByteArray& line) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    QJsonObject reply;
    if (!doc.isObject()) {
        reply = failureAnswer(Fault::BadArgument,
                              QStringLiteral("malformed request: ") + parseError.errorString());
    } else {
        const QJsonObject request = doc.object();
        reply = dispatch(request);
        reply.insert(wire::kId, request.value(wire::kId));
    }
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

QJsonObject ComponentServer::dispatch(const QJsonObject& request) {
    const QString op = request.value(wire::kOp).toString();
    if (op == wire::kCreate)
        return create(request);
    if (op == wire::kRelease) {
        m_objects.erase(request.value(wire::kObject).toInteger());
        return QJsonObject{{wire::kOk, true}};
    }
    if (op == wire::kSet || op == wire::kGet || op == wire::kCall)
        return onObject(request, op);
    return failureAnswer(Fault::BadArgument, QStringLiteral("unknown operation \"%1\"").arg(op));
}

QJsonObject ComponentServer::create(const QJsonObject& request) {
    const QString className = request.value(wire::kClass).toString();
    const auto found = m_classes.find(className.toLower());
    if (found == m_classes.end())
        return failureAnswer(Fault::BadArgument,
                             QStringLiteral("class \"%1\" is not served here").arg(className));
    return answer(ComponentReply::object(found->second()));
}

QJsonObject ComponentServer::onObject(const QJsonObject& request, const QString& op) {
    const auto found = m_objects.find(request.value(wire::kObject).toInteger());
    if (found == m_objects.end())
        return failureAnswer(Fault::BadArgument, QStringLiteral("no such object"));
    ComponentObject& object = *found->second;
    const QString name = request.value(wire::kName).toString().toLower();
    if (op == wire::kSet)
        return answer(object.set(name, request.value(wire::kValue)));
    if (op == wire::kGet)
        return answer(object.get(name));
    return answer(object.call(name, request.value(wire::kArgs).toArray()));
}

QJsonObject ComponentServer::answer(ComponentReply reply) {
    if (!reply.ok)
        return failureAnswer(reply.fault == Fault::None ? Fault::Internal : reply.fault,
                             reply.error);
    QJsonObject out{{wire::kOk, true}};
    if (reply.fault != Fault::None) {
        out.insert(wire::kCode, faultName(reply.fault));
        out.insert(wire::kError, reply.error);
    }
    if (reply.newObject) {
        const qint64 id = m_nextId++;
        m_objects.emplace(id, std::move(reply.newObject));
        out.insert(wire::kObject, id);
    } else {
        out.insert(wire::kResult, reply.result);
    }
    if (reply.endServer) {
        out.insert(wire::kEnding, true);
        m_ended = true;
    }
    return out;
}

int componentAnswerDescriptor() {
    return answerDescriptor;
}

int runComponentServer(ComponentClasses classes) {
    answerDescriptor = takeAnswerDescriptor();
    std::ios::sync_with_stdio(false);
    ComponentServer server(std::move(classes));
    std::string line;
    while (!server.ended() && std::getline(std::cin, line)) {
        if (line.empty())
            continue;
        QByteArray answer = server.handle(QByteArray::fromStdString(line));
        answer.append('\n');
        if (writeWhole(answerDescriptor, answer.constData(), std::size_t(answer.size()), EIO) != 0)
            return 1; // the client is gone
    }
    return 0;
}
