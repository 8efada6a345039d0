#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

class AutomationServer;

// Why an automation call did not succeed.
enum class AutomationFailure {
    None,
    NotRegistered, // no component serves the class, or its server is missing
    ServerFailed,  // the server could not start, died, or has ended
    TimedOut,      // the server did not answer within the call limit
    CallFailed,    // the server answered with an error
    NoObject,      // the object was never created or has been released
    BadAnswer,     // the server's answer could not be read
    Interrupted,   // the application is quitting
};

// The machine-readable code of a failure the client finds itself (not-registered,
// server-died, timed-out, bad-answer, no-object, interrupted); CallFailed has the server's.
QString automationFailureCode(AutomationFailure failure);

// The outcome of one call: the value on success, otherwise the failure and its text. code is
// the failure's machine-readable code (components/PROTOCOL.md); a successful answer may carry
// one too when its value is a refusal (a document that did not open).
struct AutomationReply {
    AutomationFailure failure = AutomationFailure::None;
    QJsonValue value;
    QString error;
    qint64 objectId = 0; // set when the answer hands out an object
    QString code;

    bool ok() const { return failure == AutomationFailure::None; }
    static AutomationReply failed(AutomationFailure why, QString text, QString code = {}) {
        return {why,
                {},
                std::move(text),
                0,
                code.isEmpty() ? automationFailureCode(why) : std::move(code)};
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

    // A method that answers with a new object (such as a document's scripting object).
    AutomationObject callForObject(const QString& name, const QJsonArray& args,
                                   AutomationReply& reply);

    void release();

private:
    friend class AutomationHost;
    AutomationObject(AutomationServer* server, qint64 id);
    AutomationReply onObject(const QString& op, const QString& name, QJsonObject request);

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
