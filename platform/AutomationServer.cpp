#include "platform/AutomationServer.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>

AutomationServer::AutomationServer(const QString& executable, QObject* parent)
    : QObject(parent), m_executable(executable) {
    // Crash reports and sanitizer output of a server belong on our own error stream.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The server shares our current folder, so a relative path names the same file for both.
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &AutomationServer::readAnswers);
    connect(&m_process, &QProcess::finished, this, &AutomationServer::onFinished);
}

AutomationServer::~AutomationServer() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    // End of input tells a server to end; one that does not is not waited for long.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(1000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool AutomationServer::start(QString& error) {
    m_process.start(m_executable, QStringList{});
    if (!m_process.waitForStarted(10'000)) {
        error = QStringLiteral("cannot start %1: %2").arg(m_executable, m_process.errorString());
        m_state = State::Dead;
        return false;
    }
    return true;
}

qint64 AutomationServer::send(QJsonObject& request) {
    const qint64 id = m_nextId++;
    request.insert("id", id);
    QByteArray line = QJsonDocument(request).toJson(QJsonDocument::Compact);
    line.append('\n');
    m_process.write(line);
    return id;
}

void AutomationServer::post(QJsonObject request) {
    if (m_state == State::Running)
        send(request);
}

qint64 AutomationServer::postTracked(QJsonObject request) {
    if (m_state != State::Running)
        return 0;
    const qint64 id = send(request);
    m_awaited.insert(id);
    return id;
}

void AutomationServer::discard(const QList<qint64>& ids) {
    for (const qint64 id : ids) {
        m_awaited.remove(id);
        m_answers.remove(id);
    }
}

AutomationReply AutomationServer::earlierFailure(const QList<qint64>& earlier) {
    AutomationReply failure;
    for (const qint64 id : earlier) {
        const bool answered = m_answers.contains(id);
        const QJsonObject answer = m_answers.take(id);
        m_awaited.remove(id);
        if (!failure.ok())
            continue;
        if (!answered)
            failure = AutomationReply::failed(AutomationFailure::ServerFailed,
                                              QStringLiteral("the component server has ended"));
        else if (!answer.value("ok").toBool())
            failure = AutomationReply::failed(AutomationFailure::CallFailed,
                                              answer.value("error").toString(),
                                              answer.value("code").toString());
    }
    return failure;
}

AutomationReply AutomationServer::request(QJsonObject request, std::chrono::milliseconds timeout,
                                          const QList<qint64>& earlier) {
    if (m_state != State::Running) {
        discard(earlier);
        return AutomationReply::failed(AutomationFailure::ServerFailed,
                                       QStringLiteral("the component server has ended"));
    }
    const qint64 id = send(request);
    m_awaited.insert(id);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(this, &AutomationServer::progressed, &loop, &QEventLoop::quit);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeout);
    while (!m_answers.contains(id) && m_state != State::Dead && timer.isActive())
        loop.exec();
    m_awaited.remove(id);
    if (m_answers.contains(id)) {
        const QJsonObject answer = m_answers.take(id);
        if (const AutomationReply failure = earlierFailure(earlier); !failure.ok())
            return failure;
        if (answer.value("ending").toBool() && m_state == State::Running) {
            // The server ends after this answer: new objects need a fresh one.
            m_state = State::Ending;
            emit gone(this);
        }
        if (!answer.value("ok").toBool())
            return AutomationReply::failed(AutomationFailure::CallFailed,
                                           answer.value("error").toString(),
                                           answer.value("code").toString());
        return {AutomationFailure::None,
                answer.value("result"),
                {},
                answer.value("object").toInteger(),
                answer.value("code").toString()};
    }
    if (m_state == State::Dead)
        return AutomationReply::failed(
            AutomationFailure::ServerFailed,
            QStringLiteral("the component server ended during the call (%1)").arg(m_endNote));
    kill();
    return AutomationReply::failed(
        AutomationFailure::TimedOut,
        QStringLiteral("the component server did not answer within %1 ms").arg(timeout.count()));
}

void AutomationServer::readAnswers() {
    m_pending.append(m_process.readAllStandardOutput());
    qsizetype start = 0;
    for (qsizetype end; (end = m_pending.indexOf('\n', start)) >= 0; start = end + 1) {
        const QJsonObject answer =
            QJsonDocument::fromJson(m_pending.mid(start, end - start)).object();
        const qint64 id = answer.value("id").toInteger();
        if (m_awaited.contains(id))
            m_answers.insert(id, answer);
    }
    m_pending.remove(0, start);
    emit progressed();
}

void AutomationServer::onFinished() {
    // For a server killed by a signal, QProcess gives the signal's number as the exit code.
    m_endNote = m_process.exitStatus() == QProcess::CrashExit
                    ? QStringLiteral("signal %1").arg(m_process.exitCode())
                    : QStringLiteral("exit status %1").arg(m_process.exitCode());
    m_state = State::Dead;
    emit progressed();
    emit gone(this);
}

void AutomationServer::kill() {
    m_state = State::Dead;
    m_process.kill();
    emit gone(this);
}
