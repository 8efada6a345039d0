#pragma once

#include "protocol/Automation.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QSet>

#include <chrono>

// The client end of one component server process: one JSON request per line on its
// standard input, one answer per line on its standard output, matched by id. A line that is
// not an answer ends the server and fails the call at once. label names the component in
// failure texts ("imaging component").
class AutomationServer : public QObject {
    Q_OBJECT
public:
    enum class State { Running, Ending, Dead };

    AutomationServer(const QString& executable, const QString& label, QObject* parent);
    ~AutomationServer() override;

    bool start(QString& error);
    State state() const { return m_state; }
    qint64 processId() const { return m_process.processId(); }

    // Sends request and waits, with the event loop running, for its answer. A server that
    // does not answer within timeout is killed; one that dies fails the call, and when the
    // call was a save its temporary files in the target folder are removed. Once the
    // application is quitting the call fails at once.
    // Answers to the requests `earlier` (sent with postTracked) arrive first; the first of them
    // that failed becomes the failure of this call.
    // Notes of pages saved that come for this request before its answer go to saved.
    AutomationReply request(QJsonObject request, std::chrono::milliseconds timeout,
                            const QList<qint64>& earlier = {}, const SavedPages& saved = {});

    // Sends request without waiting; its answer is checked by a later request().
    qint64 postTracked(QJsonObject request);

    // Forgets the answers of tracked requests nobody will ask for.
    void discard(const QList<qint64>& ids);

    // Sends request without waiting for its answer (releases).
    void post(QJsonObject request);

signals:
    void progressed();
    void gone(AutomationServer* self);

private:
    void readAnswers();
    void takeNote(const QJsonObject& note);
    void onFinished();
    void kill();
    qint64 send(QJsonObject& request);
    AutomationReply earlierFailure(const QList<qint64>& earlier);
    AutomationReply unanswered(const QJsonObject& request, std::chrono::milliseconds timeout,
                               bool quitting);
    ServerEnd howItEnded() const;
    QString diedText() const;
    AutomationReply badAnswerFailure() const;
    void removeTemporaryFiles(const QJsonObject& request);

    QProcess m_process;
    QString m_executable;
    QString m_label;
    qint64 m_pid = 0;
    bool m_recorded = false; // the server is recorded for stop requests while it runs
    QByteArray m_badAnswer;  // the first line that was not an answer
    State m_state = State::Running;
    qint64 m_nextId = 1;
    QByteArray m_pending;
    QSet<qint64> m_awaited;
    QHash<qint64, QJsonObject> m_answers;
    qint64 m_notedId = 0; // the request whose notes of saved pages go to m_saved
    SavedPages m_saved;
};
