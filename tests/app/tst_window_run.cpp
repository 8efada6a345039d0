#include "app/ActionButton.h"
#include "app/QtUserInterface.h"
#include "support/FakeProcedure.h"
#include "support/FormHarness.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

// A run of the window with fake procedures: stopping it from the window, and runs of any
// length.
class TestWindowRun : public QObject {
    Q_OBJECT
private slots:
    void stopAfterTheEntryUnderWay_data();
    void stopAfterTheEntryUnderWay();
    void escapeWithoutARunAsksNothing();
    void everyEntryOfAVeryLongList();
    void realQuestionBox_data();
    void realQuestionBox();
};

namespace {

enum class StopGesture { ConvertAgain, Escape };

const QStringList FiveEntries{"/in/1.pdf", "/in/2.pdf", "/in/3.pdf", "/in/4.pdf", "/in/5.pdf"};

void makeTheGesture(Form1& form, StopGesture gesture) {
    switch (gesture) {
    case StopGesture::ConvertAgain:
        form.controls().Check2->click();
        return;
    case StopGesture::Escape:
        // Typed where the user types: the focused text field, which has no use for Escape.
        QTest::keyClick(form.controls().Txt_Pages, Qt::Key_Escape);
        return;
    }
}

} // namespace

// During entry 2 of 5 the user asks to stop. Entries 3 to 5 would fail, so any of them begun
// would be warned about.
void TestWindowRun::stopAfterTheEntryUnderWay_data() {
    QTest::addColumn<StopGesture>("gesture");
    QTest::addColumn<QuestionAnswer>("answer");
    QTest::addColumn<QStringList>("converted");
    QTest::addColumn<QStringList>("messages");
    const QStringList warnings{"Could not create JPG on /in/3.pdf",
                               "Could not create JPG on /in/4.pdf",
                               "Could not create JPG on /in/5.pdf"};
    for (const StopGesture gesture : {StopGesture::ConvertAgain, StopGesture::Escape}) {
        const char* name = gesture == StopGesture::Escape ? "Escape" : "Convert! again";
        QTest::addRow("%s, Yes", name)
            << gesture << QuestionAnswer::Yes << FiveEntries.mid(0, 2) << QStringList{"Done."};
        QTest::addRow("%s, No", name)
            << gesture << QuestionAnswer::No << FiveEntries << warnings + QStringList{"Done."};
    }
}

void TestWindowRun::stopAfterTheEntryUnderWay() {
    QFETCH(StopGesture, gesture);
    QFETCH(QuestionAnswer, answer);
    QFETCH(QStringList, converted);
    QFETCH(QStringList, messages);

    FormHarness harness;
    QStringList events;
    std::unique_ptr<Form1> form;
    harness.methods.replace(ConversionMethod::Ghostscript,
                            fakeProcedure([&](const QString& path, ConversionContext& context) {
                                events.append("begin " + path);
                                if (path == "/in/2.pdf")
                                    makeTheGesture(*form, gesture);
                                context.jpgCreated = path <= "/in/2.pdf";
                                events.append("end " + path);
                            }));
    harness.ui.questionAnswers.enqueue(answer);
    harness.ui.onQuestion = [&](const RecordingUserInterface::Message& question) {
        events.append("asked");
        QCOMPARE(question.text, Form1::StopQuestion);
        QCOMPARE(form->windowPointer(), MousePointer::Hourglass);
    };
    form = harness.makeForm();
    form->controls().Option2->click();
    form->show();
    QApplication::setActiveWindow(form.get());
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->controls().Txt_Pages->setFocus();
    form->fileList().append(FiveEntries);

    form->controls().Check2->click();
    QStringList expected;
    for (const QString& path : converted) {
        expected << "begin " + path;
        if (path == "/in/2.pdf")
            expected << "asked"; // the entry under way waits for the answer
        expected << "end " + path;
    }
    QCOMPARE(events, expected);
    QCOMPARE(harness.ui.messageTexts(), messages);
    QCOMPARE(form->progressValue(), 0.0f);
    QCOMPARE(form->windowPointer(), MousePointer::Default);
    QVERIFY(!form->driver().isRunning());
    QCOMPARE(form->fileList().entries(), FiveEntries);
    QCOMPARE(form->controls().Check2->value(), 0);
}

void TestWindowRun::escapeWithoutARunAsksNothing() {
    FormHarness harness;
    auto form = harness.makeForm();
    form->show();
    QApplication::setActiveWindow(form.get());
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->fileList().append(FiveEntries);
    QTest::keyClick(form->controls().Txt_Pages, Qt::Key_Escape);
    QVERIFY(harness.ui.questions.isEmpty());
    QVERIFY(harness.ui.messages.isEmpty());
    QCOMPARE(form->fileList().entries(), FiveEntries);
}

// The window converts every entry, however long the list.
void TestWindowRun::everyEntryOfAVeryLongList() {
    FormHarness harness;
    constexpr int Count = 40000;
    int calls = 0;
    QString last;
    harness.methods.replace(ConversionMethod::Ghostscript,
                            fakeProcedure([&](const QString& path, ConversionContext& context) {
                                ++calls;
                                last = path;
                                context.jpgCreated = true;
                            }));
    auto form = harness.makeForm();
    form->controls().Option2->click();
    QStringList entries;
    for (int i = 1; i <= Count; ++i)
        entries.append(QStringLiteral("/in/%1.pdf").arg(i));
    form->fileList().append(entries);
    form->controls().Check2->click();
    QCOMPARE(calls, Count);
    QCOMPARE(last, QStringLiteral("/in/%1.pdf").arg(Count));
    QCOMPARE(harness.ui.messageTexts(), QStringList{"Done."});
}

// The real box: Yes and No buttons, and only Yes agrees; Enter and Escape alone never do.
void TestWindowRun::realQuestionBox_data() {
    QTest::addColumn<QString>("press"); // a button's text, or a key
    QTest::addColumn<QuestionAnswer>("answer");
    QTest::newRow("Yes") << "&Yes" << QuestionAnswer::Yes;
    QTest::newRow("No") << "&No" << QuestionAnswer::No;
    QTest::newRow("Enter") << "Enter" << QuestionAnswer::No;
    QTest::newRow("Escape") << "Escape" << QuestionAnswer::No;
}

void TestWindowRun::realQuestionBox() {
    QFETCH(QString, press);
    QFETCH(QuestionAnswer, answer);
    QWidget owner;
    QtUserInterface ui(&owner);
    QStringList seen;
    // Runs inside the box's own event loop, once the box is up.
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen << box->windowTitle() << box->text();
        for (QAbstractButton* button : box->buttons())
            seen << button->text();
        if (press == "Enter" || press == "Escape") {
            QTest::keyClick(box, press == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* button : box->buttons())
            if (button->text() == press)
                button->click();
    });
    QCOMPARE(ui.askQuestion("Stop?", {}), answer);
    seen.sort();
    QCOMPARE(seen, (QStringList{"&No", "&Yes", "Pagekiln", "Stop?"}));
}

QTEST_MAIN(TestWindowRun)
#include "tst_window_run.moc"
