#include "protocol/AutomationServer.h"

#include "platform/ProcessGroup.h"
#include "platform/StopRequest.h"
#include "protocol/AnswerLine.h"
#include "protocol/PartFile.h"
#include "protocol/Wire.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

namespace {

// A call of a method that writes a file named by its first argument.
bool isSave(const QJsonObject& request) {
    return request.value(Wire::kOp).toString() == Wire::kCall &&
           Component::writesFile(request.value(Wire::kName).toString()) &&
           request.value(Wire::kArgs).toArray().at(0).isString();
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
    // A group of its own keeps the terminal's Ctrl+C away from the server: we end it ourselves,
    // after the page under way is saved whole. It ends with this program, however that ends.
    startAsServer(m_process);
}

AutomationServer::~AutomationServer() {
    if (std::exchange(m_recorded, false))
        releaseServer(m_pid);
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
    adoptServer(m_pid);
    m_recorded = true;
    return true;
}

qint64 AutomationServer::send(QJsonObject& request) {
    const qint64 id = m_nextId++;
    request.insert(Wire::kId, id);
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
            failure = AutomationReply::failed(Fault::ServerDied,
                                              QStringLiteral("the component server has ended"));
        else if (!answer.value(Wire::kOk).toBool())
            failure = replyOfAnswer(answer);
    }
    return failure;
}

AutomationReply AutomationServer::request(QJsonObject request, std::chrono::milliseconds timeout,
                                          const QList<qint64>& earlier, const SavedPages& saved) {
    if (m_state != State::Running) {
        discard(earlier);
        if (!m_badAnswer.isEmpty())
            return badAnswerFailure();
        return AutomationReply::failed(Fault::ServerDied,
                                       QStringLiteral("The %1 has ended.").arg(m_label));
    }
    const qint64 id = send(request);
    m_awaited.insert(id);
    m_notedId = id;
    m_saved = saved;
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
    m_notedId = 0;
    m_saved = nullptr;
    if (!m_answers.contains(id))
        return unanswered(request, timeout, quitting);
    const QJsonObject answer = m_answers.take(id);
    if (const AutomationReply failure = earlierFailure(earlier); !failure.ok())
        return failure;
    if (answer.value(Wire::kEnding).toBool() && m_state == State::Running) {
        // The server ends after this answer: new objects need a fresh one.
        m_state = State::Ending;
        emit gone(this);
    }
    return replyOfAnswer(answer);
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
    if (died && serversWereEnded())
        return AutomationReply::failed(
            Fault::Interrupted,
            QStringLiteral("The run was stopped; the %1 was ended.").arg(m_label));
    if (died)
        return AutomationReply::failed(Fault::ServerDied, diedText(), howItEnded());
    if (quitting)
        return AutomationReply::failed(
            Fault::Interrupted,
            QStringLiteral("The program is quitting; the %1 was stopped.").arg(m_label));
    return AutomationReply::failed(Fault::TimedOut,
                                   capitalized(QStringLiteral("the %1 gave no answer within %2 s.")
                                                   .arg(m_label)
                                                   .arg(double(timeout.count()) / 1000.0)));
}

AutomationReply AutomationServer::badAnswerFailure() const {
    return AutomationReply::failed(Fault::BadAnswer,
                                   QStringLiteral("The %1 gave an answer that cannot be read: %2")
                                       .arg(m_label, QString::fromUtf8(m_badAnswer.left(120))));
}

ServerEnd AutomationServer::howItEnded() const {
    return {m_process.exitStatus() == QProcess::CrashExit ? ServerEnd::Kind::Signal
                                                          : ServerEnd::Kind::ExitStatus,
            m_process.exitCode()};
}

QString AutomationServer::diedText() const {
    const ServerEnd end = howItEnded();
    const QString how = end.kind == ServerEnd::Kind::Signal
                            ? QStringLiteral("signal %1").arg(end.number)
                            : QStringLiteral("exit status %1").arg(end.number);
    return capitalized(QStringLiteral("the %1 stopped unexpectedly (%2).").arg(m_label, how));
}

// A server that was writing a file when it died may have left it under a part-file name
// (protocol/PartFile.h) beside the target.
void AutomationServer::removeTemporaryFiles(const QJsonObject& request) {
    if (m_pid <= 0)
        return;
    // A killed process may still be finishing a system call; wait until it is gone.
    if (m_process.state() != QProcess::NotRunning)
        m_process.waitForFinished(2000);
    const QFileInfo target(request.value(Wire::kArgs).toArray().at(0).toString());
    QDir folder(target.absolutePath());
    for (const QString& name :
         folder.entryList({partFilePattern(m_pid)}, QDir::Files | QDir::Hidden | QDir::System))
        folder.remove(name);
}

void AutomationServer::readAnswers() {
    m_pending.append(m_process.readAllStandardOutput());
    qsizetype start = 0;
    for (qsizetype end; (end = m_pending.indexOf('\n', start)) >= 0; start = end + 1) {
        const QByteArray line = m_pending.mid(start, end - start);
        const AnswerLine read = readAnswerLine(line);
        if (!read.isAnswer()) {
            // The stream cannot be trusted any more: nothing after this line is waited for.
            m_badAnswer = line.isEmpty() ? QByteArray("an empty line") : line;
            m_pending.clear();
            kill();
            emit progressed();
            return;
        }
        if (!read.answer.contains(Wire::kOk) && read.answer.contains(Wire::kSaved))
            takeNote(read.answer);
        else if (m_awaited.contains(read.id))
            m_answers.insert(read.id, read.answer);
    }
    m_pending.remove(0, start);
    emit progressed();
}

// A note of pages saved by the call under way; notes of calls nobody waits for are dropped.
void AutomationServer::takeNote(const QJsonObject& note) {
    if (note.value(Wire::kId).toInteger() == m_notedId && m_saved)
        m_saved(note.value(Wire::kSaved).toInt());
}

void AutomationServer::onFinished() {
    if (std::exchange(m_recorded, false))
        releaseServer(m_pid);
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
