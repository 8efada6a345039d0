#pragma once

#include "convert/ConversionMethod.h"

#include <QString>

#include <utility>
#include <vector>

class ActionButton;
class FileListModel;
class FileListView;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;
class MethodTable;
class WindowPointer;

// The controls of the main window, named as in its design.
struct Form1Controls {
    FileListView* ListView1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr; // "Adobe Acrobat Pro"
    QRadioButton* Option2 = nullptr; // "Ghostscript"
    QRadioButton* Option3 = nullptr; // "Black/White"
    QRadioButton* Option4 = nullptr; // "GflAx"
    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Txt_Pages = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* Combo_Resolution = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtLocalFolder = nullptr;
    ActionButton* Check3 = nullptr; // "..."
    ActionButton* Check1 = nullptr; // "Add PDF File(s)"
    ActionButton* Check4 = nullptr; // "Add All PDF File(s) In Folder"
    ActionButton* Check2 = nullptr; // "Convert!"
    QProgressBar* ProgressBar1 = nullptr;

    // The option button of each method, in the order of the method table.
    std::vector<std::pair<ConversionMethod, QRadioButton*>> options;
};

// Client area of the window in pixels (6975 x 5775 twips).
inline constexpr int FormClientWidth = 465;
inline constexpr int FormClientHeight = 385;

// Twips (1/1440 inch) to device-independent pixels at 96 dpi.
constexpr int twips(int value) {
    return value / 15;
}

// Creates every control of the window in its design state: place, size, caption, font,
// picture and tab order. The option buttons take their captions and methods from methods.
Form1Controls buildForm1Layout(QWidget* form, FileListModel* list, WindowPointer* pointer,
                               const QString& programFolder, const MethodTable& methods);
