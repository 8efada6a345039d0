#include "cli/CliOptions.h"
#include "convert/CollisionGroups.h"
#include "convert/MethodTable.h"
#include "platform/AppSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Stored = QMap<QString, QString>;

// Command-line options: the window's stored settings as defaults, each option overriding one,
// and usage errors.
class TestOptions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void parses_data();
    void parses();
    void usageErrors_data();
    void usageErrors();
    void helpAndVersion();
    void collidingBaseNames_data();
    void collidingBaseNames();

private:
    std::unique_ptr<QTemporaryDir> m_settings;
};

void TestOptions::init() {
    m_settings = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings->path());
}

void TestOptions::parses_data() {
    QTest::addColumn<Stored>("stored");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("resolution");
    QTest::addColumn<QString>("pages");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QStringList>("paths");

    const QString home = AppSettings::defaults().localFolder;
    QTest::newRow("defaults of an empty store")
        << Stored{} << QStringList{"a.pdf"} << 1 << home << "144"
        << "1" << 3 << QStringList{"a.pdf"};
    QTest::newRow("stored settings")
        << Stored{{"Option", "4"}, {"Local Folder", "/o/"}, {"Resolution", "300"}, {"Pages", ""}}
        << QStringList{"a.pdf", "b"} << 4 << "/o/"
        << "300"
        << "" << 3 << QStringList{"a.pdf", "b"};
    QTest::newRow("stored code not exact keeps ghostscript")
        << Stored{{"Option", " 4"}} << QStringList{"a.pdf"} << 1 << home << "144"
        << "1" << 3 << QStringList{"a.pdf"};
    QTest::newRow("every option") << Stored{{"Option", "4"}}
                                  << QStringList{"--method",     "bw",   "--output", "/x",
                                                 "--resolution", "72.5", "--pages",  "2.5",
                                                 "--jobs",       "2",    "p q.pdf"}
                                  << 2 << "/x"
                                  << "72.5"
                                  << "2.5" << 2 << QStringList{"p q.pdf"};
    QTest::newRow("equals form and acrobat")
        << Stored{} << QStringList{"--method=acrobat", "--pages= 1 2", "x.pdf"} << 3 << home
        << "144"
        << " 1 2" << 3 << QStringList{"x.pdf"};
    QTest::newRow("gflax, quiet, paths after --")
        << Stored{} << QStringList{"--quiet", "--method", "gflax", "--", "--odd.pdf", "-x"} << 4
        << home << "144"
        << "1" << 3 << QStringList{"--odd.pdf", "-x"};
    QTest::newRow("single dash names are paths")
        << Stored{} << QStringList{"-leading.pdf"} << 1 << home << "144"
        << "1" << 3 << QStringList{"-leading.pdf"};
}

void TestOptions::parses() {
    QFETCH(Stored, stored);
    QFETCH(QStringList, arguments);
    QFETCH(int, method);
    QFETCH(QString, output);
    QFETCH(QString, resolution);
    QFETCH(QString, pages);
    QFETCH(int, jobs);
    QFETCH(QStringList, paths);
    {
        QSettings seed(QSettings::NativeFormat, QSettings::UserScope, "Tarnwick");
        for (auto it = stored.begin(); it != stored.end(); ++it)
            seed.setValue("Pagekiln/" + it.key(), it.value());
    }
    const CliParse parse = parseCommandLine(arguments, AppSettings().read(), 3);
    QCOMPARE(parse.request, CliRequest::Convert);
    QCOMPARE(codeOfMethod(parse.options.method), QString::number(method));
    QCOMPARE(parse.options.outputFolder, output);
    QCOMPARE(parse.options.resolution, resolution);
    QCOMPARE(parse.options.pages, pages);
    QCOMPARE(parse.options.jobs, jobs);
    QCOMPARE(parse.options.paths, paths);
    // The command only reads the store.
    QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "Tarnwick");
    QCOMPARE(raw.allKeys().size(), stored.size());
}

void TestOptions::usageErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::newRow("no paths") << QStringList{} << "no PDF files or folders given";
    QTest::newRow("only options") << QStringList{"--method", "bw"}
                                  << "no PDF files or folders given";
    QTest::newRow("unknown method")
        << QStringList{"--method", "paint", "a.pdf"} << "unknown method 'paint'";
    QTest::newRow("missing value") << QStringList{"a.pdf", "--output"} << "--output needs a value";
    QTest::newRow("unknown option")
        << QStringList{"--colour", "a.pdf"} << "unknown option --colour";
    QTest::newRow("jobs zero") << QStringList{"--jobs", "0", "a.pdf"}
                               << "--jobs needs a whole number of at least 1";
    QTest::newRow("jobs text") << QStringList{"--jobs=two", "a.pdf"}
                               << "--jobs needs a whole number of at least 1";
}

void TestOptions::usageErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const CliParse parse = parseCommandLine(arguments, AppSettings().read(), 2);
    QCOMPARE(parse.request, CliRequest::UsageError);
    QCOMPARE(parse.error, error);
}

void TestOptions::helpAndVersion() {
    QCOMPARE(parseCommandLine({"--help"}, AppSettings().read(), 1).request, CliRequest::Help);
    QCOMPARE(parseCommandLine({"a.pdf", "--version"}, AppSettings().read(), 1).request,
             CliRequest::Version);
    QVERIFY(usageText().startsWith("Usage: pagekiln-convert"));
}

void TestOptions::collidingBaseNames_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("collide");
    QTest::newRow("same base") << "a"
                               << "a" << true;
    QTest::newRow("page number run-together") << "Invoice 1"
                                              << "Invoice 12" << true;
    QTest::newRow("export page names") << "a"
                                       << "a_Page_1" << true;
    QTest::newRow("empty base") << ""
                                << "x" << true;
    QTest::newRow("different") << "report"
                               << "summary" << false;
    QTest::newRow("shared start only") << "abc"
                                       << "abd" << false;
}

void TestOptions::collidingBaseNames() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, collide);
    QCOMPARE(OutputsMayCollide(a, b), collide);
    QCOMPARE(OutputsMayCollide(b, a), collide);
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
