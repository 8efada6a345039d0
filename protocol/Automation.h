#pragma once

#include "protocol/Fault.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>

class AutomationServer;

// Hears, while a long call runs, how many pages it has saved so far.
using SavedPages = std::function<void(int pages)>;

// How a component server process ended, for a call that failed because it died.
struct ServerEnd {
    enum class Kind {
        Unknown,    // it could not start, or ended after saying it would
        Signal,     // killed by signal `number`
        ExitStatus, // exited with status `number`
    };
    Kind kind = Kind::Unknown;
    int number = 0;
};

// The outcome of one call: the value on success, otherwise the fault and its text (serverEnd
// says how the server ended when the fault is ServerDied). A successful answer may carry a fault
// too, when its value is a refusal that says why (a document that did not open).
struct AutomationReply {
    enum class Status { Succeeded, Failed };

    Status status = Status::Succeeded;
    Fault fault = Fault::None;
    QJsonValue value;
    QString error;
    qint64 objectId = 0; // set when the answer hands out an object
    ServerEnd serverEnd;

    bool ok() const { return status == Status::Succeeded; }
    static AutomationReply failed(Fault why, QString text, ServerEnd serverEnd = {}) {
        AutomationReply reply;
        reply.status = Status::Failed;
        reply.fault = why;
        reply.error = std::move(text);
        reply.serverEnd = serverEnd;
        return reply;
    }
};

// An automation object served by a component: properties are set and read and methods are
// called by name (without regard to case). Released when the handle goes away.
class AutomationObject {
public:
    AutomationObject() = default;
    ~AutomationObject();
    AutomationObject(AutomationObject&& other) noexcept;
    AutomationObject& operator=(AutomationObject&& other) noexcept;
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    bool isValid() const { return m_id != 0; }

    AutomationReply set(const QString& name, const QJsonValue& value);

    // Sets a property without waiting for the answer; a failure of it becomes the failure of
    // the next call on this object that waits. Saves a round trip per property where setting
    // has no effect outside the component until a method runs.
    void setWithoutWaiting(const QString& name, const QJsonValue& value);
    AutomationReply get(const QString& name);
    AutomationReply call(const QString& name, const QJsonArray& args = {});
    // A call whose server says, page by page, how far it has got (SaveAs of a document).
    AutomationReply call(const QString& name, const QJsonArray& args, const SavedPages& saved);

    // A method that answers with a new object (such as a document's scripting object).
    AutomationObject callForObject(const QString& name, const QJsonArray& args,
                                   AutomationReply& reply);

    void release();

private:
    friend class AutomationHost;
    AutomationObject(AutomationServer* server, qint64 id);
    AutomationReply onObject(const QString& op, const QString& name, QJsonObject request,
                             const SavedPages& saved = {});

    QPointer<AutomationServer> m_server;
    qint64 m_id = 0;
    QList<qint64> m_unanswered; // sets not yet checked
};

// Starts and reuses the component servers of one program folder and carries the calls to
// them. The classes come from the registration file "components.ini" that the installer puts
// in the program folder. Owned by whoever runs conversions; every instance is independent, so
// conversions on different threads each use their own.
class AutomationHost : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultCallTimeout{300'000};

    explicit AutomationHost(QString programFolder, QObject* parent = nullptr);
    ~AutomationHost() override;

    void setCallTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds callTimeout() const { return m_timeout; }

    // The server executable registered for className, or an empty text.
    QString serverFor(const QString& className) const;

    // CreateObject: a fresh object of className; invalid when reply says why not.
    AutomationObject createObject(const QString& className, AutomationReply& reply);

    // Process ids of the servers now running (for tests and diagnostics).
    QList<qint64> serverProcessIds() const;

private:
    AutomationServer* serverAt(const QString& executable, const QString& className,
                               AutomationReply& reply);
    void forget(AutomationServer* server);

    QString m_programFolder;
    std::chrono::milliseconds m_timeout = kDefaultCallTimeout;
    QHash<QString, AutomationServer*> m_servers;
};

// CreateObject(className) through host; a null host means nothing is registered.
AutomationObject CreateObject(AutomationHost* host, const QString& className,
                              AutomationReply& reply);
