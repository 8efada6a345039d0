#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include "protocol/Fault.h"

#include <functional>
#include <map>
#include <memory>

class ComponentObject;

// The answer of one property access or method call. A method may hand out a new object (the
// server gives it an id) and may ask the server to end once the answer is written. A failure
// always names its fault; a success may too, when its result is a refusal (Open's false).
struct ComponentReply {
    bool ok = true;
    QJsonValue result;
    Fault fault = Fault::None;
    QString error;
    std::unique_ptr<ComponentObject> newObject;
    bool endServer = false;

    static ComponentReply value(QJsonValue v) {
        ComponentReply r;
        r.result = std::move(v);
        return r;
    }
    static ComponentReply failure(Fault fault, QString text) {
        ComponentReply r;
        r.ok = false;
        r.fault = fault;
        r.error = std::move(text);
        return r;
    }
    static ComponentReply object(std::unique_ptr<ComponentObject> o) {
        ComponentReply r;
        r.newObject = std::move(o);
        return r;
    }
};

// One automation object served by a component. Names arrive lower-cased, so the objects
// compare them without regard to case, as automation clients expect.
class ComponentObject {
public:
    virtual ~ComponentObject() = default;
    virtual ComponentReply set(const QString& name, const QJsonValue& value) = 0;
    virtual ComponentReply get(const QString& name) = 0;
    virtual ComponentReply call(const QString& name, const QJsonArray& args) = 0;
};

// Class name (lower case) -> maker of a fresh object of that class.
using ComponentClasses = std::map<QString, std::function<std::unique_ptr<ComponentObject>()>>;

// Handles one request line and returns the answer line (without the newline). Keeps the
// objects that clients created. Separate from the I/O so tests can drive it directly.
class ComponentServer {
public:
    explicit ComponentServer(ComponentClasses classes);
    ~ComponentServer();

    QByteArray handle(const QByteArray& line);
    bool ended() const { return m_ended; }
    std::size_t objectCount() const { return m_objects.size(); }

private:
    QJsonObject dispatch(const QJsonObject& request);
    QJsonObject create(const QJsonObject& request);
    QJsonObject onObject(const QJsonObject& request, const QString& op);
    QJsonObject answer(ComponentReply reply);

    ComponentClasses m_classes;
    std::map<qint64, std::unique_ptr<ComponentObject>> m_objects;
    qint64 m_nextId = 1;
    bool m_ended = false;
};

// Reads requests from standard input until it closes or a method ends the server, writing
// one answer line per request to the answer descriptor: the standard output the server was
// started with, kept on a descriptor of its own, while standard output itself is sent to
// standard error so that nothing a library prints can reach the client as an answer.
// Returns the process exit code.
int runComponentServer(ComponentClasses classes);

// The descriptor answers go to once runComponentServer has started (-1 before).
int componentAnswerDescriptor();
