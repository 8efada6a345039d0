#include "platform/Automation.h"

#include "platform/AutomationServer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

namespace {

const QString kRegistrationFile = QStringLiteral("components.ini");

AutomationReply noObject() {
    return AutomationReply::failed(AutomationFailure::NoObject,
                                   QStringLiteral("the object does not exist"));
}

// What failure texts call the server of className.
QString componentLabel(const QString& className) {
    if (className.startsWith(QLatin1String("GflAx."), Qt::CaseInsensitive))
        return QStringLiteral("imaging component");
    if (className.startsWith(QLatin1String("AcroExch."), Qt::CaseInsensitive))
        return QStringLiteral("document-export component");
    return QStringLiteral("component %1").arg(className);
}

} // namespace

QString automationFailureCode(AutomationFailure failure) {
    switch (failure) {
    case AutomationFailure::None:
        return {};
    case AutomationFailure::NotRegistered:
        return QStringLiteral("not-registered");
    case AutomationFailure::ServerFailed:
        return QStringLiteral("server-died");
    case AutomationFailure::TimedOut:
        return QStringLiteral("timed-out");
    case AutomationFailure::CallFailed:
        return QStringLiteral("internal");
    case AutomationFailure::NoObject:
        return QStringLiteral("no-object");
    case AutomationFailure::BadAnswer:
        return QStringLiteral("bad-answer");
    case AutomationFailure::Interrupted:
        return QStringLiteral("interrupted");
    }
    return QStringLiteral("internal");
}

AutomationObject::AutomationObject(AutomationServer* server, qint64 id)
    : m_server(server), m_id(id) {}

AutomationObject::~AutomationObject() {
    release();
}

AutomationObject::AutomationObject(AutomationObject&& other) noexcept
    : m_server(std::move(other.m_server)), m_id(std::exchange(other.m_id, 0)),
      m_unanswered(std::exchange(other.m_unanswered, {})) {}

AutomationObject& AutomationObject::operator=(AutomationObject&& other) noexcept {
    if (this != &other) {
        release();
        m_server = std::move(other.m_server);
        m_id = std::exchange(other.m_id, 0);
        m_unanswered = std::exchange(other.m_unanswered, {});
    }
    return *this;
}

void AutomationObject::release() {
    if (m_server)
        m_server->discard(std::exchange(m_unanswered, {}));
    if (m_id != 0 && m_server)
        m_server->post(QJsonObject{{"op", "release"}, {"object", m_id}});
    m_id = 0;
    m_server.clear();
}

AutomationReply AutomationObject::onObject(const QString& op, const QString& name,
                                           QJsonObject request) {
    if (m_id == 0)
        return noObject();
    if (!m_server)
        return AutomationReply::failed(AutomationFailure::ServerFailed,
                                       QStringLiteral("the component server has ended"));
    request.insert("op", op);
    request.insert("object", m_id);
    request.insert("name", name);
    auto* host = qobject_cast<AutomationHost*>(m_server->parent());
    const auto timeout = host ? host->callTimeout() : AutomationHost::kDefaultCallTimeout;
    return m_server->request(request, timeout, std::exchange(m_unanswered, {}));
}

void AutomationObject::setWithoutWaiting(const QString& name, const QJsonValue& value) {
    if (m_id == 0 || !m_server)
        return; // the next waiting call reports the missing object or server
    const qint64 id = m_server->postTracked(
        QJsonObject{{"op", "set"}, {"object", m_id}, {"name", name}, {"value", value}});
    if (id != 0)
        m_unanswered.append(id);
}

AutomationReply AutomationObject::set(const QString& name, const QJsonValue& value) {
    return onObject(QStringLiteral("set"), name, QJsonObject{{"value", value}});
}

AutomationReply AutomationObject::get(const QString& name) {
    return onObject(QStringLiteral("get"), name, {});
}

AutomationReply AutomationObject::call(const QString& name, const QJsonArray& args) {
    return onObject(QStringLiteral("call"), name, QJsonObject{{"args", args}});
}

AutomationObject AutomationObject::callForObject(const QString& name, const QJsonArray& args,
                                                 AutomationReply& reply) {
    reply = call(name, args);
    if (reply.ok() && reply.objectId == 0)
        reply =
            AutomationReply::failed(AutomationFailure::CallFailed,
                                    QStringLiteral("%1 did not answer with an object").arg(name),
                                    QStringLiteral("bad-answer"));
    if (!reply.ok())
        return {};
    return AutomationObject(m_server, reply.objectId);
}

AutomationHost::AutomationHost(QString programFolder, QObject* parent)
    : QObject(parent), m_programFolder(std::move(programFolder)) {}

AutomationHost::~AutomationHost() = default; // the servers are children and end with us

QString AutomationHost::serverFor(const QString& className) const {
    QFile file(m_programFolder + QLatin1Char('/') + kRegistrationFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('#')) || eq <= 0)
            continue;
        if (line.left(eq).trimmed().compare(className, Qt::CaseInsensitive) != 0)
            continue;
        const QString entry = line.mid(eq + 1).trimmed();
        const QFileInfo server(
            QFileInfo(entry).isAbsolute() ? entry : m_programFolder + QLatin1Char('/') + entry);
        return server.isFile() && server.isExecutable() ? server.absoluteFilePath() : QString();
    }
    return {};
}

AutomationServer* AutomationHost::serverAt(const QString& executable, const QString& className,
                                           AutomationReply& reply) {
    if (AutomationServer* running = m_servers.value(executable))
        return running;
    auto* server = new AutomationServer(executable, componentLabel(className), this);
    connect(server, &AutomationServer::gone, this, &AutomationHost::forget);
    QString error;
    if (!server->start(error)) {
        reply = AutomationReply::failed(AutomationFailure::ServerFailed, error);
        delete server;
        return nullptr;
    }
    m_servers.insert(executable, server);
    return server;
}

void AutomationHost::forget(AutomationServer* server) {
    for (auto it = m_servers.begin(); it != m_servers.end();) {
        it = it.value() == server ? m_servers.erase(it) : std::next(it);
    }
    if (server->state() == AutomationServer::State::Dead)
        server->deleteLater();
}

AutomationObject AutomationHost::createObject(const QString& className, AutomationReply& reply) {
    const QString executable = serverFor(className);
    if (executable.isEmpty()) {
        reply = AutomationReply::failed(
            AutomationFailure::NotRegistered,
            QStringLiteral("class \"%1\" is not registered").arg(className));
        return {};
    }
    AutomationServer* server = serverAt(executable, className, reply);
    if (!server)
        return {};
    reply = server->request(QJsonObject{{"op", "create"}, {"class", className}}, m_timeout);
    if (reply.ok() && reply.objectId == 0)
        reply = AutomationReply::failed(AutomationFailure::CallFailed,
                                        QStringLiteral("the server created no object"),
                                        QStringLiteral("bad-answer"));
    if (!reply.ok())
        return {};
    return AutomationObject(server, reply.objectId);
}

QList<qint64> AutomationHost::serverProcessIds() const {
    QList<qint64> ids;
    for (AutomationServer* server : m_servers)
        ids.append(server->processId());
    return ids;
}

AutomationObject CreateObject(AutomationHost* host, const QString& className,
                              AutomationReply& reply) {
    if (!host) {
        reply = AutomationReply::failed(
            AutomationFailure::NotRegistered,
            QStringLiteral("class \"%1\" is not registered").arg(className));
        return {};
    }
    return host->createObject(className, reply);
}
