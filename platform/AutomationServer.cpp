#include "platform/AutomationServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

namespace {

// Methods that write a file named by their first argument.
bool isSave(const QJsonObject& request) {
    const QString name = request.value("name").toString().toLower();
    return request.value("op").toString() == QLatin1String("call") &&
           (name == QLatin1String("savebitmap") || name == QLatin1String("saveas")) &&
           request.value("args").toArray().at(0).isString();
}

QString capitalized(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

AutomationServer::AutomationServer(const QString& executable, const QString& label, QObject* parent)
    : QObject(parent), m_executable(executable), m_label(label) {
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
    m_pid = m_process.processId();
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
            failure = AutomationReply::failed(
                AutomationFailure::CallFailed, answer.value("error").toString(),
                answer.value("code").toString(QStringLiteral("internal")));
    }
    return failure;
}

AutomationReply AutomationServer::request(QJsonObject request, std::chrono::milliseconds timeout,
                                          const QList<qint64>& earlier) {
    if (m_state != State::Running) {
        discard(earlier);
        if (!m_badAnswer.isEmpty())
            return badAnswerFailure();
        return AutomationReply::failed(AutomationFailure::ServerFailed,
                                       QStringLiteral("The %1 has ended.").arg(m_label));
    }
    const qint64 id = send(request);
    m_awaited.insert(id);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(this, &AutomationServer::progressed, &loop, &QEventLoop::quit);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeout);
    bool quitting = false;
    while (!m_answers.contains(id) && m_state != State::Dead && timer.isActive() && !quitting) {
        // An event loop does not run once the application is quitting: exec returns at once.
        quitting = QCoreApplication::closingDown() || loop.exec() < 0;
    }
    m_awaited.remove(id);
    if (!m_answers.contains(id))
        return unanswered(request, timeout, quitting);
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
                                       answer.value("code").toString(QStringLiteral("internal")));
    return {AutomationFailure::None, answer.value("result"), answer.value("error").toString(),
            answer.value("object").toInteger(), answer.value("code").toString()};
}

// The failure of a call whose answer never came: the server died, gave something that is not
// an answer, did not answer in time, or the application is quitting.
AutomationReply AutomationServer::unanswered(const QJsonObject& request,
                                             std::chrono::milliseconds timeout, bool quitting) {
    const bool died = m_state == State::Dead && m_badAnswer.isEmpty();
    if (m_state != State::Dead)
        kill();
    if (isSave(request))
        removeTemporaryFiles(request);
    if (!m_badAnswer.isEmpty())
        return badAnswerFailure();
    if (died)
        return AutomationReply::failed(AutomationFailure::ServerFailed, diedText());
    if (quitting)
        return AutomationReply::failed(
            AutomationFailure::Interrupted,
            QStringLiteral("The program is quitting; the %1 was stopped.").arg(m_label));
    return AutomationReply::failed(AutomationFailure::TimedOut,
                                   capitalized(QStringLiteral("the %1 gave no answer within %2 s.")
                                                   .arg(m_label)
                                                   .arg(double(timeout.count()) / 1000.0)));
}

AutomationReply AutomationServer::badAnswerFailure() const {
    return AutomationReply::failed(AutomationFailure::BadAnswer,
                                   QStringLiteral("The %1 gave an answer that cannot be read: %2")
                                       .arg(m_label, QString::fromUtf8(m_badAnswer.left(120))));
}

QString AutomationServer::diedText() const {
    const QString how = m_process.exitStatus() == QProcess::CrashExit
                            ? QStringLiteral("signal %1").arg(m_process.exitCode())
                            : QStringLiteral("exit status %1").arg(m_process.exitCode());
    return capitalized(QStringLiteral("the %1 stopped unexpectedly (%2).").arg(m_label, how));
}

// A server that was writing a file when it died may have left it under a temporary name
// (".pk-<pid>-<n>.part", see components/common/ReplacingFile.h) beside the target.
void AutomationServer::removeTemporaryFiles(const QJsonObject& request) {
    if (m_pid <= 0)
        return;
    // A killed process may still be finishing a system call; wait until it is gone.
    if (m_process.state() != QProcess::NotRunning)
        m_process.waitForFinished(2000);
    const QFileInfo target(request.value("args").toArray().at(0).toString());
    QDir folder(target.absolutePath());
    const QString pattern = QStringLiteral(".pk-%1-*.part").arg(m_pid);
    for (const QString& name :
         folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
        folder.remove(name);
}

void AutomationServer::readAnswers() {
    m_pending.append(m_process.readAllStandardOutput());
    qsizetype start = 0;
    for (qsizetype end; (end = m_pending.indexOf('\n', start)) >= 0; start = end + 1) {
        const QByteArray line = m_pending.mid(start, end - start);
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        const qint64 id = doc.object().value("id").toInteger();
        if (!doc.isObject() || id <= 0) {
            // The stream cannot be trusted any more: nothing after this line is waited for.
            m_badAnswer = line.isEmpty() ? QByteArray("an empty line") : line;
            m_pending.clear();
            kill();
            emit progressed();
            return;
        }
        if (m_awaited.contains(id))
            m_answers.insert(id, doc.object());
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
    const bool wasRunning = m_state != State::Dead;
    m_state = State::Dead;
    m_process.kill();
    if (wasRunning)
        emit gone(this);
}
