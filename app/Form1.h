#pragma once

#include "app/Form1Layout.h"
#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "convert/MethodTable.h"
#include "filelist/FileListModel.h"
#include "platform/AppSettings.h"

#include <QCursor>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class AutomationHost;
class QLabel;
class QRadioButton;
class UserInterface;

// Text colours the window gives the two labels of the GflAx frame.
enum class LabelColour : unsigned {
    Black = 0x000000,
    GrayText = 0x80000011,   // the system's grey-text colour
    ButtonText = 0x80000012, // the system's button-text colour
};

// What the window is given from outside: the dialogs, where its files live, and the random
// draw and browser launch of the home-page start-up step (tests replace both).
struct Form1Services {
    UserInterface* ui = nullptr; // null: the window shows real Qt dialogs
    QString programFolder;
    QString workFolder;
    AutomationHost* automation = nullptr;
    MethodTable methods;
    std::function<double()> random; // 0 <= r < 1
    std::function<void(const QString& address)> openHomePage;
    std::function<void()> onClose; // runs when the window is closed; ends the program
};

// The main window: its controls, its own handlers, and the glue to the list, the driver and
// the settings store.
class Form1 : public QWidget, public DriverWindow, public ConversionView {
    Q_OBJECT
public:
    explicit Form1(Form1Services services, QWidget* parent = nullptr);
    ~Form1() override;

    static inline const QString HomePageAddress = QStringLiteral("https://pagekiln.example.org/");
    static inline const QString StopQuestion =
        QStringLiteral("Stop converting after the PDF under way?");

    // The start sequence, run once before the window is first shown.
    void load();

    const Form1Controls& controls() const { return m_controls; }
    FileListModel& fileList() { return m_list; }
    UserInterface& ui() { return *m_ui; }
    BatchDriver& driver() { return *m_driver; }
    float progressValue() const { return m_progress; }
    static LabelColour labelColour(const QLabel* label);

    // Handlers of the action buttons, and of the option button of a method.
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Option_Click(ConversionMethod method);

    // Puts every setting written so far on the disk, before the program ends at once.
    void keepSettings() { m_settings.flush(); }

    // DriverWindow
    std::optional<ConversionMethod> selectedMethod() const override;
    void setProgress(float value) override;
    MousePointer windowPointer() const override { return m_pointer; }
    void setWindowPointer(MousePointer pointer) override;

    // ConversionView
    QString outputFolderText() const override;
    QString resolutionText() const override;
    QString pagesText() const override;

signals:
    void firstShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectHandlers();
    void selectMethod(ConversionMethod method);
    QRadioButton* optionOf(ConversionMethod method) const;
    void restoreSettings();
    void centreOnScreen();
    void hoverActionButton();
    void askToStop();

    Form1Services m_services;
    std::unique_ptr<UserInterface> m_ownUi;
    UserInterface* m_ui = nullptr;
    AppSettings m_settings;
    FileListModel m_list;
    Form1Controls m_controls;
    std::optional<QCursor> m_handCursor;
    MousePointer m_pointer = MousePointer::Default;
    float m_progress = 0.0f;
    std::unique_ptr<ConversionContext> m_context;
    std::unique_ptr<BatchDriver> m_driver;
    bool m_shown = false;
};
