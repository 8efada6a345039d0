#include "platform/NativeNames.h"
#include "support/EmptiedOnExit.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

// PDFs whose names are not UTF-8 (bytes such as 0xff, or Latin-1 names from old archives),
// converted by the command with every method, whichever way they reach it: on the command
// line (as raw bytes), in a --files-from list, or found in a folder. Their images keep the
// PDF's own bytes in their names.

namespace {

const QByteArray kNotUtf8 = "\xff\xfe.pdf";
const QByteArray kLatin1 = "r\xe9sum\xe9.pdf";

enum class Given { Argument, List, Folder, Tree };

// The names of the entries of folder, byte for byte, found below it (folder names end in "/").
QByteArrayList entriesBelow(const QByteArray& folder, const QByteArray& prefix = {}) {
    QByteArrayList names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), &::closedir);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR)
            names += entriesBelow(folder + '/' + name, prefix + name + '/');
        else
            names.append(prefix + name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

QByteArray readExactly(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    return file.readAll();
}

bool writeExactly(const QByteArray& path, const QByteArray& content) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool whole = ::write(fd, content.constData(), std::size_t(content.size())) ==
                       static_cast<ssize_t>(content.size());
    return ::close(fd) == 0 && whole;
}

// Runs the command; names are handed over by xargs, which passes them on as the bytes it read.
int runCommand(const QStringList& options, const QByteArrayList& names, const QString& scratch) {
    const QString argumentFile = scratch + QStringLiteral("/arguments");
    if (!writeExactly(QFile::encodeName(argumentFile), names.join('\0')))
        return -1;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("xargs"),
                  QStringList{"-0", "-a", argumentFile, "--",
                              TestPaths::programFolder() + "/pagekiln-convert"} +
                      options);
    if (!process.waitForFinished(300'000))
        return -1;
    return process.exitCode();
}

QJsonObject lastRecord(const QString& report) {
    QByteArrayList lines = readExactly(QFile::encodeName(report)).split('\n');
    lines.removeAll(QByteArray());
    return lines.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(lines.last()).object();
}

} // namespace

Q_DECLARE_METATYPE(Given)

class TestRawNames : public QObject {
    Q_OBJECT
private slots:
    void convertsUnderTheOwnBytes_data();
    void convertsUnderTheOwnBytes();
};

void TestRawNames::convertsUnderTheOwnBytes_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<Given>("given");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArrayList>("images"); // below the output folder

    QTest::newRow("imaging, not UTF-8, argument")
        << "gflax" << kNotUtf8 << Given::Argument << QStringList{}
        << QByteArrayList{"\xff\xfe"
                          "1.jpg",
                          "\xff\xfe"
                          "2.jpg"};
    QTest::newRow("imaging, Latin-1, folder")
        << "gflax" << kLatin1 << Given::Folder << QStringList{}
        << QByteArrayList{"r\xe9sum\xe9"
                          "1.jpg",
                          "r\xe9sum\xe9"
                          "2.jpg"};
    QTest::newRow("imaging, Latin-1, pattern")
        << "gflax" << kLatin1 << Given::List << QStringList{"--name", "{stem}.p{page}.jpg"}
        << QByteArrayList{"r\xe9sum\xe9.p1.jpg", "r\xe9sum\xe9.p2.jpg"};
    QTest::newRow("imaging, not UTF-8, tree")
        << "gflax" << kNotUtf8 << Given::Tree << QStringList{"--keep-tree"}
        << QByteArrayList{"d\xe9j\xe0/\xff\xfe"
                          "1.jpg",
                          "d\xe9j\xe0/\xff\xfe"
                          "2.jpg"};
    QTest::newRow("export, not UTF-8, list")
        << "acrobat" << kNotUtf8 << Given::List << QStringList{}
        << QByteArrayList{"\xff\xfe_Page_1.jpg", "\xff\xfe_Page_2.jpg"};
    QTest::newRow("export, Latin-1, argument")
        << "acrobat" << kLatin1 << Given::Argument << QStringList{}
        << QByteArrayList{"r\xe9sum\xe9_Page_1.jpg", "r\xe9sum\xe9_Page_2.jpg"};
    QTest::newRow("export, not UTF-8, pattern")
        << "acrobat" << kNotUtf8 << Given::Folder << QStringList{"--name", "{base}-{page}.jpg"}
        << QByteArrayList{"\xff\xfe-1.jpg", "\xff\xfe-2.jpg"};
    QTest::newRow("ghostscript, not UTF-8, folder")
        << "ghostscript" << kNotUtf8 << Given::Folder << QStringList{}
        << QByteArrayList{"\xff\xfe-001.jpg", "\xff\xfe-002.jpg"};
    QTest::newRow("ghostscript, Latin-1, list")
        << "ghostscript" << kLatin1 << Given::List << QStringList{}
        << QByteArrayList{"r\xe9sum\xe9-001.jpg", "r\xe9sum\xe9-002.jpg"};
    QTest::newRow("ghostscript, Latin-1, tree")
        << "ghostscript" << kLatin1 << Given::Tree << QStringList{"--keep-tree"}
        << QByteArrayList{"d\xe9j\xe0/r\xe9sum\xe9-001.jpg", "d\xe9j\xe0/r\xe9sum\xe9-002.jpg"};
    QTest::newRow("black and white, not UTF-8, argument")
        << "bw" << kNotUtf8 << Given::Argument << QStringList{}
        << QByteArrayList{"\xff\xfe-001.jpg", "\xff\xfe-002.jpg"};
    QTest::newRow("black and white, Latin-1, folder")
        << "bw" << kLatin1 << Given::Folder << QStringList{}
        << QByteArrayList{"r\xe9sum\xe9-001.jpg", "r\xe9sum\xe9-002.jpg"};
}

// The images land under the PDF's own bytes and are JPEGs; the report names the PDF so that
// its path reads back as those bytes, and a resumed run finds it there as converted.
void TestRawNames::convertsUnderTheOwnBytes() {
    QFETCH(QString, method);
    QFETCH(QByteArray, name);
    QFETCH(Given, given);
    QFETCH(QStringList, options);
    QFETCH(QByteArrayList, images);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QByteArray root = QFile::encodeName(scratch.path());
    const EmptiedOnExit emptied{root};
    const QByteArray in = root + "/in";
    const QByteArray out = root + "/out";
    QVERIFY(::mkdir(in.constData(), 0755) == 0);
    // A tree keeps the PDF's folder, here one with a Latin-1 name, below the output folder.
    const QByteArray folder = given == Given::Tree ? in + "/d\xe9j\xe0" : in;
    QVERIFY(folder == in || ::mkdir(folder.constData(), 0755) == 0);
    const QByteArray pdf = folder + '/' + name;
    QVERIFY(writeExactly(
        pdf, readExactly(QFile::encodeName(TestPaths::corpusFile("pdflatex-4-pages.pdf")))));

    const QString report = scratch.filePath("report.jsonl");
    QStringList arguments =
        QStringList{"-m",       method, "-p", "1-2", "-r", "36", "-q", "-o", QFile::decodeName(out),
                    "--report", report} +
        options;
    QByteArrayList names;
    if (given == Given::List) {
        const QString list = scratch.filePath("list.txt");
        QVERIFY(writeExactly(QFile::encodeName(list), pdf + '\n'));
        arguments += QStringList{"--files-from", list};
    } else {
        names.append(given == Given::Argument ? pdf : in);
    }
    QCOMPARE(runCommand(arguments, names, scratch.path()), 0);

    QByteArrayList expected = images;
    if (given == Given::Tree) { // the tree starts with the input folder, without its "/"
        for (QByteArray& image : expected)
            image.prepend(in.mid(1) + '/');
    }
    std::sort(expected.begin(), expected.end());
    QCOMPARE(entriesBelow(out), expected);
    for (const QByteArray& image : std::as_const(expected)) {
        const QImage decoded = QImage::fromData(readExactly(out + '/' + image), "JPEG");
        QVERIFY2(!decoded.isNull(), image.constData());
    }

    const QJsonObject record = lastRecord(report);
    QCOMPARE(record.value("status").toString(), QStringLiteral("converted"));
    QCOMPARE(encodeFileName(record.value("path").toString()), pdf);
    QCOMPARE(record.value("outputs").toArray().size(), expected.size());
    QCOMPARE(encodeFileName(record.value("outputs").toArray().first().toString()),
             out + '/' + expected.first());

    QCOMPARE(runCommand(arguments + QStringList{"--resume"}, names, scratch.path()), 0);
    QCOMPARE(lastRecord(report).value("status").toString(), QStringLiteral("skipped"));
    QCOMPARE(entriesBelow(out), expected);
}

QTEST_MAIN(TestRawNames)
#include "tst_rawnames.moc"
