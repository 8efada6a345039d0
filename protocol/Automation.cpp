#include "protocol/Automation.h"

#include "protocol/AutomationServer.h"
#include "protocol/Wire.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QSettings>

#include <algorithm>

namespace {

const QString kRegistrationFile = QStringLiteral("components.ini");

AutomationReply noObject() {
    return AutomationReply::failed(Fault::NoObject, QStringLiteral("the object does not exist"));
}

// What failure texts call the server of className.
QString componentLabel(const QString& className) {
    // The part before the dot names the component ("GflAx" of "GflAx.GflAx").
    const auto family = [](const QString& name) { return name.section(QLatin1Char('.'), 0, 0); };
    const auto servedBy = [&](QLatin1StringView served) {
        return family(className).compare(family(served), Qt::CaseInsensitive) == 0;
    };
    if (servedBy(Component::kGflAx))
        return QStringLiteral("imaging component");
    if (servedBy(Component::kAcroDocument))
        return QStringLiteral("document-export component");
    return QStringLiteral("component %1").arg(className);
}

} // namespace

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
        m_server->post(QJsonObject{{Wire::kOp, Wire::kRelease}, {Wire::kObject, m_id}});
    m_id = 0;
    m_server.clear();
}

AutomationReply AutomationObject::onObject(const QString& op, const QString& name,
                                           QJsonObject request, const SavedPages& saved) {
    if (m_id == 0)
        return noObject();
    if (!m_server)
        return AutomationReply::failed(Fault::ServerDied,
                                       QStringLiteral("the component server has ended"));
    request.insert(Wire::kOp, op);
    request.insert(Wire::kObject, m_id);
    request.insert(Wire::kName, name);
    auto* host = qobject_cast<AutomationHost*>(m_server->parent());
    const auto timeout = host ? host->callTimeout() : AutomationHost::kDefaultCallTimeout;
    return m_server->request(request, timeout, std::exchange(m_unanswered, {}), saved);
}

void AutomationObject::setWithoutWaiting(const QString& name, const QJsonValue& value) {
    if (m_id == 0 || !m_server)
        return; // the next waiting call reports the missing object or server
    const qint64 id = m_server->postTracked(QJsonObject{{Wire::kOp, Wire::kSet},
                                                        {Wire::kObject, m_id},
                                                        {Wire::kName, name},
                                                        {Wire::kValue, value}});
    if (id != 0)
        m_unanswered.append(id);
}

AutomationReply AutomationObject::set(const QString& name, const QJsonValue& value) {
    return onObject(Wire::kSet, name, QJsonObject{{Wire::kValue, value}});
}

AutomationReply AutomationObject::get(const QString& name) {
    return onObject(Wire::kGet, name, {});
}

AutomationReply AutomationObject::call(const QString& name, const QJsonArray& args) {
    return onObject(Wire::kCall, name, QJsonObject{{Wire::kArgs, args}});
}

AutomationReply AutomationObject::call(const QString& name, const QJsonArray& args,
                                       const SavedPages& saved) {
    return onObject(Wire::kCall, name, QJsonObject{{Wire::kArgs, args}}, saved);
}

AutomationObject AutomationObject::callForObject(const QString& name, const QJsonArray& args,
                                                 AutomationReply& reply) {
    reply = call(name, args);
    if (reply.ok() && reply.objectId == 0)
        reply = AutomationReply::failed(
            Fault::Internal, QStringLiteral("%1 did not answer with an object").arg(name));
    if (!reply.ok())
        return {};
    return AutomationObject(m_server, reply.objectId);
}

AutomationHost::AutomationHost(QString programFolder, QObject* parent)
    : QObject(parent), m_programFolder(std::move(programFolder)) {}

AutomationHost::~AutomationHost() = default; // the servers are children and end with us

// The registration is an INI file of "Class=server" lines; class names are compared without
// regard to case, and a server is named relative to the program folder or by an absolute path.
QString AutomationHost::serverFor(const QString& className) const {
    const QSettings registration(m_programFolder + QLatin1Char('/') + kRegistrationFile,
                                 QSettings::IniFormat);
    const QStringList classes = registration.childKeys();
    const auto found = std::find_if(classes.begin(), classes.end(), [&](const QString& each) {
        return each.compare(className, Qt::CaseInsensitive) == 0;
    });
    if (found == classes.end())
        return {};
    // A comma splits an unquoted INI value into a list; a server's name may hold one.
    const QString entry = registration.value(*found).toStringList().join(QLatin1Char(','));
    const QFileInfo server(
        QFileInfo(entry).isAbsolute() ? entry : m_programFolder + QLatin1Char('/') + entry);
    return server.isFile() && server.isExecutable() ? server.absoluteFilePath() : QString();
}

AutomationServer* AutomationHost::serverAt(const QString& executable, const QString& className,
                                           AutomationReply& reply) {
    if (AutomationServer* running = m_servers.value(executable))
        return running;
    auto* server = new AutomationServer(executable, componentLabel(className), this);
    connect(server, &AutomationServer::gone, this, &AutomationHost::forget);
    QString error;
    if (!server->start(error)) {
        reply = AutomationReply::failed(Fault::ServerDied, error);
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
            Fault::NotRegistered, QStringLiteral("class \"%1\" is not registered").arg(className));
        return {};
    }
    AutomationServer* server = serverAt(executable, className, reply);
    if (!server)
        return {};
    reply = server->request(QJsonObject{{Wire::kOp, Wire::kCreate}, {Wire::kClass, className}},
                            m_timeout);
    if (reply.ok() && reply.objectId == 0)
        reply = AutomationReply::failed(Fault::Internal,
                                        QStringLiteral("the server created no object"));
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
            Fault::NotRegistered, QStringLiteral("class \"%1\" is not registered").arg(className));
        return {};
    }
    return host->createObject(className, reply);
}
