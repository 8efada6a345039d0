#include "cli/NameCollisions.h"

#include <QTest>

using Groups = QList<QList<int>>;
Q_DECLARE_METATYPE(PageNumbering)

// Which PDFs of a list may write images of the same name, for each method's naming, with the
// tree kept and with patterns.
class TestNameCollisions : public QObject {
    Q_OBJECT
private slots:
    void collisionGroups_data();
    void collisionGroups();
};

void TestNameCollisions::collisionGroups_data() {
    QTest::addColumn<QStringList>("pdfs");
    QTest::addColumn<PageNumbering>("numbering");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("keepTree");
    QTest::addColumn<Groups>("groups");
    const QStringList tree{"coll/a/x.pdf", "coll/b/x.pdf", "coll/r.ru.pdf", "coll/r.zh.pdf",
                           "coll/q.pdf"};
    const auto appended = PageNumbering::Appended;
    QTest::newRow("equal base names") << tree << appended << "" << false << Groups{{0, 1}, {2, 3}};
    QTest::newRow("the tree keeps folders apart")
        << tree << appended << "" << true << Groups{{2, 3}};
    QTest::newRow("the file name keeps r.ru and r.zh apart")
        << tree << appended << "{stem}-{page:03}.jpg" << false << Groups{{0, 1}};
    QTest::newRow("both: nothing meets")
        << tree << appended << "{stem}-{page:03}.jpg" << true << Groups{};
    QTest::newRow("names that run into each other")
        << QStringList{"Invoice 1.pdf", "Invoice 11.pdf", "Invoice 2.pdf", "Invoice 10.pdf"}
        << appended << "" << false << Groups{{0, 1}};
    QTest::newRow("not after a hyphen") << QStringList{"Invoice 1.pdf", "Invoice 11.pdf"}
                                        << PageNumbering::Positions << "" << false << Groups{};
    QTest::newRow("a page number never starts with 0")
        << QStringList{"v.pdf", "v0.pdf", "v01.pdf"} << appended << "" << false << Groups{{1, 2}};
    QTest::newRow("a pattern without the name: one folder is one group")
        << QStringList{"a/x.pdf", "a/y.pdf", "b/z.pdf"} << appended << "{dir}{page}.jpg" << false
        << Groups{{0, 1}};
}

void TestNameCollisions::collisionGroups() {
    QFETCH(QStringList, pdfs);
    QFETCH(PageNumbering, numbering);
    QFETCH(QString, pattern);
    QFETCH(bool, keepTree);
    QFETCH(Groups, groups);
    OutputNaming naming;
    if (!pattern.isEmpty()) {
        QString error;
        naming = *OutputNaming::fromPattern(pattern, error);
    }
    naming.setKeepTree(keepTree);
    Groups found;
    for (const std::vector<int>& group : NameCollisions(pdfs, "/out/", naming, numbering))
        found.append(QList<int>(group.begin(), group.end()));
    QCOMPARE(found, groups);
    QCOMPARE(CollisionLines(NameCollisions(pdfs, "/out/", naming, numbering), pdfs).size(),
             groups.isEmpty() ? 0 : groups.size() + 1);
}

QTEST_GUILESS_MAIN(TestNameCollisions)
#include "tst_namecollisions.moc"
