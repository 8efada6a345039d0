#include "platform/FileNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void touch(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.close();
}

} // namespace

class TestFileNames : public QObject {
    Q_OBJECT
private slots:
    void fileNameFromPath_data();
    void fileNameFromPath();
    void listing_data();
    void listing();
    void trailingSeparatorNamesSameFolder();
    void manyMatchesAllListed_data();
    void manyMatchesAllListed();
    void missingFolderGivesNoNames();
    void collapse_data();
    void collapse();
};

void TestFileNames::fileNameFromPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("full path") << "/in/a.pdf"
                               << "a.pdf";
    QTest::newRow("bare name") << "a.pdf"
                               << "a.pdf";
    QTest::newRow("ends in separator") << "/in/"
                                       << "";
    QTest::newRow("drive-like colon") << "C:a.pdf"
                                      << "C:a.pdf";
    QTest::newRow("backslash is a character") << "C:\\in\\a.pdf"
                                              << "C:\\in\\a.pdf";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("root") << "/"
                          << "";
    QTest::newRow("spaces and quotes") << "/x y/\"q\" $a `b`.pdf"
                                       << "\"q\" $a `b`.pdf";
    QTest::newRow("newline in folder") << "/a\nb/c.pdf"
                                       << "c.pdf";
}

void TestFileNames::fileNameFromPath() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(FileNameFromPath(path), name);
}

void TestFileNames::listing_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("pages in natural order")
        << QStringList{"current10.jpg", "current2.jpg", "current1.jpg", "current.pdf"}
        << QStringList{} << "current*.jpg"
        << QStringList{"current1.jpg", "current2.jpg", "current10.jpg"};
    QTest::newRow("case-insensitive")
        << QStringList{"A.PDF", "b.pdf", "c.Pdf", "d.txt"} << QStringList{} << "*.pdf"
        << QStringList{"A.PDF", "b.pdf", "c.Pdf"};
    QTest::newRow("question mark is one character")
        << QStringList{"p1.jpg", "p12.jpg", "p.jpg"} << QStringList{} << "p?.jpg"
        << QStringList{"p1.jpg"};
    QTest::newRow("star matches nothing too")
        << QStringList{"current.jpg", "currentA.jpg"} << QStringList{} << "current*.jpg"
        << QStringList{"current.jpg", "currentA.jpg"};
    QTest::newRow("hidden listed, folders not")
        << QStringList{".hidden.pdf", "shown.pdf"} << QStringList{"folder.pdf"} << "*.pdf"
        << QStringList{".hidden.pdf", "shown.pdf"};
    QTest::newRow("no match") << QStringList{"a.txt"} << QStringList{} << "*.jpg" << QStringList{};
    QTest::newRow("odd names") << QStringList{"-lead.pdf", "a $b.pdf", "q\"uote.pdf", "n\nl.pdf"}
                               << QStringList{} << "*.pdf"
                               << QStringList{"-lead.pdf", "a $b.pdf", "n\nl.pdf", "q\"uote.pdf"};
}

void TestFileNames::listing() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (const QString& name : files)
        touch(dir.filePath(name));
    for (const QString& name : folders)
        QVERIFY(QDir(dir.path()).mkdir(name));
    QCOMPARE(ListFolderFiles(dir.path(), pattern), expected);
}

void TestFileNames::trailingSeparatorNamesSameFolder() {
    QTemporaryDir dir;
    touch(dir.filePath("a.jpg"));
    QCOMPARE(ListFolderFiles(dir.path(), "*.jpg"), QStringList{"a.jpg"});
    QCOMPARE(ListFolderFiles(dir.path() + '/', "*.jpg"), QStringList{"a.jpg"});
}

void TestFileNames::manyMatchesAllListed_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("100") << 100;
    QTest::newRow("101") << 101;
    QTest::newRow("1000") << 1000;
}

void TestFileNames::manyMatchesAllListed() {
    QFETCH(int, count);
    QTemporaryDir dir;
    for (int i = count; i >= 1; --i)
        touch(dir.filePath(QStringLiteral("current%1.jpg").arg(i)));
    const QStringList names = ListFolderFiles(dir.path(), "current*.jpg");
    QCOMPARE(names.size(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(names.at(i), QStringLiteral("current%1.jpg").arg(i + 1));
}

void TestFileNames::missingFolderGivesNoNames() {
    QTemporaryDir dir;
    QVERIFY(ListFolderFiles(dir.filePath("absent"), "*").isEmpty());
    touch(dir.filePath("file"));
    QVERIFY(ListFolderFiles(dir.filePath("file"), "*").isEmpty());
}

void TestFileNames::collapse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("double") << "a//b"
                            << "a/b";
    QTest::newRow("triple once") << "a///b"
                                 << "a//b";
    QTest::newRow("four") << "a////b"
                          << "a//b";
    QTest::newRow("none") << "a/b"
                          << "a/b";
}

void TestFileNames::collapse() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(collapseDoubledSeparators(text), expected);
}

QTEST_GUILESS_MAIN(TestFileNames)
#include "tst_filenames.moc"
