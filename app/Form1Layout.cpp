#include "app/Form1Layout.h"

#include "app/ActionButton.h"
#include "app/ButtonPictures.h"
#include "convert/MethodTable.h"
#include "filelist/ui/FileListView.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace {

// Arial bold at the three sizes of the design.
QFont arialBold(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}
const double Small = 9.0;
const double Medium = 9.75;
const double Large = 11.25;

template <typename Widget> Widget* place(Widget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return widget;
}

// Where each option button of the design sits in its frame, left to right.
struct OptionPlace {
    const char* control;
    QRadioButton* Form1Controls::*button;
    int left;
    int width;
};
constexpr std::array<OptionPlace, 4> OptionPlaces{{
    {"Option2", &Form1Controls::Option2, 240, 1455},
    {"Option4", &Form1Controls::Option4, 1800, 780},
    {"Option3", &Form1Controls::Option3, 2880, 1455},
    {"Option1", &Form1Controls::Option1, 4440, 1950},
}};

// The option buttons, each showing the caption of the method the table gives its control.
void buildOptions(QWidget* frame, Form1Controls& c, const MethodTable& methods) {
    for (const OptionPlace& where : OptionPlaces) {
        auto* button = place(new QRadioButton(frame), where.left, 315, where.width, 285);
        button->setFont(arialBold(Small));
        c.*where.button = button;
    }
    for (const MethodEntry& entry : methods.entries()) {
        for (const OptionPlace& where : OptionPlaces) {
            if (entry.control != QLatin1String(where.control))
                continue;
            (c.*where.button)->setText(entry.caption);
            c.options.emplace_back(entry.method, c.*where.button);
        }
    }
}

QLabel* label(QWidget* parent, const QString& caption, double points) {
    auto* text = new QLabel(caption, parent);
    text->setFont(arialBold(points));
    return text;
}

ActionButton* actionButton(QWidget* form, const QString& caption, const QIcon& picture, int left,
                           int top, int width, int height, double points) {
    auto* button = place(new ActionButton(caption, picture, form), left, top, width, height);
    button->setFont(arialBold(points));
    return button;
}

void buildMethodFrames(QWidget* form, Form1Controls& c, const MethodTable& methods) {
    c.Frame1 =
        place(new QGroupBox(QStringLiteral("Conversion Methods"), form), 135, 1800, 6720, 780);
    c.Frame1->setFont(arialBold(Small));
    buildOptions(c.Frame1, c, methods);
    c.Option2->setChecked(true);

    c.Frame2 = place(new QGroupBox(QStringLiteral("GflAx Option"), form), 120, 2640, 6735, 735);
    c.Frame2->setFont(arialBold(Small));
    c.Label3 =
        place(label(c.Frame2, QStringLiteral("Number of Pages:"), Small), 225, 270, 1515, 225);
    c.Txt_Pages = place(new QLineEdit(c.Frame2), 1920, 225, 855, 375);
    c.Txt_Pages->setFont(arialBold(Small));
    c.Label1 = place(label(c.Frame2, QStringLiteral("Resolution:"), Small), 3240, 270, 945, 225);
    // Both labels fit their width to their caption.
    c.Label3->adjustSize();
    c.Label1->adjustSize();
    c.Combo_Resolution = place(new QComboBox(c.Frame2), 4440, 240, 1095, 345);
    c.Combo_Resolution->setFont(arialBold(Small));
    c.Combo_Resolution->setEditable(true);
    c.Combo_Resolution->setInsertPolicy(QComboBox::NoInsert);
    c.Combo_Resolution->setEditText(QStringLiteral("144"));
    c.Frame2->setEnabled(false);
}

void buildOutputRow(QWidget* form, Form1Controls& c) {
    c.Command1 = place(new QPushButton(QStringLiteral("Command1"), form), -720, 2640, 615, 495);
    c.Command1->setAutoDefault(false);
    c.Label4 = place(label(form, QStringLiteral("Output Folder:"), Medium), 120, 3510, 1815, 255);
    c.txtLocalFolder = place(new QLineEdit(form), 1620, 3480, 4440, 360);
    c.txtLocalFolder->setFont(arialBold(Medium));
    c.Check3 = actionButton(form, QStringLiteral("..."), ButtonPictures::transparent(), 6120, 3480,
                            735, 360, Large);
    c.Check3->setToolButtonStyle(Qt::ToolButtonTextOnly);
}

void buildActionRow(QWidget* form, Form1Controls& c) {
    c.Check1 = actionButton(form, QStringLiteral("Add PDF File(s)"), ButtonPictures::addFiles(),
                            120, 3960, 2175, 1215, Large);
    c.Check4 = actionButton(form, QStringLiteral("Add All PDF File(s) In Folder"),
                            ButtonPictures::addFolder(), 2400, 3960, 2175, 1215, Large);
    c.Check2 = actionButton(form, QStringLiteral("Convert!"), ButtonPictures::convert(), 4680, 3960,
                            2175, 1215, Large);
    c.ProgressBar1 = place(new QProgressBar(form), 120, 5280, 6735, 375);
    c.ProgressBar1->setRange(0, 100);
    c.ProgressBar1->setValue(0);
    c.ProgressBar1->setTextVisible(false);
    c.ProgressBar1->setFocusPolicy(Qt::NoFocus);
}

// Tab order of the design: the off-screen Command1 first, so it holds the focus at start and
// no visible control shows a focus mark.
void setTabOrder(const Form1Controls& c) {
    const QList<QWidget*> order{c.Command1, c.Check1,         c.Check2,  c.ListView1,
                                c.Check4,   c.Option1,        c.Option2, c.Option3,
                                c.Check3,   c.txtLocalFolder, c.Option4, c.Combo_Resolution,
                                c.Txt_Pages};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

} // namespace

Form1Controls buildForm1Layout(QWidget* form, FileListModel* list, WindowPointer* pointer,
                               const QString& programFolder, const MethodTable& methods) {
    Form1Controls c;
    c.ListView1 = place(new FileListView(list, pointer, programFolder, form), 120, 120, 6735, 1575);
    c.ListView1->setFont(arialBold(Small));
    buildMethodFrames(form, c, methods);
    buildOutputRow(form, c);
    buildActionRow(form, c);
    setTabOrder(c);
    return c;
}
