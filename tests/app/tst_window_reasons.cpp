#include "app/QtUserInterface.h"
#include "convert/BatchDriver.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// The real boxes of the reasons: the warning keeps its text, caption, icon and OK button and
// carries the reason as its details; the password question masks what is typed.
class TestWindowReasons : public QObject {
    Q_OBJECT
private slots:
    void warningCarriesTheReasonAsDetails();
    void passwordQuestion_data();
    void passwordQuestion();
};

void TestWindowReasons::warningCarriesTheReasonAsDetails() {
    QWidget owner;
    QtUserInterface ui(&owner);
    QString title;
    QString text;
    QString details;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    // Runs inside the box's own event loop, once the box is up.
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        details = box->detailedText();
        icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            if (box->standardButton(button) != QMessageBox::NoButton)
                buttons.append(box->standardButton(button));
        box->button(QMessageBox::Ok)->click();
    });
    ui.showDetailedMessage(BatchDriver::FailurePrefix + "/in/a.pdf", MessageStyle::Warning,
                           BatchDriver::FailureCaption, "The PDF needs a password.");
    QCOMPARE(title, QString("Could not create JPG"));
    QCOMPARE(text, QString("Could not create JPG on /in/a.pdf"));
    QCOMPARE(details, QString("The PDF needs a password."));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
}

void TestWindowReasons::passwordQuestion_data() {
    QTest::addColumn<bool>("accept");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::newRow("OK") << true << std::optional<QString>("s3cret word");
    QTest::newRow("Cancel") << false << std::optional<QString>();
}

void TestWindowReasons::passwordQuestion() {
    QFETCH(bool, accept);
    QFETCH(std::optional<QString>, answer);
    QWidget owner;
    QtUserInterface ui(&owner);
    QString title;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        title = dialog->windowTitle();
        echo = dialog->textEchoMode();
        auto* field = dialog->findChild<QLineEdit*>();
        QVERIFY(field);
        QTest::keyClicks(field, "s3cret word");
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    QCOMPARE(ui.askPassword("Password", "Password for /in/a.pdf:"), answer);
    QCOMPARE(title, QString("Password"));
    QCOMPARE(echo, QLineEdit::Password);
}

QTEST_MAIN(TestWindowReasons)
#include "tst_window_reasons.moc"
