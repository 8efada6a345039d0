#include "app/Form1.h"

#include "app/ActionButton.h"
#include "app/QtUserInterface.h"
#include "app/Startup.h"
#include "filelist/AddFiles.h"
#include "filelist/AddFolder.h"
#include "filelist/ui/FileListView.h"
#include "platform/FileNames.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>

namespace {

const char* const ColourProperty = "pagekilnColour";
const QStringList StandardResolutions{QStringLiteral("72"), QStringLiteral("144"),
                                      QStringLiteral("288"), QStringLiteral("576"),
                                      QStringLiteral("1152")};

void setLabelColour(QLabel* label, LabelColour colour) {
    label->setProperty(ColourProperty, static_cast<unsigned>(colour));
    QPalette palette = label->palette();
    QColor shown;
    switch (colour) {
    case LabelColour::Black:
        shown = Qt::black;
        break;
    case LabelColour::GrayText:
        shown = QPalette().color(QPalette::Disabled, QPalette::WindowText);
        break;
    case LabelColour::ButtonText:
        shown = QPalette().color(QPalette::Active, QPalette::ButtonText);
        break;
    }
    palette.setColor(QPalette::WindowText, shown);
    label->setPalette(palette);
}

QIcon transparentIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    if (m_services.ui) {
        m_ui = m_services.ui;
    } else {
        m_ownUi = std::make_unique<QtUserInterface>(this);
        m_ui = m_ownUi.get();
    }
    setWindowTitle(QStringLiteral("Form1"));
    setWindowIcon(transparentIcon());
    setFixedSize(FormClientWidth, FormClientHeight);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Button, Qt::white);
    setPalette(white);
    setMouseTracking(true);

    m_controls =
        buildForm1Layout(this, &m_list, this, m_services.programFolder, m_services.methods);
    setLabelColour(m_controls.Label3, LabelColour::Black);
    setLabelColour(m_controls.Label1, LabelColour::ButtonText);
    m_controls.Command1->setFocus();

    m_context = std::make_unique<ConversionContext>(ConversionContext{
        *this, *m_ui, m_services.programFolder, m_services.workFolder, m_services.automation});
    m_driver = std::make_unique<BatchDriver>(m_list, *this, *m_context, m_services.methods);
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::connectHandlers() {
    const Form1Controls& c = m_controls;
    connect(c.Check1, &ActionButton::clickEvent, this, &Form1::Check1_Click);
    connect(c.Check2, &ActionButton::clickEvent, this, &Form1::Check2_Click);
    connect(c.Check3, &ActionButton::clickEvent, this, &Form1::Check3_Click);
    connect(c.Check4, &ActionButton::clickEvent, this, &Form1::Check4_Click);
    for (const auto& [method, button] : c.options)
        connect(button, &QRadioButton::clicked, this, [this, m = method] { Option_Click(m); });
    const auto store = [this](AppSettings::Key key) {
        return [this, key](const QString& text) { m_settings.write(key, text); };
    };
    connect(c.txtLocalFolder, &QLineEdit::textChanged, this, store(AppSettings::Key::LocalFolder));
    connect(c.Txt_Pages, &QLineEdit::textChanged, this, store(AppSettings::Key::Pages));
    connect(c.Combo_Resolution, &QComboBox::editTextChanged, this,
            store(AppSettings::Key::Resolution));
    for (ActionButton* button : {c.Check1, c.Check2, c.Check3, c.Check4})
        button->installEventFilter(this);
    // Escape anywhere in the window asks to stop a run, whichever control has the focus.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &Form1::askToStop);
}

void Form1::load() {
    centreOnScreen();
    m_handCursor = loadCursorFile(m_services.programFolder + QStringLiteral("/HAND-M.CUR"));
    if (m_services.random && homePageDraw(m_services.random()) == HomePageNumber &&
        m_services.openHomePage)
        m_services.openHomePage(HomePageAddress);
    setWindowTitle(QStringLiteral("Pagekiln"));
    // The list's column and the progress bar's white background are part of their design.
    QPalette bar = m_controls.ProgressBar1->palette();
    bar.setColor(QPalette::Base, Qt::white);
    bar.setColor(QPalette::Window, Qt::white);
    m_controls.ProgressBar1->setPalette(bar);
    restoreSettings();
}

void Form1::restoreSettings() {
    const Form1Controls& c = m_controls;
    const StoredChoices stored = m_settings.read();
    c.txtLocalFolder->setText(stored.localFolder);
    // Only the four exact codes select a method; anything else keeps the design state.
    if (const MethodEntry* entry = m_services.methods.byCode(stored.option))
        selectMethod(entry->method);
    {
        // Filling the list must not change the edit text (nor store anything).
        const QSignalBlocker quiet(c.Combo_Resolution);
        const QString shown = c.Combo_Resolution->currentText();
        c.Combo_Resolution->addItems(StandardResolutions);
        c.Combo_Resolution->setEditText(shown);
    }
    c.Combo_Resolution->setEditText(stored.resolution);
    c.Txt_Pages->setText(stored.pages);
}

void Form1::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

QRadioButton* Form1::optionOf(ConversionMethod method) const {
    for (const auto& [shown, button] : m_controls.options) {
        if (shown == method)
            return button;
    }
    return nullptr;
}

// Selecting an option raises its click, as the user's click does.
void Form1::selectMethod(ConversionMethod method) {
    if (QRadioButton* button = optionOf(method)) {
        button->setChecked(true);
        Option_Click(method);
    }
}

// An option click stores the method's code; only GflAx needs the frame below the options.
void Form1::Option_Click(ConversionMethod method) {
    const Form1Controls& c = m_controls;
    m_settings.write(AppSettings::Key::Option, m_services.methods[method].code);
    const bool gflax = method == ConversionMethod::GflAx;
    c.Frame2->setEnabled(gflax);
    const LabelColour colour = gflax ? LabelColour::Black : LabelColour::GrayText;
    setLabelColour(c.Label3, colour);
    setLabelColour(c.Label1, colour);
}

void Form1::Check1_Click() {
    if (!m_controls.Check1->takePress())
        return;
    AddPdfFilesByDialog(m_list, *m_ui);
}

void Form1::Check2_Click() {
    if (!m_controls.Check2->takePress())
        return;
    if (m_driver->isRunning())
        return askToStop();
    m_driver->run();
}

// Runs inside the wait of the conversion under way, so the run holds until the box is closed.
void Form1::askToStop() {
    if (!m_driver->isRunning() || m_driver->stopRequested())
        return;
    if (m_ui->askQuestion(StopQuestion, {}) == QuestionAnswer::Yes)
        m_driver->requestStop();
}

void Form1::Check3_Click() {
    if (!m_controls.Check3->takePress())
        return;
    const QString chosen = m_ui->askFolder(QStringLiteral("Select a Folder"));
    if (chosen.isEmpty())
        return;
    m_controls.txtLocalFolder->setText(collapseDoubledSeparators(chosen + QLatin1Char('/')));
}

void Form1::Check4_Click() {
    if (!m_controls.Check4->takePress())
        return;
    AddAllPdfFilesInFolder(m_list, *m_ui, *this);
}

std::optional<ConversionMethod> Form1::selectedMethod() const {
    for (const auto& [method, button] : m_controls.options) {
        if (button->isChecked())
            return method;
    }
    return std::nullopt;
}

void Form1::setProgress(float value) {
    m_progress = value;
    m_controls.ProgressBar1->setValue(static_cast<int>(value));
}

void Form1::setWindowPointer(MousePointer pointer) {
    m_pointer = pointer;
    switch (pointer) {
    case MousePointer::Hourglass:
        setCursor(Qt::WaitCursor);
        break;
    case MousePointer::Custom:
        if (m_handCursor)
            setCursor(*m_handCursor);
        else
            unsetCursor();
        break;
    case MousePointer::Arrow:
        setCursor(Qt::ArrowCursor);
        break;
    case MousePointer::Default:
        unsetCursor();
        break;
    }
}

QString Form1::outputFolderText() const {
    return m_controls.txtLocalFolder->text();
}
QString Form1::resolutionText() const {
    return m_controls.Combo_Resolution->currentText();
}
QString Form1::pagesText() const {
    return m_controls.Txt_Pages->text();
}

LabelColour Form1::labelColour(const QLabel* label) {
    return static_cast<LabelColour>(label->property(ColourProperty).toUInt());
}

void Form1::hoverActionButton() {
    if (m_pointer != MousePointer::Hourglass)
        setWindowPointer(MousePointer::Custom);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        hoverActionButton();
    } else if (event->type() == QEvent::MouseMove) {
        hoverActionButton();
        // A move without a pressed button ends here: passed on, it would reach the window
        // background and give the default pointer back at once.
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    if (m_pointer != MousePointer::Hourglass)
        setWindowPointer(MousePointer::Default);
    QWidget::mouseMoveEvent(event);
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        emit firstShown();
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    keepSettings();
    if (m_services.onClose)
        m_services.onClose();
}
