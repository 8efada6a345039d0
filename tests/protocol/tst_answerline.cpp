#include "protocol/AnswerLine.h"

#include <QJsonDocument>
#include <QTest>

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(AutomationReply::Status)

// What the client makes of each line a server writes: which lines are answers to a request,
// and what reply an answer stands for. A line that is not an answer ends the server, so any
// slack here either drops good answers or waits on garbage.
class TestAnswerLine : public QObject {
    Q_OBJECT
private slots:
    void onlyObjectsWithAWholePositiveIdAreAnswers_data();
    void onlyObjectsWithAWholePositiveIdAreAnswers();
    void answersBecomeReplies_data();
    void answersBecomeReplies();
};

void TestAnswerLine::onlyObjectsWithAWholePositiveIdAreAnswers_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<qint64>("id"); // 0: not an answer
    QTest::newRow("answer") << QByteArray(R"({"id":7,"ok":true})") << qint64(7);
    QTest::newRow("spaces around")
        << QByteArray(R"(  { "ok" : true , "id" : 12 }  )") << qint64(12);
    QTest::newRow("largest exact id")
        << QByteArray(R"({"id":9007199254740992,"ok":true})") << qint64(9007199254740992);
    QTest::newRow("id as text") << QByteArray(R"({"id":"7","ok":true})") << qint64(0);
    QTest::newRow("no id") << QByteArray(R"({"ok":true})") << qint64(0);
    QTest::newRow("id 0") << QByteArray(R"({"id":0,"ok":true})") << qint64(0);
    QTest::newRow("negative id") << QByteArray(R"({"id":-3,"ok":true})") << qint64(0);
    QTest::newRow("fractional id") << QByteArray(R"({"id":2.5,"ok":true})") << qint64(0);
    QTest::newRow("id beyond 64 bits") << QByteArray(R"({"id":1e300,"ok":true})") << qint64(0);
    QTest::newRow("empty line") << QByteArray() << qint64(0);
    QTest::newRow("a library talking") << QByteArray("warning: font not found") << qint64(0);
    QTest::newRow("array") << QByteArray(R"([{"id":7,"ok":true}])") << qint64(0);
    QTest::newRow("torn") << QByteArray(R"({"id":7,"ok":tr)") << qint64(0);
    QTest::newRow("carriage return") << QByteArray("{\"id\":7,\"ok\":true}\r") << qint64(7);
}

void TestAnswerLine::onlyObjectsWithAWholePositiveIdAreAnswers() {
    QFETCH(QByteArray, line);
    QFETCH(qint64, id);
    const AnswerLine read = readAnswerLine(line);
    QCOMPARE(read.id, id);
    QCOMPARE(read.isAnswer(), id > 0);
}

void TestAnswerLine::answersBecomeReplies_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<AutomationReply::Status>("status");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("error");
    QTest::addColumn<qint64>("objectId");
    using S = AutomationReply::Status;
    QTest::newRow("value") << QByteArray(R"({"id":1,"ok":true,"result":3})") << S::Succeeded
                           << Fault::None << QString() << qint64(0);
    QTest::newRow("new object") << QByteArray(R"({"id":1,"ok":true,"object":42})") << S::Succeeded
                                << Fault::None << QString() << qint64(42);
    QTest::newRow("refusal names its fault")
        << QByteArray(R"({"id":1,"ok":true,"result":false,"code":"password","error":"Locked."})")
        << S::Succeeded << Fault::Password << QString("Locked.") << qint64(0);
    QTest::newRow("failure") << QByteArray(
                                    R"({"id":1,"ok":false,"code":"disk-full","error":"Full."})")
                             << S::Failed << Fault::DiskFull << QString("Full.") << qint64(0);
    QTest::newRow("failure without a fault is internal")
        << QByteArray(R"({"id":1,"ok":false,"error":"Boom."})") << S::Failed << Fault::Internal
        << QString("Boom.") << qint64(0);
    QTest::newRow("fault unknown here is internal")
        << QByteArray(R"({"id":1,"ok":false,"code":"from-the-future","error":"?"})") << S::Failed
        << Fault::Internal << QString("?") << qint64(0);
    QTest::newRow("ok that is not true fails")
        << QByteArray(R"({"id":1,"ok":"yes","result":1})") << S::Failed << Fault::Internal
        << QString() << qint64(0);
    QTest::newRow("no ok fails") << QByteArray(R"({"id":1,"result":1})") << S::Failed
                                 << Fault::Internal << QString() << qint64(0);
}

void TestAnswerLine::answersBecomeReplies() {
    QFETCH(QByteArray, answer);
    QFETCH(AutomationReply::Status, status);
    QFETCH(Fault, fault);
    QFETCH(QString, error);
    QFETCH(qint64, objectId);
    const AnswerLine read = readAnswerLine(answer);
    QVERIFY(read.isAnswer());
    const AutomationReply reply = replyOfAnswer(read.answer);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.fault, fault);
    QCOMPARE(reply.error, error);
    QCOMPARE(reply.objectId, objectId);
}

QTEST_GUILESS_MAIN(TestAnswerLine)
#include "tst_answerline.moc"
