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
// always names its fault; a success may too, when its result is a refusal (Open's false). A
// failure may carry a result as well: what the call did before it failed.
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

    // Who hears, during a call, of the pages it has saved so far; the server passes each to
    // the client as a note before the answer. None outside a call.
    void setSavedPages(std::function<void(int)> saved) { m_saved = std::move(saved); }

protected:
    void noteSavedPages(int pages) const {
        if (m_saved)
            m_saved(pages);
    }

private:
    std::function<void(int)> m_saved;
};

// A name taken from a request, quoted for an answer's text: at most a few dozen characters of
// it, so that a huge request never makes a huge answer.
QString echoed(const QString& text);

// Class name (lower case) -> maker of a fresh object of that class.
using ComponentClasses = std::map<QString, std::function<std::unique_ptr<ComponentObject>()>>;

// Handles one request line and returns the answer line (without the newline). Keeps the
// objects that clients created. Separate from the I/O so tests can drive it directly.
class ComponentServer {
public:
    // notes takes each note line (without the newline) the moment a call sends it.
    using NoteWriter = std::function<void(const QByteArray& line)>;
    explicit ComponentServer(ComponentClasses classes, NoteWriter notes = {});
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
    NoteWriter m_notes;
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

// A client's request that the call under way end once the page it is writing is whole: it
// comes as serverStopSignal() (platform/ProcessGroup.h), which runComponentServer takes over.
// A call that writes many pages asks between pages; true once the request came, which is then
// used up, so each request stops one call. A request that came between calls stops the next
// call that asks, before its first page.
bool takeStopRequest();
// What the stop signal does (tests call it directly).
void askToStop();
