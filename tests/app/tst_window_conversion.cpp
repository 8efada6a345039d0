#include "app/ActionButton.h"
#include "platform/FileCopy.h"
#include "platform/NativeNames.h"
#include "support/FormHarness.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <unistd.h>

namespace {

// The names in folder, byte for byte, in byte order.
QByteArrayList namesIn(const QByteArray& folder) {
    QByteArrayList names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), &::closedir);
    while (const dirent* entry = dir ? ::readdir(dir.get()) : nullptr) {
        if (entry->d_name[0] != '.')
            names.append(entry->d_name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void removeAll(const QByteArray& folder) {
    for (const QByteArray& name : namesIn(folder))
        ::unlink((folder + '/' + name).constData());
}

} // namespace

// The window end to end with the real procedures: the fields it reads, the list it fills, and
// the messages of a run.
class TestWindowConversion : public QObject {
    Q_OBJECT
private slots:
    void convertsWithTheSelectedMethod_data();
    void convertsWithTheSelectedMethod();
    void addAllInFolderThenConvert();
    void namesThatAreNotUtf8_data();
    void namesThatAreNotUtf8();
};

void TestWindowConversion::convertsWithTheSelectedMethod_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("GflAx, 2 pages")
        << 4 << QStringList{"pdflatex-4-pages1.jpg", "pdflatex-4-pages2.jpg"};
    QTest::newRow("Adobe Acrobat Pro")
        << 1
        << QStringList{"pdflatex-4-pages_Page_1.jpg", "pdflatex-4-pages_Page_2.jpg",
                       "pdflatex-4-pages_Page_3.jpg", "pdflatex-4-pages_Page_4.jpg"};
    QTest::newRow("Ghostscript") << 2
                                 << QStringList{
                                        "pdflatex-4-pages-001.jpg", "pdflatex-4-pages-002.jpg",
                                        "pdflatex-4-pages-003.jpg", "pdflatex-4-pages-004.jpg"};
}

void TestWindowConversion::convertsWithTheSelectedMethod() {
    QFETCH(int, option);
    QFETCH(QStringList, expected);
    FormHarness harness;
    auto form = harness.makeForm();
    const Form1Controls& c = form->controls();
    QTemporaryDir output;
    QList<QRadioButton*>{c.Option1, c.Option2, c.Option3, c.Option4}[option - 1]->click();
    // No trailing separator: the images still land inside the folder.
    c.txtLocalFolder->setText(output.path());
    c.Txt_Pages->setText("2");
    c.Combo_Resolution->setEditText("72");
    form->fileList().append(TestPaths::corpusFile("pdflatex-4-pages.pdf"));
    c.Check2->click();
    QCOMPARE(harness.ui.messageTexts(), QStringList{"Done."});
    QCOMPARE(QDir(output.path()).entryList(QDir::Files), expected);
}

void TestWindowConversion::addAllInFolderThenConvert() {
    FormHarness harness;
    auto form = harness.makeForm();
    QTemporaryDir tree;
    QDir().mkpath(tree.filePath("sub/deeper"));
    QVERIFY(QFile::copy(TestPaths::corpusFile("minimal-document.pdf"), tree.filePath("b.pdf")));
    QVERIFY(QFile::copy(TestPaths::corpusFile("habibi.pdf"), tree.filePath("sub/deeper/c.PDF")));
    QFile broken(tree.filePath("sub/a.pdf"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.close();
    harness.ui.folderAnswers.enqueue(tree.path());
    form->controls().Check4->click();
    QTRY_COMPARE(form->fileList().count(), 3);
    QCOMPARE(form->fileList().entries(),
             (QStringList{tree.filePath("b.pdf"), tree.filePath("sub/a.pdf"),
                          tree.filePath("sub/deeper/c.PDF")}));
    QCOMPARE(harness.ui.dialogTitles, QStringList{"Please select folder to add:"});
    QCOMPARE(form->windowPointer(), MousePointer::Default);

    QTemporaryDir output;
    form->controls().txtLocalFolder->setText(output.path() + "/");
    form->controls().Option4->click();
    form->controls().Txt_Pages->setText("1");
    form->controls().Check2->click();
    QCOMPARE(harness.ui.messageTexts(),
             (QStringList{"Could not create JPG on " + tree.filePath("sub/a.pdf"), "Done."}));
    QCOMPARE(QDir(output.path()).entryList(QDir::Files), (QStringList{"b1.jpg", "c1.jpg"}));
}

void TestWindowConversion::namesThatAreNotUtf8_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::newRow("GflAx") << 4
                           << QByteArrayList{"r\xe9sum\xe9"
                                             "1.jpg"};
    QTest::newRow("Adobe Acrobat Pro") << 1 << QByteArrayList{"r\xe9sum\xe9.jpg"};
    QTest::newRow("Ghostscript") << 2 << QByteArrayList{"r\xe9sum\xe9-001.jpg"};
    QTest::newRow("Black/White") << 3 << QByteArrayList{"r\xe9sum\xe9-001.jpg"};
}

// A Latin-1 name from an old archive: the folder command lists it, and the images keep its
// bytes.
void TestWindowConversion::namesThatAreNotUtf8() {
    QFETCH(int, option);
    QFETCH(QByteArrayList, expected);
    FormHarness harness;
    auto form = harness.makeForm();
    const Form1Controls& c = form->controls();
    QTemporaryDir tree;
    QTemporaryDir output;
    const QByteArray pdf = QFile::encodeName(tree.path()) + "/r\xe9sum\xe9.pdf";
    QFile original(TestPaths::corpusFile("minimal-document.pdf"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(writePrivateFile(decodeFileName(pdf), original.readAll()), 0);
    harness.ui.folderAnswers.enqueue(tree.path());
    c.Check4->click();
    QTRY_COMPARE(form->fileList().entries(), QStringList{decodeFileName(pdf)});

    QList<QRadioButton*>{c.Option1, c.Option2, c.Option3, c.Option4}[option - 1]->click();
    c.txtLocalFolder->setText(output.path() + "/");
    c.Txt_Pages->setText("1");
    c.Combo_Resolution->setEditText("36");
    c.Check2->click();
    const QByteArrayList written = namesIn(QFile::encodeName(output.path()));
    removeAll(QFile::encodeName(output.path()));
    ::unlink(pdf.constData());
    QCOMPARE(harness.ui.messageTexts(), QStringList{"Done."});
    QCOMPARE(written, expected);
}

QTEST_MAIN(TestWindowConversion)
#include "tst_window_conversion.moc"
