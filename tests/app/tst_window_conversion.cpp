#include "app/ActionButton.h"
#include "support/FormHarness.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

// The window end to end with the real procedures: the fields it reads, the list it fills, and
// the messages of a run.
class TestWindowConversion : public QObject {
    Q_OBJECT
private slots:
    void convertsWithTheSelectedMethod_data();
    void convertsWithTheSelectedMethod();
    void addAllInFolderThenConvert();
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

QTEST_MAIN(TestWindowConversion)
#include "tst_window_conversion.moc"
