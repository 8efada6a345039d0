#include "ComponentServer.h"

#include "platform/FileWrite.h"
#include "platform/ProcessGroup.h"
#include "protocol/Wire.h"

#include <QJsonDocument>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

int answerDescriptor = -1;

std::atomic<bool> stopAsked{false}; // lock-free: set from a signal handler
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int) {
    askToStop();
}

// The stop signal sets the flag; reads of requests that it interrupts go on.
void takeOverStopSignal() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(serverStopSignal(), &action, nullptr);
}

// Texts of answers are written for people: even one that quotes a huge request stays short.
constexpr qsizetype kLongestError = 8192;
// Names taken from a request are quoted up to this many characters.
constexpr qsizetype kLongestEchoedName = 64;

QJsonObject failureAnswer(Fault fault, const QString& text) {
    return QJsonObject{{Wire::kOk, false},
                       {Wire::kCode, faultName(fault)},
                       {Wire::kError, text.left(kLongestError)}};
}

// The id a request carries: a whole number above 0 that a double holds exactly; null for any
// other value, which no answer could be matched by.
QJsonValue requestId(const QJsonObject& request) {
    const QJsonValue id = request.value(Wire::kId);
    constexpr double kLargestExact = 9007199254740992.0; // 2^53
    if (!id.isDouble())
        return QJsonValue::Null;
    const double number = id.toDouble();
    if (!(number >= 1 && number <= kLargestExact) || number != std::floor(number))
        return QJsonValue::Null;
    return QJsonValue(qint64(number));
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

ComponentServer::ComponentServer(ComponentClasses classes, NoteWriter notes)
    : m_classes(std::move(classes)), m_notes(std::move(notes)) {}

ComponentServer::~ComponentServer() = default;

QString echoed(const QString& text) {
    if (text.size() <= kLongestEchoedName)
        return QLatin1Char('"') + text + QLatin1Char('"');
    return QLatin1Char('"') + text.left(kLongestEchoedName) + QStringLiteral("\"...");
}

// A request that is not a JSON object, or whose id is missing or not a whole number above 0,
// is not served: its answer says why and carries a null id, as there is none to repeat.
QByteArray ComponentServer::handle(const QByteArray& line) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    QJsonObject reply;
    QJsonValue id = QJsonValue::Null;
    if (!doc.isObject()) {
        reply = failureAnswer(Fault::BadArgument,
                              QStringLiteral("malformed request: ") + parseError.errorString());
    } else if (id = requestId(doc.object()); id.isNull()) {
        reply = failureAnswer(Fault::BadArgument,
                              QStringLiteral("the request has no id (a whole number above 0)"));
    } else {
        reply = dispatch(doc.object());
    }
    reply.insert(Wire::kId, id);
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
    return failureAnswer(Fault::BadArgument,
                         QStringLiteral("unknown operation %1").arg(echoed(op)));
}

QJsonObject ComponentServer::create(const QJsonObject& request) {
    const QString className = request.value(Wire::kClass).toString();
    const auto found = m_classes.find(className.toLower());
    if (found == m_classes.end())
        return failureAnswer(Fault::BadArgument,
                             QStringLiteral("class %1 is not served here").arg(echoed(className)));
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
    if (m_notes)
        object.setSavedPages([this, id = request.value(Wire::kId)](int pages) {
            m_notes(QJsonDocument(QJsonObject{{Wire::kId, id}, {Wire::kSaved, pages}})
                        .toJson(QJsonDocument::Compact));
        });
    ComponentReply reply = object.call(name, request.value(Wire::kArgs).toArray());
    object.setSavedPages({});
    return answer(std::move(reply));
}

QJsonObject ComponentServer::answer(ComponentReply reply) {
    if (!reply.ok) {
        QJsonObject out =
            failureAnswer(reply.fault == Fault::None ? Fault::Internal : reply.fault, reply.error);
        // What a call did before it failed (the pages a save wrote), when it says.
        if (!reply.result.isNull() && !reply.result.isUndefined())
            out.insert(Wire::kResult, reply.result);
        return out;
    }
    QJsonObject out{{Wire::kOk, true}};
    if (reply.fault != Fault::None) {
        out.insert(Wire::kCode, faultName(reply.fault));
        out.insert(Wire::kError, reply.error.left(kLongestError));
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

bool takeStopRequest() {
    return stopAsked.exchange(false);
}

void askToStop() {
    stopAsked.store(true);
}

int runComponentServer(ComponentClasses classes) {
    answerDescriptor = takeAnswerDescriptor();
    takeOverStopSignal();
    std::ios::sync_with_stdio(false);
    // A note that cannot be written is lost; the answer after it finds the client gone.
    ComponentServer server(std::move(classes), [](const QByteArray& note) {
        const QByteArray line = note + '\n';
        writeWhole(answerDescriptor, line.constData(), std::size_t(line.size()), EIO);
    });
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
