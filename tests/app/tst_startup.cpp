#include "app/ActionButton.h"
#include "app/Startup.h"
#include "platform/ExactFiles.h"
#include "platform/FileCopy.h"
#include "platform/NativeNames.h"
#include "support/FormHarness.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using Stored = QMap<QString, QString>;
Q_DECLARE_METATYPE(Stored)

// Start-up restores the four settings into the window and leaves the store as it found it,
// except that an absent key whose control changes is created with its default.
class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void restoresSettings_data();
    void restoresSettings();
    void resolutionListHoldsTheFiveEntries();
    void homePageOpensOnlyOnSeven_data();
    void homePageOpensOnlyOnSeven();
    void titleAndFocus();
    void openedFilesJoinTheList();
};

void TestStartup::restoresSettings_data() {
    QTest::addColumn<Stored>("stored");
    QTest::addColumn<QString>("selected"); // objectName-like: Option1..Option4
    QTest::addColumn<bool>("frame2Enabled");
    QTest::addColumn<unsigned>("labelColour");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("resolution");
    QTest::addColumn<QString>("pages");
    QTest::addColumn<Stored>("storedAfter");

    const QString home = AppSettings::defaults().localFolder;
    const unsigned grey = static_cast<unsigned>(LabelColour::GrayText);
    const unsigned black = static_cast<unsigned>(LabelColour::Black);
    const unsigned design = static_cast<unsigned>(LabelColour::Black); // Label3's design colour

    QTest::newRow("empty store") << Stored{} << "Option2" << false << grey << home << "144"
                                 << "1"
                                 << Stored{{"Local Folder", home}, {"Option", "1"}, {"Pages", "1"}};
    QTest::newRow("ghostscript") << Stored{{"Option", "1"}} << "Option2" << false << grey << home
                                 << "144"
                                 << "1"
                                 << Stored{{"Local Folder", home}, {"Option", "1"}, {"Pages", "1"}};
    QTest::newRow("black/white") << Stored{{"Option", "2"}} << "Option3" << false << grey << home
                                 << "144"
                                 << "1"
                                 << Stored{{"Local Folder", home}, {"Option", "2"}, {"Pages", "1"}};
    QTest::newRow("acrobat is Option1")
        << Stored{{"Option", "3"}} << "Option1" << false << grey << home << "144"
        << "1" << Stored{{"Local Folder", home}, {"Option", "3"}, {"Pages", "1"}};
    QTest::newRow("gflax") << Stored{{"Option", "4"}} << "Option4" << true << black << home << "144"
                           << "1"
                           << Stored{{"Local Folder", home}, {"Option", "4"}, {"Pages", "1"}};
    QTest::newRow("blank before code")
        << Stored{{"Option", " 4"}} << "Option2" << false << design << home << "144"
        << "1" << Stored{{"Local Folder", home}, {"Option", " 4"}, {"Pages", "1"}};
    QTest::newRow("leading zero") << Stored{{"Option", "04"}} << "Option2" << false << design
                                  << home << "144"
                                  << "1"
                                  << Stored{
                                         {"Local Folder", home}, {"Option", "04"}, {"Pages", "1"}};
    const Stored everything{
        {"Local Folder", "/data/out/"}, {"Option", "4"}, {"Resolution", "300"}, {"Pages", ""}};
    QTest::newRow("stored values, empty pages")
        << everything << "Option4" << true << black << "/data/out/"
        << "300"
        << "" << everything;
}

void TestStartup::restoresSettings() {
    QFETCH(Stored, stored);
    QFETCH(QString, selected);
    QFETCH(bool, frame2Enabled);
    QFETCH(unsigned, labelColour);
    QFETCH(QString, folder);
    QFETCH(QString, resolution);
    QFETCH(QString, pages);
    QFETCH(Stored, storedAfter);

    FormHarness harness;
    {
        QSettings before = FormHarness::store();
        for (auto it = stored.begin(); it != stored.end(); ++it)
            before.setValue("Pagekiln/" + it.key(), it.value());
    }
    const auto form = harness.makeForm();
    const Form1Controls& c = form->controls();

    const QMap<QString, QRadioButton*> options{{"Option1", c.Option1},
                                               {"Option2", c.Option2},
                                               {"Option3", c.Option3},
                                               {"Option4", c.Option4}};
    for (auto it = options.begin(); it != options.end(); ++it)
        QCOMPARE(it.value()->isChecked(), it.key() == selected);
    QCOMPARE(c.Frame2->isEnabled(), frame2Enabled);
    QCOMPARE(static_cast<unsigned>(Form1::labelColour(c.Label3)), labelColour);
    QCOMPARE(c.txtLocalFolder->text(), folder);
    QCOMPARE(c.Combo_Resolution->currentText(), resolution);
    QCOMPARE(c.Txt_Pages->text(), pages);

    QSettings after = FormHarness::store();
    after.beginGroup("Pagekiln");
    Stored actual;
    for (const QString& key : after.childKeys())
        actual.insert(key, after.value(key).toString());
    QCOMPARE(actual, storedAfter);
}

void TestStartup::resolutionListHoldsTheFiveEntries() {
    FormHarness harness;
    FormHarness::store().setValue("Pagekiln/Resolution", "300");
    const auto form = harness.makeForm();
    QComboBox* combo = form->controls().Combo_Resolution;
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries.append(combo->itemText(i));
    QCOMPARE(entries, (QStringList{"72", "144", "288", "576", "1152"}));
    QCOMPARE(combo->currentText(), QString("300"));
}

void TestStartup::homePageOpensOnlyOnSeven_data() {
    QTest::addColumn<double>("draw");
    QTest::addColumn<bool>("opens");
    QTest::newRow("0.00 -> 1") << 0.0 << false;
    QTest::newRow("0.0599 -> 6") << 0.0599 << false;
    QTest::newRow("0.06 -> 7") << 0.06 << true;
    QTest::newRow("0.0699 -> 7") << 0.0699 << true;
    QTest::newRow("0.07 -> 8") << 0.07 << false;
    QTest::newRow("0.9999 -> 100") << 0.9999 << false;
}

void TestStartup::homePageOpensOnlyOnSeven() {
    QFETCH(double, draw);
    QFETCH(bool, opens);
    FormHarness harness;
    const auto form = harness.makeForm(draw);
    QCOMPARE(harness.homePages, opens ? QStringList{Form1::HomePageAddress} : QStringList{});
}

void TestStartup::titleAndFocus() {
    FormHarness harness;
    const auto form = harness.makeForm();
    QCOMPARE(form->windowTitle(), QString("Pagekiln"));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->controls().Command1));
    QCOMPARE(form->size(), QSize(465, 385));
    QVERIFY(form->minimumSize() == form->maximumSize());
    QCOMPARE(form->controls().ProgressBar1->value(), 0);
    QCOMPARE(form->palette().color(QPalette::Window), QColor(Qt::white));
}

void TestStartup::openedFilesJoinTheList() {
    QTemporaryDir dir;
    for (const QString name : {"b b.pdf", "-a.pdf", "notes.txt"}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // A Latin-1 name, as a file manager passes it: its bytes, which are not UTF-8.
    const QString latin1 = decodeFileName(QFile::encodeName(dir.path()) + "/r\xe9sum\xe9.pdf");
    QCOMPARE(writePrivateFile(latin1, {}), 0);
    const QString relative = QDir::current().relativeFilePath(dir.filePath("-a.pdf"));
    const QStringList files =
        filesFromArguments({dir.filePath("b b.pdf"), relative, dir.filePath("missing.pdf"),
                            dir.path(), latin1, dir.filePath("notes.txt")});
    removeFile(latin1);
    QCOMPARE(files, (QStringList{dir.filePath("b b.pdf"), dir.filePath("-a.pdf"), latin1,
                                 dir.filePath("notes.txt")}));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
