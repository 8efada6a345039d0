#include "ComponentServer.h"

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
    return QJsonObject{{"ok", false}, {"code", faultName(fault)}, {"error", text}};
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

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    std::size_t left = std::size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= std::size_t(n);
    }
    return true;
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
    return failureAnswer(Fault::BadArgument, QStringLiteral("unknown operation \"%1\"").arg(op));
}

QJsonObject ComponentServer::create(const QJsonObject& request) {
    const QString className = request.value("class").toString();
    const auto found = m_classes.find(className.toLower());
    if (found == m_classes.end())
        return failureAnswer(Fault::BadArgument,
                             QStringLiteral("class \"%1\" is not served here").arg(className));
    return answer(ComponentReply::object(found->second()));
}

QJsonObject ComponentServer::onObject(const QJsonObject& request, const QString& op) {
    const auto found = m_objects.find(request.value("object").toInteger());
    if (found == m_objects.end())
        return failureAnswer(Fault::BadArgument, QStringLiteral("no such object"));
    ComponentObject& object = *found->second;
    const QString name = request.value("name").toString().toLower();
    if (op == "set")
        return answer(object.set(name, request.value("value")));
    if (op == "get")
        return answer(object.get(name));
    return answer(object.call(name, request.value("args").toArray()));
}

QJsonObject ComponentServer::answer(ComponentReply reply) {
    if (!reply.ok)
        return failureAnswer(reply.fault == Fault::None ? Fault::Internal : reply.fault,
                             reply.error);
    QJsonObject out{{"ok", true}};
    if (reply.fault != Fault::None) {
        out.insert("code", faultName(reply.fault));
        out.insert("error", reply.error);
    }
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
        if (!writeAll(answerDescriptor, answer))
            return 1; // the client is gone
    }
    return 0;
}
