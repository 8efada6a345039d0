#include "cli/CliOptions.h"
#include "convert/CollisionGroups.h"
#include "convert/MethodTable.h"
#include "platform/AppSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Stored = QMap<QString, QString>;

// Command-line options: the command's own defaults or the window's stored choices, each option
// overriding one, and usage errors before anything starts.
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

namespace {

// What a parse gave, in a form a table row can hold.
struct Parsed {
    QString method;
    QString output;
    QString request; // pages, resolution, quality, colour, size; or the window's two texts
    int jobs = 0;
    QStringList paths;
};

QString describe(const CliOptions& options) {
    if (options.window)
        return QStringLiteral("window %1 %2")
            .arg(options.window->resolution, options.window->pages);
    const ConversionRequest& r = options.request;
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(r.pages.text(), QString::number(r.resolution), QString::number(r.quality),
             colourName(r.colour), r.size ? imageBoxText(*r.size) : QStringLiteral("-"));
}

CliParse parse(const QStringList& arguments, const Stored& stored = {}) {
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Tarnwick");
        for (auto it = stored.begin(); it != stored.end(); ++it)
            store.setValue("Pagekiln/" + it.key(), it.value());
    }
    const StoredChoices window = AppSettings().read();
    return parseCommandLine(arguments, CliDefaults{3, "/here", &window});
}

} // namespace

void TestOptions::parses_data() {
    QTest::addColumn<Stored>("stored");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QStringList>("paths");

    const Stored window{{"Option", "2"}, {"Local Folder", "/o/"}, {"Resolution", "300"}};
    QTest::newRow("the command's own defaults, whatever the window saved")
        << window << QStringList{"a.pdf"} << "gflax"
        << "/here/"
        << "all 144 90 auto -" << 3 << QStringList{"a.pdf"};
    QTest::newRow("the window's choices when asked")
        << window << QStringList{"--settings-from-window", "a.pdf"} << "bw"
        << "/o/"
        << "window 300 1" << 3 << QStringList{"a.pdf"};
    QTest::newRow("a stored code not exact keeps ghostscript")
        << Stored{{"Option", " 4"}} << QStringList{"--settings-from-window", "a.pdf"}
        << "ghostscript" << AppSettings::defaults().localFolder << "window 144 1" << 3
        << QStringList{"a.pdf"};
    QTest::newRow("the window's texts, overridden as typed")
        << window << QStringList{"--settings-from-window", "-r", "72.5", "-p", "2.5", "a.pdf"}
        << "bw"
        << "/o/"
        << "window 72.5 2.5" << 3 << QStringList{"a.pdf"};
    QTest::newRow("every option, long")
        << Stored{}
        << QStringList{"--method",     "acrobat", "--output",  "/x", "--pages",  "1-3,7,10-N",
                       "--resolution", "72.5",    "--quality", "75", "--colour", "rgb",
                       "--size",       "200x150", "--jobs",    "2",  "p q.pdf"}
        << "acrobat"
        << "/x"
        << "1-3,7,10-N 72.5 75 rgb 200x150" << 2 << QStringList{"p q.pdf"};
    QTest::newRow("short forms and equals")
        << Stored{} << QStringList{"-m", "bw", "-o", "/y/",           "-p",   "2", "-r=96",
                                   "-j", "4",  "-q", "--colour=grey", "b.pdf"}
        << "bw"
        << "/y/"
        << "1-2 96 90 grey -" << 4 << QStringList{"b.pdf"};
    QTest::newRow("a count of pages and all")
        << Stored{} << QStringList{"--pages", "all", "--pages", "5", "c.pdf"} << "gflax"
        << "/here/"
        << "1-5 144 90 auto -" << 3 << QStringList{"c.pdf"};
    QTest::newRow("paths after --, even with a dash")
        << Stored{} << QStringList{"--quiet", "--", "--odd.pdf", "-x"} << "gflax"
        << "/here/"
        << "all 144 90 auto -" << 3 << QStringList{"--odd.pdf", "-x"};
}

void TestOptions::parses() {
    QFETCH(Stored, stored);
    QFETCH(QStringList, arguments);
    QFETCH(QString, method);
    QFETCH(QString, output);
    QFETCH(QString, request);
    QFETCH(int, jobs);
    QFETCH(QStringList, paths);
    const CliParse result = parse(arguments, stored);
    QCOMPARE(result.error, QString());
    QCOMPARE(result.request, CliRequest::Convert);
    QCOMPARE(nameOfMethod(result.options.method), method);
    QCOMPARE(result.options.outputFolder, output);
    QCOMPARE(describe(result.options), request);
    QCOMPARE(result.options.jobs, jobs);
    QCOMPARE(result.options.paths, paths);
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
    QTest::newRow("missing value")
        << QStringList{"a.pdf", "--output"} << "Missing value after '--output'.";
    QTest::newRow("unknown option")
        << QStringList{"--colours", "a.pdf"} << "Unknown option 'colours'.";
    QTest::newRow("a single dash is an option")
        << QStringList{"-leading.pdf"} << "Unknown options: l, e, a, d, i, n, g, ..";
    QTest::newRow("jobs zero") << QStringList{"--jobs", "0", "a.pdf"}
                               << "--jobs needs a whole number of at least 1";
    QTest::newRow("pages as a word") << QStringList{"--pages", "abc", "a.pdf"}
                                     << "--pages takes a count, 'all' or a list such as "
                                        "1-3,7,10-N";
    QTest::newRow("page zero") << QStringList{"-p", "0", "a.pdf"}
                               << "--pages takes a count, 'all' or a list such as 1-3,7,10-N";
    QTest::newRow("quality past 100") << QStringList{"--quality", "101", "a.pdf"}
                                      << "--quality takes a whole number from 1 to 100";
    QTest::newRow("a size without its height")
        << QStringList{"--size", "200", "a.pdf"}
        << "--size takes WIDTHxHEIGHT in pixels, such as 200x200";
    QTest::newRow("ghostscript cannot fit a box")
        << QStringList{"-m", "ghostscript", "--size", "200x200", "a.pdf"}
        << "--size: the ghostscript method cannot fit pages in a box";
    QTest::newRow("bw writes no colour")
        << QStringList{"-m", "bw", "--colour", "rgb", "a.pdf"}
        << "--colour rgb: the bw method cannot write colour images";
    QTest::newRow("the window has no quality")
        << QStringList{"--settings-from-window", "--quality", "80", "a.pdf"}
        << "--quality cannot be given with --settings-from-window: the window has no such choice";
}

void TestOptions::usageErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const CliParse result = parse(arguments);
    QCOMPARE(result.request, CliRequest::UsageError);
    QCOMPARE(result.error, error);
}

void TestOptions::helpAndVersion() {
    QCOMPARE(parse({"-h"}).request, CliRequest::Help);
    QCOMPARE(parse({"a.pdf", "--version"}).request, CliRequest::Version);
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
