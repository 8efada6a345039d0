#include "support/TestPaths.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// One rendering server serves both components: the link it is started through (as
// components.ini registers it) decides which classes it serves, and nothing else does.
namespace {

struct Started {
    QJsonObject answer; // to one "create" request; empty when the server answered nothing
    int exitCode = -1;
    QByteArray diagnostics;
};

// Starts program, asks it to create className, closes its input and waits for it to end.
Started createThrough(const QString& program, const QString& className) {
    QProcess server;
    server.start(program, {});
    Started started;
    if (!server.waitForStarted(10'000))
        return started;
    const QJsonObject request{{"id", 1}, {"op", "create"}, {"class", className}};
    server.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    server.closeWriteChannel();
    if (!server.waitForFinished(30'000)) {
        server.kill();
        server.waitForFinished();
        return started;
    }
    const QByteArray firstLine = server.readAllStandardOutput().split('\n').value(0);
    started.answer = QJsonDocument::fromJson(firstLine).object();
    started.exitCode = server.exitCode();
    started.diagnostics = server.readAllStandardError();
    return started;
}

QString programFile(const QString& name) {
    return TestPaths::programFolder() + QLatin1Char('/') + name;
}

} // namespace

class TestServerLinks : public QObject {
    Q_OBJECT
private slots:
    void linkDecidesTheClasses_data();
    void linkDecidesTheClasses();
    void nameNotALinkIsRefused_data();
    void nameNotALinkIsRefused();
    void registrationNamesTheLinks();
};

void TestServerLinks::linkDecidesTheClasses_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("className");
    QTest::addColumn<bool>("served");
    QTest::newRow("imaging: its class") << "pagekiln-gflax"
                                        << "GflAx.GflAx" << true;
    QTest::newRow("imaging: any case") << "pagekiln-gflax"
                                       << "gflax.GFLAX" << true;
    QTest::newRow("imaging: not the export application") << "pagekiln-gflax"
                                                         << "AcroExch.app" << false;
    QTest::newRow("imaging: not the export document") << "pagekiln-gflax"
                                                      << "AcroExch.PDDoc" << false;
    QTest::newRow("export: application") << "pagekiln-acroexch"
                                         << "AcroExch.app" << true;
    QTest::newRow("export: document") << "pagekiln-acroexch"
                                      << "AcroExch.PDDoc" << true;
    QTest::newRow("export: not the imaging class") << "pagekiln-acroexch"
                                                   << "GflAx.GflAx" << false;
}

void TestServerLinks::linkDecidesTheClasses() {
    QFETCH(QString, link);
    QFETCH(QString, className);
    QFETCH(bool, served);
    QVERIFY2(QFileInfo(programFile(link)).isSymLink(), qPrintable(link));
    const Started started = createThrough(programFile(link), className);
    QCOMPARE(started.exitCode, 0);
    QCOMPARE(started.answer.value("id").toInt(), 1);
    QCOMPARE(started.answer.value("ok").toBool(), served);
    if (served)
        QVERIFY(started.answer.value("object").toInteger() > 0);
    else
        QCOMPARE(started.answer.value("code").toString(), "bad-argument");
}

// The server reads the name it was started under, not where it lies: a link of the right name
// anywhere works, and any other name is refused before a request is read.
void TestServerLinks::nameNotALinkIsRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<bool>("serves");
    QTest::newRow("a link of the imaging name elsewhere") << "pagekiln-gflax"
                                                          << "GflAx.GflAx" << true;
    QTest::newRow("a link of the export name elsewhere") << "pagekiln-acroexch"
                                                         << "AcroExch.PDDoc" << true;
    QTest::newRow("the server's own name") << "pagekiln-render"
                                           << "GflAx.GflAx" << false;
    QTest::newRow("a name that only begins like a link") << "pagekiln-gflax-old"
                                                         << "GflAx.GflAx" << false;
    QTest::newRow("a class name") << "GflAx.GflAx"
                                  << "GflAx.GflAx" << false;
}

void TestServerLinks::nameNotALinkIsRefused() {
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(bool, serves);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    QVERIFY(QFile::link(programFile("pagekiln-render"), path));
    const Started started = createThrough(path, className);
    if (serves) {
        QCOMPARE(started.exitCode, 0);
        QVERIFY(started.answer.value("ok").toBool());
        return;
    }
    QCOMPARE(started.exitCode, 2);
    QVERIFY(started.answer.isEmpty());
    QVERIFY2(started.diagnostics.contains("pagekiln-gflax") &&
                 started.diagnostics.contains("pagekiln-acroexch"),
             started.diagnostics.constData());
}

// The build registers each class with the link of its component, never the server itself.
void TestServerLinks::registrationNamesTheLinks() {
    QFile ini(programFile("components.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList entries;
    for (const QByteArray& line : ini.readAll().split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#') && !line.startsWith(';'))
            entries.append(QString::fromUtf8(line));
    }
    entries.sort();
    QCOMPARE(entries,
             QStringList({"AcroExch.PDDoc=pagekiln-acroexch", "AcroExch.app=pagekiln-acroexch",
                          "GflAx.GflAx=pagekiln-gflax"}));
}

QTEST_GUILESS_MAIN(TestServerLinks)
#include "tst_serverlinks.moc"
