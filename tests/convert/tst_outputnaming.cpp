#include "convert/OutputNaming.h"

#include <QDir>
#include <QTest>

Q_DECLARE_METATYPE(PageNumbering)

// Names of images: each method's own, patterns with their tokens, the tree kept below the
// output folder, and the patterns that are refused.
class TestOutputNaming : public QObject {
    Q_OBJECT
private slots:
    void namingPatterns_data();
    void namingPatterns();
};

void TestOutputNaming::namingPatterns_data() {
    QTest::addColumn<QString>("pattern"); // empty: the method's own names
    QTest::addColumn<bool>("keepTree");
    QTest::addColumn<PageNumbering>("numbering");
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("expected"); // the path, or "error: ..." for a refused pattern
    const auto appended = PageNumbering::Appended;
    QTest::newRow("the imaging method's names")
        << "" << false << appended << "/in/Annual.Report.pdf" << 12 << "/out/Annual12.jpg";
    QTest::newRow("the script methods' names") << "" << false << PageNumbering::Positions
                                               << "/in/Scan 7.pdf" << 3 << "/out/Scan 7-002.jpg";
    QTest::newRow("the export's names")
        << "" << false << PageNumbering::ExportPages << "/in/a.pdf" << 4 << "/out/a_Page_4.jpg";
    QTest::newRow("the tree of a relative path")
        << "" << true << appended << "coll/./b//x.pdf" << 1 << "/out/coll/b/x1.jpg";
    QTest::newRow("the tree of an absolute path")
        << "" << true << appended << "/srv/docs/x.pdf" << 2 << "/out/srv/docs/x2.jpg";
    const QString above = QDir::cleanPath(QDir::currentPath() + "/../..");
    QTest::newRow("a path above the current folder stays below the output folder")
        << "" << true << appended << "../../x.pdf" << 1
        << "/out/" + (above == "/" ? QString() : above.mid(1) + '/') + "x1.jpg";
    QTest::newRow("stem and padded page") << "{stem}-{page:03}.jpg" << false << appended
                                          << "/in/r.zh.pdf" << 7 << "/out/r.zh-007.jpg";
    QTest::newRow("base, a page longer than its padding")
        << "{base}_{page:02}.jpg" << false << appended << "/in/r.zh.PDF" << 123 << "/out/r_123.jpg";
    QTest::newRow("the folder in the name")
        << "{dir}{stem}/{page}.jpg" << false << appended << "a/b/x.pdf" << 5 << "/out/a/b/x/5.jpg";
    QTest::newRow("braces written twice")
        << "{{{stem}}}{page}.jpg" << false << appended << "/in/x.pdf" << 1 << "/out/{x}1.jpg";
    QTest::newRow("no page") << "{stem}.jpg" << false << appended << "/in/x.pdf" << 1
                             << "error: --name needs {page} (or {page:0N}): each page needs a name";
    QTest::newRow("unknown token") << "{title}-{page}.jpg" << false << appended << "/in/x.pdf" << 1
                                   << "error: --name: unknown token {title}";
    QTest::newRow("a lone closing brace") << "x}{page}" << false << appended << "/in/x.pdf" << 1
                                          << "error: --name: a } without its {";
    QTest::newRow("out of the output folder")
        << "../{stem}{page}.jpg" << false << appended << "/in/x.pdf" << 1
        << "error: --name makes names below the output folder only";
}

void TestOutputNaming::namingPatterns() {
    QFETCH(QString, pattern);
    QFETCH(bool, keepTree);
    QFETCH(PageNumbering, numbering);
    QFETCH(QString, pdf);
    QFETCH(int, page);
    QFETCH(QString, expected);
    OutputNaming naming;
    if (!pattern.isEmpty()) {
        QString error;
        const std::optional<OutputNaming> parsed = OutputNaming::fromPattern(pattern, error);
        if (!parsed) {
            QCOMPARE("error: " + error, expected);
            return;
        }
        naming = *parsed;
    }
    naming.setKeepTree(keepTree);
    QCOMPARE(naming.imagePath("/out/", pdf, page, page - 1, numbering), expected);
    // The family stands for every page: the path with its number where the marker is.
    int width = 0;
    QString family = naming.family("/out/", pdf, numbering, &width);
    const QString number =
        numbering == PageNumbering::Positions ? QString::number(page - 1) : QString::number(page);
    QCOMPARE(family.replace(OutputNaming::Marker, number.rightJustified(width, '0')), expected);
}

QTEST_GUILESS_MAIN(TestOutputNaming)
#include "tst_outputnaming.moc"
