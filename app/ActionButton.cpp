#include "app/ActionButton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

#include <algorithm>

ActionButton::ActionButton(const QString& caption, const QIcon& picture, QWidget* parent)
    : QToolButton(parent) {
    setText(caption);
    setIcon(picture);
    setIconSize(QSize(32, 32));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    connect(this, &QToolButton::toggled, this, &ActionButton::clickEvent);
}

bool ActionButton::takePress() {
    if (value() != 1)
        return false;
    setValue(0);
    return true;
}

void ActionButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);

    constexpr int Margin = 3;
    constexpr int Gap = 2;
    const QRect area = rect().adjusted(Margin, Margin, -Margin, -Margin);
    const bool withPicture = toolButtonStyle() != Qt::ToolButtonTextOnly && !icon().isNull();
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    const QRect textBounds = painter.fontMetrics().boundingRect(area, flags, text());
    const int pictureHeight = withPicture ? iconSize().height() + Gap : 0;
    const int top =
        area.top() + std::max(0, (area.height() - pictureHeight - textBounds.height()) / 2);
    if (withPicture) {
        const QRect pictureRect(area.center().x() - iconSize().width() / 2 + 1, top,
                                iconSize().width(), iconSize().height());
        painter.drawPixmap(pictureRect, icon().pixmap(iconSize()));
    }
    const QRect textRect(area.left(), top + pictureHeight, area.width(), textBounds.height());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, flags, text());
}
