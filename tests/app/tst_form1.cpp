#include "app/ActionButton.h"
#include "app/QtUserInterface.h"
#include "filelist/AddFiles.h"
#include "filelist/ui/FileListView.h"
#include "support/FormHarness.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

// The window's own handlers: option clicks and text edits stored at once, the push-button
// check boxes, adding files by dialog, the output folder browser and the hover pointers.
class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void optionClickStoresCode_data();
    void optionClickStoresCode();
    void typingStoresEveryChange();
    void pickingResolutionStoresIt();
    void pushButtonActsOnlyWhenPressed();
    void addFilesByDialog_data();
    void addFilesByDialog();
    void chosenFilesKeepTheirFolders_data();
    void chosenFilesKeepTheirFolders();
    void outputFolderBrowser_data();
    void outputFolderBrowser();
    void hoverPointers();
    void convertRunsTheDriver();
};

namespace {
// Records which objects mouse moves have reached.
class MoveCounter : public QObject {
public:
    QList<QObject*> reached;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove)
            reached.append(watched);
        return false;
    }
};

QString stored(const QString& key) {
    return FormHarness::store().value("Pagekiln/" + key).toString();
}
} // namespace

void TestForm1::optionClickStoresCode_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("frame2");
    QTest::newRow("Adobe Acrobat Pro") << 1 << "3" << false;
    QTest::newRow("Ghostscript") << 2 << "1" << false;
    QTest::newRow("Black/White") << 3 << "2" << false;
    QTest::newRow("GflAx") << 4 << "4" << true;
}

void TestForm1::optionClickStoresCode() {
    QFETCH(int, option);
    QFETCH(QString, code);
    QFETCH(bool, frame2);
    FormHarness harness;
    QRadioButton* clicked = nullptr;
    {
        auto form = harness.makeForm();
        const Form1Controls& c = form->controls();
        // Start from the other side of the frame state, so both directions are exercised.
        (frame2 ? c.Option2 : c.Option4)->click();
        clicked = QList<QRadioButton*>{c.Option1, c.Option2, c.Option3, c.Option4}[option - 1];
        clicked->click();
        QCOMPARE(stored("Option"), code);
        QCOMPARE(c.Frame2->isEnabled(), frame2);
        const LabelColour colour = frame2 ? LabelColour::Black : LabelColour::GrayText;
        QCOMPARE(Form1::labelColour(c.Label3), colour);
        QCOMPARE(Form1::labelColour(c.Label1), colour);
    }
    // A restart shows the same option.
    auto again = harness.makeForm();
    const Form1Controls& c = again->controls();
    QCOMPARE(
        QList<QRadioButton*>({c.Option1, c.Option2, c.Option3, c.Option4})[option - 1]->isChecked(),
        true);
}

void TestForm1::typingStoresEveryChange() {
    FormHarness harness;
    QStringList seen;
    {
        auto form = harness.makeForm();
        form->controls().Option4->click();
        QLineEdit* pages = form->controls().Txt_Pages;
        pages->clear();
        QCOMPARE(stored("Pages"), QString(""));
        QObject::connect(pages, &QLineEdit::textChanged, pages,
                         [&seen](const QString&) { seen.append(stored("Pages")); });
        QTest::keyClicks(pages, "300");
        QLineEdit* folder = form->controls().txtLocalFolder;
        folder->selectAll();
        QTest::keyClicks(folder, "/o");
        QCOMPARE(stored("Local Folder"), QString("/o"));
        QLineEdit* resolution = form->controls().Combo_Resolution->lineEdit();
        resolution->selectAll();
        QTest::keyClicks(resolution, "96");
        QCOMPARE(stored("Resolution"), QString("96"));
    }
    QCOMPARE(seen, (QStringList{"3", "30", "300"}));
    auto again = harness.makeForm();
    QCOMPARE(again->controls().Txt_Pages->text(), QString("300"));
    QCOMPARE(again->controls().txtLocalFolder->text(), QString("/o"));
    QCOMPARE(again->controls().Combo_Resolution->currentText(), QString("96"));
}

void TestForm1::pickingResolutionStoresIt() {
    FormHarness harness;
    auto form = harness.makeForm();
    form->controls().Combo_Resolution->setCurrentIndex(3);
    QCOMPARE(stored("Resolution"), QString("576"));
}

void TestForm1::pushButtonActsOnlyWhenPressed() {
    FormHarness harness;
    auto form = harness.makeForm();
    const Form1Controls& c = form->controls();
    // A click that finds the value 0 does nothing at all.
    form->Check1_Click();
    form->Check2_Click();
    form->Check3_Click();
    form->Check4_Click();
    QVERIFY(harness.ui.dialogTitles.isEmpty());
    QVERIFY(harness.ui.messages.isEmpty());
    // A press runs its command once and leaves the button up.
    c.Check2->click();
    QCOMPARE(harness.ui.messageTexts(), QStringList{"No files added."});
    QCOMPARE(c.Check2->value(), 0);
    c.Check1->click();
    QCOMPARE(harness.ui.dialogTitles,
             QStringList{"Add File(s) - Use Ctrl & Shift to select multiple files"});
    QCOMPARE(harness.ui.dialogFilters, QStringList{"PDF Files (*.pdf)"});
    QCOMPARE(c.Check1->value(), 0);
}

void TestForm1::addFilesByDialog_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QList<QStringList>>("answers");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one file") << QStringList{} << QList<QStringList>{{"/in/a b.pdf"}}
                              << QStringList{"/in/a b.pdf"};
    QTest::newRow("three after existing")
        << QStringList{"/x.pdf"} << QList<QStringList>{{"/in", "c.pdf", "a.pdf", "b.pdf"}}
        << QStringList{"/x.pdf", "/in/c.pdf", "/in/a.pdf", "/in/b.pdf"};
    QTest::newRow("root folder") << QStringList{} << QList<QStringList>{{"/", "a.pdf", "b.pdf"}}
                                 << QStringList{"/a.pdf", "/b.pdf"};
    QTest::newRow("names below the folder")
        << QStringList{} << QList<QStringList>{{"/in", "a.pdf", "sub/b.pdf"}}
        << QStringList{"/in/a.pdf", "/in/sub/b.pdf"};
    QTest::newRow("a name with its own full path")
        << QStringList{} << QList<QStringList>{{"/in", "a.pdf", "/other/b.pdf"}}
        << QStringList{"/in/a.pdf", "/other/b.pdf"};
    QTest::newRow("cancel") << QStringList{"/x.pdf"} << QList<QStringList>{{}}
                            << QStringList{"/x.pdf"};
    QTest::newRow("same file twice")
        << QStringList{} << QList<QStringList>{{"/in/a.pdf"}, {"/in/a.pdf"}}
        << QStringList{"/in/a.pdf", "/in/a.pdf"};
}

void TestForm1::addFilesByDialog() {
    QFETCH(QStringList, existing);
    QFETCH(QList<QStringList>, answers);
    QFETCH(QStringList, expected);
    FormHarness harness;
    auto form = harness.makeForm();
    form->fileList().append(existing);
    for (const QStringList& answer : answers) {
        harness.ui.fileAnswers.enqueue(answer);
        form->controls().Check1->click();
    }
    QCOMPARE(form->fileList().entries(), expected);
    QVERIFY(harness.ui.messages.isEmpty());
}

// What the real dialog picked, shaped as the classic answer and read back by the list.
void TestForm1::chosenFilesKeepTheirFolders_data() {
    QTest::addColumn<QStringList>("picked");
    QTest::addColumn<QStringList>("answer");
    QTest::newRow("one file") << QStringList{"/in/a.pdf"} << QStringList{"/in/a.pdf"};
    QTest::newRow("one folder") << QStringList{"/in/b.pdf", "/in/a.pdf"}
                                << QStringList{"/in", "b.pdf", "a.pdf"};
    QTest::newRow("a subfolder") << QStringList{"/in/a.pdf", "/in/sub/b.pdf"}
                                 << QStringList{"/in", "a.pdf", "sub/b.pdf"};
    QTest::newRow("two folders, shared prefix") << QStringList{"/data/in1/a.pdf", "/data/in/b.pdf"}
                                                << QStringList{"/data", "in1/a.pdf", "in/b.pdf"};
    QTest::newRow("nothing shared but the root") << QStringList{"/a/x.pdf", "/b/y.pdf", "/z.pdf"}
                                                 << QStringList{"/", "a/x.pdf", "b/y.pdf", "z.pdf"};
    QTest::newRow("the root folder itself")
        << QStringList{"/a.pdf", "/report.pdf"} << QStringList{"/", "a.pdf", "report.pdf"};
}

void TestForm1::chosenFilesKeepTheirFolders() {
    QFETCH(QStringList, picked);
    QFETCH(QStringList, answer);
    QCOMPARE(classicOpenFileAnswer(picked), answer);
    QCOMPARE(entriesFromDialogAnswer(answer), picked);
}

void TestForm1::outputFolderBrowser_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cancel") << ""
                            << "/before/";
    QTest::newRow("folder") << "/home/me/Pictures"
                            << "/home/me/Pictures/";
    QTest::newRow("root") << "/"
                          << "/";
}

void TestForm1::outputFolderBrowser() {
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    FormHarness harness;
    FormHarness::store().setValue("Pagekiln/Local Folder", "/before/");
    auto form = harness.makeForm();
    harness.ui.folderAnswers.enqueue(answer);
    form->controls().Check3->click();
    QCOMPARE(harness.ui.dialogTitles, QStringList{"Select a Folder"});
    QCOMPARE(form->controls().Check3->value(), 0);
    QCOMPARE(form->controls().txtLocalFolder->text(), expected);
    QCOMPARE(stored("Local Folder"), expected);
}

void TestForm1::hoverPointers() {
    FormHarness harness;
    auto form = harness.makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const Form1Controls& c = form->controls();
    QTest::mouseMove(c.Check1, QPoint(20, 20));
    QTRY_COMPARE(form->windowPointer(), MousePointer::Custom);
    // The strip of bare background between two buttons gives the default pointer back.
    QTest::mouseMove(form.get(), QPoint(c.Check1->geometry().right() + 4, c.Check1->y() + 20));
    QTRY_COMPARE(form->windowPointer(), MousePointer::Default);
    QTest::mouseMove(c.Check4, QPoint(20, 20));
    QTRY_COMPARE(form->windowPointer(), MousePointer::Custom);
    // While busy, hovering leaves the hourglass: once both moves have been delivered, the
    // pointer is still the hourglass.
    form->setWindowPointer(MousePointer::Hourglass);
    MoveCounter moves;
    qApp->installEventFilter(&moves);
    QTest::mouseMove(c.Check2, QPoint(30, 30));
    QTRY_VERIFY(moves.reached.contains(c.Check2));
    QTest::mouseMove(form.get(), QPoint(c.Check2->x() - 3, c.Check2->y() + 10));
    QTRY_VERIFY(moves.reached.contains(form.get()));
    QCOMPARE(form->windowPointer(), MousePointer::Hourglass);
}

void TestForm1::convertRunsTheDriver() {
    FormHarness harness;
    auto form = harness.makeForm();
    form->fileList().append({"/in/a.pdf", "/in/b.pdf"});
    QStringList seen;
    QObject::connect(&form->driver(), &BatchDriver::entryStarted, form.get(),
                     [&](int, int, const QString& path) {
                         seen.append(path);
                         QCOMPARE(form->windowPointer(), MousePointer::Hourglass);
                     });
    form->controls().Check2->click();
    QCOMPARE(seen, form->fileList().entries());
    // The stub-free procedures need real files; both entries are missing, so both warn.
    QCOMPARE(harness.ui.messages.size(), 3);
    QCOMPARE(harness.ui.messages.last().text, QString("Done."));
    QCOMPARE(form->progressValue(), 0.0f);
    QCOMPARE(form->windowPointer(), MousePointer::Default);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
