#pragma once

#include <QToolButton>

// A check box drawn as a push button, with its caption under a 32 x 32 picture. A press sets
// the value to 1 and raises the click; the command behind it acts only when it finds the value
// 1, and sets it back to 0 first, so the button springs up at once and the second click that
// this raises does nothing.
class ActionButton : public QToolButton {
    Q_OBJECT
public:
    ActionButton(const QString& caption, const QIcon& picture, QWidget* parent);

    int value() const { return isChecked() ? 1 : 0; }
    void setValue(int value) { setChecked(value == 1); }

    // True when the click found the button pressed; the button is then released.
    bool takePress();

protected:
    // The caption wraps under the picture, as a graphical check box shows it, rather than
    // being cut short.
    void paintEvent(QPaintEvent* event) override;

signals:
    // Raised on every change of the value, as the check box's click event is.
    void clickEvent();
};
