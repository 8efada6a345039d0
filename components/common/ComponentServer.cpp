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
    return QJsonObject{{Wire::kOk, false}, {Wire::kCode, faultName(fault)}, {Wire::kError, text}};
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
        reply.insert(Wire::kId, request.value(Wire::kId));
    }
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

QJsonObject ComponentServer::dispatch(const QJsonObject& request) {
    const QString op = request.value(Wire::kOp).toString();
    if (op == Wire::kCreate)
        return create(request);
    if (op == Wire::kRelease) {
        m_objects.erase(request.value(Wire::kObject).toInteger());
        return QJsonObject{{Wire::kOk, true}};
    }
    if (op == Wire::kSet || op == Wire::kGet || op == Wire::kCall)
        return onObject(request, op);
    return failureAnswer(Fault::BadArgument, QStringLiteral("unknown operation \"%1\"").arg(op));
}

QJsonObject ComponentServer::create(const QJsonObject& request) {
    const QString className = request.value(Wire::kClass).toString();
    const auto found = m_classes.find(className.toLower());
    if (found == m_classes.end())
        return failureAnswer(Fault::BadArgument,
                             QStringLiteral("class \"%1\" is not served here").arg(className));
    return answer(ComponentReply::object(found->second()));
}

QJsonObject ComponentServer::onObject(const QJsonObject& request, const QString& op) {
    const auto found = m_objects.find(request.value(Wire::kObject).toInteger());
    if (found == m_objects.end())
        return failureAnswer(Fault::BadArgument, QStringLiteral("no such object"));
    ComponentObject& object = *found->second;
    const QString name = request.value(Wire::kName).toString().toLower();
    if (op == Wire::kSet)
        return answer(object.set(name, request.value(Wire::kValue)));
    if (op == Wire::kGet)
        return answer(object.get(name));
    return answer(object.call(name, request.value(Wire::kArgs).toArray()));
}

QJsonObject ComponentServer::answer(ComponentReply reply) {
    if (!reply.ok)
        return failureAnswer(reply.fault == Fault::None ? Fault::Internal : reply.fault,
                             reply.error);
    QJsonObject out{{Wire::kOk, true}};
    if (reply.fault != Fault::None) {
        out.insert(Wire::kCode, faultName(reply.fault));
        out.insert(Wire::kError, reply.error);
    }
    if (reply.newObject) {
        const qint64 id = m_nextId++;
        m_objects.emplace(id, std::move(reply.newObject));
        out.insert(Wire::kObject, id);
    } else {
        out.insert(Wire::kResult, reply.result);
    }
    if (reply.endServer) {
        out.insert(Wire::kEnding, true);
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
