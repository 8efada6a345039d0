#include "cli/InputList.h"
#include "platform/PathLookups.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

void write(const QString& path, qsizetype bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace

class TestLookups : public QObject {
    Q_OBJECT
private slots:
    void init();
    void sameAsWholePath_data();
    void sameAsWholePath();
    void manyFoldersStayBounded();
    void batchesKeepListOrder();

private:
    QTemporaryDir m_dir;
};

void TestLookups::init() {
    QVERIFY(m_dir.isValid());
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("a/b"));
    root.mkpath(QStringLiteral("c"));
    write(root.filePath(QStringLiteral("a/b/five.pdf")), 5);
    write(root.filePath(QStringLiteral("a/top.pdf")), 3);
    write(root.filePath(QStringLiteral("-dash $x \"q\".pdf")), 7);
    QFile::link(root.filePath(QStringLiteral("a/b")), root.filePath(QStringLiteral("c/link")));
}

// Each path looked up with the folders kept open gives what a look-up by the whole path gives,
// whatever its form.
void TestLookups::sameAsWholePath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("relative");
    QTest::newRow("file in a folder") << "a/b/five.pdf" << false;
    QTest::newRow("folder") << "a/b" << false;
    QTest::newRow("folder with final separator") << "a/b/" << false;
    QTest::newRow("missing file, existing folder") << "a/none.pdf" << false;
    QTest::newRow("missing folder") << "gone/none.pdf" << false;
    QTest::newRow("dot dot through a link") << "c/link/../top.pdf" << false;
    QTest::newRow("file through a link") << "c/link/five.pdf" << false;
    QTest::newRow("dot component") << "a/./top.pdf" << false;
    QTest::newRow("odd name") << "-dash $x \"q\".pdf" << false;
    QTest::newRow("relative, no folder") << "-dash $x \"q\".pdf" << true;
    QTest::newRow("relative, in a folder") << "a/top.pdf" << true;
    QTest::newRow("root") << "/" << true;
    QTest::newRow("in the root") << "/tmp" << true;
}

void TestLookups::sameAsWholePath() {
    QFETCH(QString, path);
    QFETCH(bool, relative);
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const QByteArray given = encoded(relative ? path : m_dir.filePath(path));
    const PathLookup whole = LookUpEncodedPath(given);
    PathLookups lookups;
    // Twice: once opening the folder, once with it open.
    for (int round = 0; round < 2; ++round) {
        const PathLookup found = lookups.lookUp(given);
        QCOMPARE(found.folder, whole.folder);
        QCOMPARE(found.size, whole.size);
    }
    QVERIFY(QDir::setCurrent(current));
}

// A list that visits more folders than may stay open, round and round: every answer stays
// right and the open folders stay within bounds.
void TestLookups::manyFoldersStayBounded() {
    constexpr int Folders = 700;
    QDir root(m_dir.path());
    for (int n = 0; n < Folders; ++n) {
        root.mkpath(QStringLiteral("many/%1").arg(n));
        if (n % 3 == 0)
            write(root.filePath(QStringLiteral("many/%1/x.pdf").arg(n)), n + 1);
    }
    PathLookups lookups;
    for (int round = 0; round < 8; ++round) {
        for (int n = 0; n < Folders; ++n) {
            const PathLookup found =
                lookups.lookUp(encoded(root.filePath(QStringLiteral("many/%1/x.pdf").arg(n))));
            QCOMPARE(found.size, n % 3 == 0 ? n + 1 : 0);
            QVERIFY(!found.folder);
            QVERIFY(lookups.openFolders() <= 512);
        }
    }
}

// A list longer than a batch, of files, folders and missing paths: the PDFs come out in list
// order, each folder's in its place, each file with its own weight.
void TestLookups::batchesKeepListOrder() {
    QDir root(m_dir.path());
    PathList list;
    QStringList expected;
    for (int n = 0; n < 20000; ++n) {
        if (n == 100 || n == 12345) {
            list.appendText(root.filePath(QStringLiteral("a")));
            // A folder's own PDFs come before those of its subfolders.
            expected << root.filePath(QStringLiteral("a/top.pdf"))
                     << root.filePath(QStringLiteral("a/b/five.pdf"));
        } else {
            const QString path = n % 2 ? root.filePath(QStringLiteral("a/top.pdf"))
                                       : root.filePath(QStringLiteral("gone/%1.pdf").arg(n));
            list.appendText(path);
            expected << path;
        }
    }
    const InputFiles inputs = CollectInputs(std::move(list), Weighing::Pages);
    QCOMPARE(inputs.pdfs.texts(), expected);
    QCOMPARE(inputs.weights.size(), std::size_t(expected.size()));
    for (qsizetype n = 0; n < expected.size(); ++n)
        QCOMPARE(inputs.weights[n].pages > 0, !expected[n].contains(QLatin1String("/gone/")));
}

QTEST_GUILESS_MAIN(TestLookups)
#include "tst_lookups.moc"
