#include "cli/InputList.h"
#include "cli/RunPlan.h"
#include "cli/ShardPlan.h"
#include "convert/CollisionGroups.h"
#include "convert/Naming.h"
#include "support/TestPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <set>

namespace {

struct CommandRun {
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

CommandRun runCommand(const QStringList& arguments, const QString& workingFolder = {},
                      const QByteArray& input = {}) {
    QProcess process;
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start(TestPaths::programFolder() + "/pagekiln-convert", arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(300'000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QMap<QString, QByteArray> filesIn(const QString& folder) {
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return files;
}

PathList pathsOf(const QStringList& names) {
    PathList paths;
    for (const QString& name : names)
        paths.appendText("/in/" + name + ".pdf");
    return paths;
}

} // namespace

class TestManifests : public QObject {
    Q_OBJECT
private slots:
    void listEntries_data();
    void listEntries();
    void listFromStandardInput();
    void shardTexts_data();
    void shardTexts();
    void shardSplit_data();
    void shardSplit();
    void shardDivides_data();
    void shardDivides();
    void shareSpread_data();
    void shareSpread();
    void sharesWriteWhatOneRunWrites_data();
    void sharesWriteWhatOneRunWrites();
    void planCountsTheWholeList();
};

void TestManifests::listEntries_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("nul");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("lines") << QByteArray("/a/x.pdf\nrel/y.pdf\n") << false
                           << QStringList{"/a/x.pdf", "rel/y.pdf"};
    QTest::newRow("no final line end")
        << QByteArray("a.pdf\nb.pdf") << false << QStringList{"a.pdf", "b.pdf"};
    QTest::newRow("blank lines left out")
        << QByteArray("\na.pdf\n\n\nb.pdf\n") << false << QStringList{"a.pdf", "b.pdf"};
    QTest::newRow("carriage returns")
        << QByteArray("a.pdf\r\nb c.pdf\r\n") << false << QStringList{"a.pdf", "b c.pdf"};
    QTest::newRow("odd names kept whole") << QByteArray(" -x $y.pdf\n\"q\" 'r'.pdf\n") << false
                                          << QStringList{" -x $y.pdf", "\"q\" 'r'.pdf"};
    QTest::newRow("nul separated with a line break in a name")
        << QByteArray("a\nb.pdf\0c.pdf\0", 14) << true << QStringList{"a\nb.pdf", "c.pdf"};
    QTest::newRow("utf-8") << QByteArray("Übersicht ñ.pdf\n") << false
                           << QStringList{QString::fromUtf8("Übersicht ñ.pdf")};
    QTest::newRow("empty") << QByteArray() << false << QStringList{};
    // Longer than the reader's first buffer: the buffer grows, the entries stay whole.
    const QByteArray longName = QByteArray(5 << 20, 'x') + ".pdf";
    QTest::newRow("an entry longer than a read")
        << QByteArray("a.pdf\n" + longName + "\nb.pdf") << false
        << QStringList{"a.pdf", QString::fromLatin1(longName), "b.pdf"};
    // A byte that is no UTF-8 is kept as itself (U+DC00 plus the byte), so the file is found.
    QTest::newRow("bytes that are no UTF-8 kept as they are")
        << QByteArray("caf\xe9.pdf\n") << false
        << QStringList{QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral(".pdf")};
}

void TestManifests::listEntries() {
    QFETCH(QByteArray, content);
    QFETCH(bool, nul);
    QFETCH(QStringList, expected);
    QTemporaryDir folder;
    QFile list(folder.filePath("list"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(content);
    list.close();
    PathList paths;
    QVERIFY(ReadInputList(list.fileName(), nul ? ListSeparator::Nul : ListSeparator::Line, paths)
                .isEmpty());
    QCOMPARE(paths.texts(), expected);
    QVERIFY(!ReadInputList(folder.filePath("absent"), ListSeparator::Line, paths).isEmpty());
}

// Paths given as arguments come first, then the list's; a listed folder stands for its PDFs;
// relative entries start at the current folder.
void TestManifests::listFromStandardInput() {
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkpath("sub/deeper"));
    for (const char* name : {"sub/b.pdf", "sub/deeper/c.pdf", "a.pdf"}) {
        QFile file(here.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const CommandRun run = runCommand({"--dry-run", "--null", "--files-from", "-", "first.pdf"},
                                      here.path(), QByteArray("sub\0a.pdf\0missing.pdf\0", 22));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.output,
             QByteArray("first.pdf\0sub/b.pdf\0sub/deeper/c.pdf\0a.pdf\0missing.pdf\0", 55));
    QCOMPARE(runCommand({"--dry-run", "--files-from", here.filePath("absent")}).exitCode, 2);
}

void TestManifests::shardTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("count");
    QTest::newRow("first") << "1/4" << 1 << 4;
    QTest::newRow("last") << "4/4" << 4 << 4;
    QTest::newRow("alone") << "1/1" << 1 << 1;
    QTest::newRow("zero") << "0/4" << 0 << 0;
    QTest::newRow("past the count") << "5/4" << 0 << 0;
    QTest::newRow("no count") << "1/0" << 0 << 0;
    QTest::newRow("words") << "a/b" << 0 << 0;
    QTest::newRow("trailing text") << "1/4x" << 0 << 0;
    QTest::newRow("negative") << "-1/4" << 0 << 0;
    QTest::newRow("huge") << "1/99999999999" << 0 << 0;
}

void TestManifests::shardTexts() {
    QFETCH(QString, text);
    QFETCH(int, index);
    QFETCH(int, count);
    const std::optional<Shard> shard = ParseShard(text);
    QCOMPARE(shard.has_value(), index > 0);
    if (shard) {
        QCOMPARE(shard->index, index);
        QCOMPARE(shard->count, count);
    }
}

void TestManifests::shardSplit_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<qint64>>("weights");
    QTest::addColumn<QList<int>>("shareOf"); // expected share of each PDF
    QTest::newRow("by weight, not count")
        << QStringList{"a", "b", "c", "d"} << QList<qint64>{900, 100, 200, 300}
        << QList<int>{1, 2, 2, 2};
    QTest::newRow("colliding names stay together")
        << QStringList{"Invoice 1", "x", "Invoice 12", "y"} << QList<qint64>{10, 50, 10, 40}
        << QList<int>{2, 1, 2, 2};
    QTest::newRow("missing files weigh nothing, still spread")
        << QStringList{"a", "b", "c", "d"} << QList<qint64>{0, 0, 0, 0} << QList<int>{1, 2, 1, 2};
    QTest::newRow("equal weights by list order")
        << QStringList{"p", "q", "r"} << QList<qint64>{5, 5, 5} << QList<int>{1, 2, 1};
}

// Two shares: each PDF in exactly one, in list order, as the table says; and both computed
// alike from the same list.
void TestManifests::shardSplit() {
    QFETCH(QStringList, names);
    QFETCH(QList<qint64>, weights);
    QFETCH(QList<int>, shareOf);
    const PathList pdfs = pathsOf(names);
    std::vector<PdfWeight> bytes;
    for (const qint64 weight : weights)
        bytes.push_back({weight, false});
    QList<int> found(names.size(), 0);
    for (int share = 1; share <= 2; ++share) {
        int last = -1;
        // Sizes are never divided, whatever the pages asked for.
        for (const ShareMember& member : ShardMembers(pdfs, bytes, {share, 2}, PageSelection())) {
            QVERIFY(member.position > last);
            last = member.position;
            QVERIFY(!member.part);
            QCOMPARE(found[member.position], 0);
            found[member.position] = share;
        }
    }
    QCOMPARE(found, shareOf);
}

void TestManifests::shardDivides_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<qint64>>("pages"); // each PDF's page count
    QTest::addColumn<QString>("selection");   // the run's pages; empty: the window's texts
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("shares"); // members of each: "position" or "position:pages"
    QTest::newRow("one long PDF fills the shares")
        << QStringList{"long", "a", "b"} << QList<qint64>{311, 10, 10} << "all" << 4
        << QStringList{"0:1-73 1", "0:74-145 2", "0:146-228", "0:229-N"};
    QTest::newRow("the pages asked for weigh, not those there are")
        << QStringList{"long", "a"} << QList<qint64>{311, 10} << "300-N" << 2
        << QStringList{"0:300-305 1", "0:306-N"};
    QTest::newRow("a list ending with the last page")
        << QStringList{"long"} << QList<qint64>{100} << "1-10,N" << 2
        << QStringList{"0:1-6", "0:7-10,N"};
    QTest::newRow("a count of first pages") << QStringList{"long", "a"} << QList<qint64>{311, 4}
                                            << "10" << 2 << QStringList{"0:1-7", "0:8-10 1"};
    QTest::newRow("light PDFs stay whole")
        << QStringList{"a", "b", "c", "d"} << QList<qint64>{5, 5, 5, 5} << "all" << 2
        << QStringList{"0 2", "1 3"};
    QTest::newRow("colliding names stay whole")
        << QStringList{"r.1", "r.2", "x"} << QList<qint64>{300, 300, 1} << "all" << 2
        << QStringList{"0 1", "2"};
    QTest::newRow("the window's texts keep PDFs whole")
        << QStringList{"long", "a"} << QList<qint64>{311, 10} << "" << 2 << QStringList{"0", "1"};
    QTest::newRow("one share takes all")
        << QStringList{"long", "a"} << QList<qint64>{311, 10} << "all" << 1 << QStringList{"0 1"};
    // Lists drawn at random (the same each run), checked for every page asked for converted
    // exactly once; no expected shares.
    QRandomGenerator random(18);
    const QStringList selections{"all", "5", "2-N", "1-3,7,N", "10-20,50-N", "N"};
    for (int row = 0; row < 60; ++row) {
        QStringList names;
        QList<qint64> counts;
        const int size = random.bounded(1, 12);
        for (int n = 0; n < size; ++n) {
            names << (random.bounded(5) == 0 ? QString("dup.%1").arg(n) : QString("p%1x").arg(n));
            counts << (random.bounded(4) == 0 ? random.bounded(1000) : random.bounded(12));
        }
        QTest::addRow("drawn %d", row)
            << names << counts << selections[random.bounded(int(selections.size()))]
            << random.bounded(1, 7) << QStringList();
    }
}

// Each share's members and the pages it converts of divided PDFs; the parts of every PDF
// together are exactly the pages asked for of it, each once.
void TestManifests::shardDivides() {
    QFETCH(QStringList, names);
    QFETCH(QList<qint64>, pages);
    QFETCH(QString, selection);
    QFETCH(int, count);
    QFETCH(QStringList, shares);
    const PathList pdfs = pathsOf(names);
    std::vector<PdfWeight> weights;
    for (const qint64 count : pages)
        weights.push_back({count, true});
    const std::optional<PageSelection> asked =
        selection.isEmpty() ? std::nullopt : PageSelection::parse(selection);
    QVERIFY(selection.isEmpty() || asked);
    QStringList found;
    std::vector<std::vector<int>> converted(names.size());
    for (int share = 1; share <= count; ++share) {
        QStringList members;
        for (const ShareMember& member : ShardMembers(pdfs, weights, {share, count}, asked)) {
            const PageSelection part = member.part.value_or(asked.value_or(PageSelection()));
            const int pageCount = static_cast<int>(pages[member.position]);
            for (const int page : part.pagesIn(pageCount))
                converted[member.position].push_back(page);
            members.append(member.part ? QString("%1:%2").arg(member.position).arg(part.text())
                                       : QString::number(member.position));
        }
        found.append(members.join(' '));
    }
    if (!shares.isEmpty())
        QCOMPARE(found.join("|"), shares.join("|"));
    for (qsizetype n = 0; n < names.size(); ++n) {
        std::sort(converted[n].begin(), converted[n].end());
        QCOMPARE(converted[n], asked.value_or(PageSelection()).pagesIn(int(pages[n])));
    }
}

// Three shares converted one after another into separate folders write disjoint files whose
// union is byte for byte what one run over the whole list writes.
void TestManifests::shareSpread_data() {
    QTest::addColumn<int>("shares");
    QTest::addColumn<bool>("divide");          // PDFs' pages may go to several shares
    QTest::addColumn<double>("largestSpread"); // largest share's pages / smallest's
    QTest::newRow("in two") << 2 << false << 1.0;
    QTest::newRow("in three") << 3 << false << 1.0;
    QTest::newRow("in four") << 4 << false << 1.1;
    QTest::newRow("in eight") << 8 << false << 1.5;
    QTest::newRow("in four, dividing") << 4 << true << 1.1;
    QTest::newRow("in eight, dividing") << 8 << true << 1.2;
    QTest::newRow("in twelve, dividing") << 12 << true << 1.34;
}

// The corpus is weighed by pages, not bytes: its 2 MB one-page scan weighs one page, and the
// shares hold about as many pages each, every PDF in exactly one of them.
void TestManifests::shareSpread() {
    QFETCH(int, shares);
    QFETCH(bool, divide);
    QFETCH(double, largestSpread);
    PathList folder;
    folder.appendText(TestPaths::corpusFolder());
    const InputFiles inputs = CollectInputs(std::move(folder), Weighing::Pages);
    QCOMPARE(inputs.weights.size(), std::size_t(inputs.pdfs.size()));
    qint64 total = 0;
    int position = 0;
    for (const QByteArrayView pdf : inputs.pdfs) {
        if (pdf.endsWith("/base64image.pdf"))
            QCOMPARE(inputs.weights[position].pages, qint64(1));
        total += inputs.weights[position++].pages;
    }
    QCOMPARE(total, qint64(42));
    std::vector<qint64> pages;
    std::set<int> taken;
    for (int share = 1; share <= shares; ++share) {
        qint64 sum = 0;
        const std::optional<PageSelection> asked =
            divide ? std::optional<PageSelection>(PageSelection()) : std::nullopt;
        for (const ShareMember& member :
             ShardMembers(inputs.pdfs, inputs.weights, {share, shares}, asked)) {
            QVERIFY(member.part || taken.insert(member.position).second);
            taken.insert(member.position);
            const qint64 count = inputs.weights[member.position].pages;
            sum += member.part ? member.part->countIn(int(count)) : count;
        }
        pages.push_back(sum);
    }
    QCOMPARE(qsizetype(taken.size()), inputs.pdfs.size());
    const auto [smallest, largest] = std::minmax_element(pages.begin(), pages.end());
    QVERIFY(*smallest > 0);
    QVERIFY2(double(*largest) / double(*smallest) <= largestSpread,
             qPrintable(QString("%1 / %2 pages").arg(*largest).arg(*smallest)));
}

void TestManifests::sharesWriteWhatOneRunWrites_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("pages");
    QTest::addColumn<int>("shares");
    QTest::addColumn<bool>("divides"); // a PDF's pages go to several shares
    QTest::newRow("imaging, first pages, in 3") << "gflax"
                                                << "12" << 3 << false;
    QTest::newRow("imaging, first pages, in 4") << "gflax"
                                                << "12" << 4 << true;
    QTest::newRow("export, a list, in 4") << "acrobat"
                                          << "1-3,N" << 4 << true;
    // Its images are numbered by position: each PDF stays whole.
    QTest::newRow("ghostscript, in 2") << "ghostscript"
                                       << "all" << 2 << false;
}

// Shares converted one after another into separate folders write disjoint files whose union
// is byte for byte what one run over the whole list writes, also where a PDF's pages were
// divided between them; each share resumed with its report finds nothing left to convert.
void TestManifests::sharesWriteWhatOneRunWrites() {
    QFETCH(QString, method);
    QFETCH(QString, pages);
    QFETCH(int, shares);
    QFETCH(bool, divides);
    QTemporaryDir inputs;
    const QList<QPair<QString, QString>> copies{
        {"pdflatex-4-pages.pdf", "same.1.pdf"},      {"multicolumn.pdf", "same.2.pdf"},
        {"imagemagick-images.pdf", "Invoice 1.pdf"}, {"minimal-document.pdf", "Invoice 12.pdf"},
        {"pdflatex-outline.pdf", "other.pdf"},       {"habibi.pdf", "-dash $x.pdf"},
        {"grayscale-image.pdf", "gray.pdf"},         {"base64image.pdf", "b64.pdf"}};
    QByteArray list;
    for (const auto& [from, to] : copies) {
        QVERIFY(QFile::copy(TestPaths::corpusFile(from), inputs.filePath(to)));
        list += QFile::encodeName(to) + '\n';
    }
    QFile listFile(inputs.filePath("list"));
    QVERIFY(listFile.open(QIODevice::WriteOnly));
    listFile.write(list);
    listFile.close();
    const QStringList common{"--quiet", "--method", method,         "--resolution", "36",
                             "--pages", pages,      "--files-from", "list"};
    QTemporaryDir whole;
    QVERIFY(
        runCommand(common + QStringList{"--output", whole.path() + "/"}, inputs.path()).exitCode <=
        1);
    const auto expected = filesIn(whole.path());
    QVERIFY(expected.size() >= 8);
    QMap<QString, QByteArray> together;
    bool divided = false;
    QTemporaryDir reports;
    for (int share = 1; share <= shares; ++share) {
        QTemporaryDir output;
        const QStringList arguments =
            common + QStringList{"--shard",  QString("%1/%2").arg(share).arg(shares),
                                 "--output", output.path() + "/",
                                 "--report", reports.filePath(QString::number(share))};
        const CommandRun run = runCommand(arguments, inputs.path());
        QCOMPARE(run.exitCode, 0);
        divided = divided || run.errors.contains("converts pages");
        const CommandRun resumed =
            runCommand(arguments + QStringList{"--resume", "--dry-run"}, inputs.path());
        QCOMPARE(resumed.exitCode, 0);
        QCOMPARE(resumed.output, QByteArray());
        const auto files = filesIn(output.path());
        QVERIFY(!files.isEmpty());
        for (auto file = files.cbegin(); file != files.cend(); ++file) {
            QVERIFY2(!together.contains(file.key()), qPrintable(file.key()));
            together.insert(file.key(), file.value());
        }
    }
    QCOMPARE(together, expected);
    QCOMPARE(divided, divides);
}

// What the plan knows of the whole list survives the split: the number of PDFs listed and
// the folders that held none, so an empty share is told apart from an empty list.
void TestManifests::planCountsTheWholeList() {
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath("empty"));
    QVERIFY(QDir(folder.path()).mkpath("full"));
    for (const char* name : {"full/a.pdf", "full/b.pdf"}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    CliOptions options;
    options.paths = {folder.filePath("empty"), folder.filePath("full")};
    options.shard = Shard{3, 3};
    const RunPlan plan = PlanRun(options);
    QVERIFY(plan.error.isEmpty());
    QVERIFY(plan.pdfs.isEmpty());
    QCOMPARE(plan.listed, 2);
    QCOMPARE(plan.emptyFolders, QStringList{folder.filePath("empty")});
}

QTEST_GUILESS_MAIN(TestManifests)
#include "tst_manifests.moc"
