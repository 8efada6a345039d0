#include "app/ActionButton.h"
#include "filelist/ui/FileListView.h"
#include "support/FormHarness.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// Every control of the window against the design table (twips, 15 to a pixel) and its font.
class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_form.reset(); }
    void geometryAndFont_data();
    void geometryAndFont();
    void autoSizedLabels();
    void captionsAndPictures();
    void tabOrder();
    void listColumn();

private:
    QWidget* control(const QString& name) const;
    FormHarness m_harness;
    std::unique_ptr<Form1> m_form;
};

void TestLayout::initTestCase() {
    m_form = m_harness.makeForm();
}

QWidget* TestLayout::control(const QString& name) const {
    const Form1Controls& c = m_form->controls();
    const QMap<QString, QWidget*> byName{{"ListView1", c.ListView1},
                                         {"Frame1", c.Frame1},
                                         {"Option2", c.Option2},
                                         {"Option4", c.Option4},
                                         {"Option3", c.Option3},
                                         {"Option1", c.Option1},
                                         {"Frame2", c.Frame2},
                                         {"Label3", c.Label3},
                                         {"Txt_Pages", c.Txt_Pages},
                                         {"Label1", c.Label1},
                                         {"Combo_Resolution", c.Combo_Resolution},
                                         {"Command1", c.Command1},
                                         {"Label4", c.Label4},
                                         {"txtLocalFolder", c.txtLocalFolder},
                                         {"Check3", c.Check3},
                                         {"Check1", c.Check1},
                                         {"Check4", c.Check4},
                                         {"Check2", c.Check2},
                                         {"ProgressBar1", c.ProgressBar1}};
    return byName.value(name);
}

void TestLayout::geometryAndFont_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twipRect");
    QTest::addColumn<double>("points"); // 0: no text of its own

    auto row = [](const char* name, const char* container, int l, int t, int w, int h,
                  double points) {
        QTest::newRow(name) << QString(name) << QString(container) << QRect(l, t, w, h) << points;
    };
    row("ListView1", "form", 120, 120, 6735, 1575, 9);
    row("Frame1", "form", 135, 1800, 6720, 780, 9);
    row("Option2", "Frame1", 240, 315, 1455, 285, 9);
    row("Option4", "Frame1", 1800, 315, 780, 285, 9);
    row("Option3", "Frame1", 2880, 315, 1455, 285, 9);
    row("Option1", "Frame1", 4440, 315, 1950, 285, 9);
    row("Frame2", "form", 120, 2640, 6735, 735, 9);
    row("Txt_Pages", "Frame2", 1920, 225, 855, 375, 9);
    row("Combo_Resolution", "Frame2", 4440, 240, 1095, 345, 9);
    row("Command1", "form", -720, 2640, 615, 495, 0);
    row("Label4", "form", 120, 3510, 1815, 255, 9.75);
    row("txtLocalFolder", "form", 1620, 3480, 4440, 360, 9.75);
    row("Check3", "form", 6120, 3480, 735, 360, 11.25);
    row("Check1", "form", 120, 3960, 2175, 1215, 11.25);
    row("Check4", "form", 2400, 3960, 2175, 1215, 11.25);
    row("Check2", "form", 4680, 3960, 2175, 1215, 11.25);
    row("ProgressBar1", "form", 120, 5280, 6735, 375, 0);
}

void TestLayout::geometryAndFont() {
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, twipRect);
    QFETCH(double, points);
    QWidget* widget = control(name);
    QVERIFY(widget);
    QWidget* expectedParent = container == "form" ? m_form.get() : control(container);
    QCOMPARE(widget->parentWidget(), expectedParent);
    const QRect pixels(twipRect.x() / 15, twipRect.y() / 15, twipRect.width() / 15,
                       twipRect.height() / 15);
    QCOMPARE(widget->geometry(), pixels);
    if (points > 0) {
        QCOMPARE(widget->font().family(), QString("Arial"));
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().weight(), QFont::Bold);
        QVERIFY(!widget->font().italic() && !widget->font().underline());
    }
}

void TestLayout::autoSizedLabels() {
    const Form1Controls& c = m_form->controls();
    QCOMPARE(c.Label3->parentWidget(), static_cast<QWidget*>(c.Frame2));
    QCOMPARE(c.Label3->pos(), QPoint(225 / 15, 270 / 15));
    QCOMPARE(c.Label1->pos(), QPoint(3240 / 15, 270 / 15));
    for (QLabel* label : {c.Label3, c.Label1}) {
        QCOMPARE(label->font().pointSizeF(), 9.0);
        QVERIFY(label->width() >= QFontMetrics(label->font()).horizontalAdvance(label->text()));
    }
    // Command1 lies wholly outside the client area.
    QVERIFY(c.Command1->geometry().right() < 0);
}

void TestLayout::captionsAndPictures() {
    const Form1Controls& c = m_form->controls();
    QCOMPARE(c.Frame1->title(), QString("Conversion Methods"));
    QCOMPARE(c.Frame2->title(), QString("GflAx Option"));
    QCOMPARE(c.Option1->text(), QString("Adobe Acrobat Pro"));
    QCOMPARE(c.Option2->text(), QString("Ghostscript"));
    QCOMPARE(c.Option3->text(), QString("Black/White"));
    QCOMPARE(c.Option4->text(), QString("GflAx"));
    QCOMPARE(c.Label3->text(), QString("Number of Pages:"));
    QCOMPARE(c.Label1->text(), QString("Resolution:"));
    QCOMPARE(c.Label4->text(), QString("Output Folder:"));
    QCOMPARE(c.Check1->text(), QString("Add PDF File(s)"));
    QCOMPARE(c.Check2->text(), QString("Convert!"));
    QCOMPARE(c.Check3->text(), QString("..."));
    QCOMPARE(c.Check4->text(), QString("Add All PDF File(s) In Folder"));
    for (ActionButton* button : {c.Check1, c.Check2, c.Check4}) {
        const QImage picture = button->icon().pixmap(32, 32).toImage();
        QCOMPARE(picture.size(), QSize(32, 32));
        QVERIFY2(!picture.isNull() && picture.pixelColor(16, 16).alpha() > 0,
                 qPrintable(button->text()));
    }
    // "..." and the window icon are fully transparent.
    for (const QIcon& icon : {c.Check3->icon(), m_form->windowIcon()}) {
        const QImage image = icon.pixmap(32, 32).toImage();
        bool anyVisible = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                anyVisible |= image.pixelColor(x, y).alpha() != 0;
        QVERIFY(!anyVisible);
    }
    QCOMPARE(c.ProgressBar1->minimum(), 0);
    QCOMPARE(c.ProgressBar1->maximum(), 100);
}

void TestLayout::tabOrder() {
    const Form1Controls& c = m_form->controls();
    const QList<QWidget*> expected{c.Command1, c.Check1,         c.Check2,  c.ListView1,
                                   c.Check4,   c.Option1,        c.Option2, c.Option3,
                                   c.Check3,   c.txtLocalFolder, c.Option4, c.Combo_Resolution,
                                   c.Txt_Pages};
    // Walk the focus chain once round, keeping the controls of the table in the order met.
    QList<QWidget*> met;
    QWidget* widget = c.Command1;
    do {
        if (expected.contains(widget) && !met.contains(widget))
            met.append(widget);
        widget = widget->nextInFocusChain();
    } while (widget && widget != c.Command1);
    QCOMPARE(met, expected);
}

void TestLayout::listColumn() {
    FileListView* list = m_form->controls().ListView1;
    QCOMPARE(list->model()->columnCount(), 1);
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QString("PDF File(s)"));
    QCOMPARE(list->header()->sectionSize(0), 367);
    QCOMPARE(list->header()->sectionResizeMode(0), QHeaderView::Interactive);
    QVERIFY(!list->rootIsDecorated());
    QCOMPARE(list->toolTip(),
             QString("Drag and drop files here. Double-click item to remove it. Move bar to right "
                     "and out of window to reveal full names."));
    QCOMPARE(list->model()->rowCount(), 0);
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
