#include "app/ButtonPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int Side = 32;

QPixmap blank() {
    QPixmap pixmap(Side, Side);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A white page with a folded corner and a red "PDF" band, the common base of two pictures.
void drawPage(QPainter& painter) {
    QPainterPath page;
    page.moveTo(6, 2);
    page.lineTo(20, 2);
    page.lineTo(26, 8);
    page.lineTo(26, 30);
    page.lineTo(6, 30);
    page.closeSubpath();
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(Qt::white);
    painter.drawPath(page);
    painter.drawLine(20, 2, 20, 8);
    painter.drawLine(20, 8, 26, 8);
    painter.fillRect(QRect(8, 11, 13, 6), QColor(200, 30, 30));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(6);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 11, 13, 6), Qt::AlignCenter, QStringLiteral("PDF"));
    painter.setPen(QColor(160, 160, 160));
    for (int y = 20; y <= 26; y += 3)
        painter.drawLine(9, y, 23, y);
}

} // namespace

QIcon ButtonPictures::addFiles() {
    QPixmap pixmap = blank();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawPage(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 20, 20));
    painter.drawRect(22, 15, 4, 14);
    painter.drawRect(17, 20, 14, 4);
    return QIcon(pixmap);
}

QIcon ButtonPictures::convert() {
    QPixmap pixmap = blank();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawPage(painter);
    const QRect picture(17, 18, 14, 12);
    painter.setPen(QColor(60, 60, 60));
    painter.setBrush(QColor(120, 180, 240));
    painter.drawRect(picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(50, 150, 60));
    painter.drawPolygon(QPolygon({QPoint(18, 29), QPoint(23, 22), QPoint(27, 26), QPoint(30, 29)}));
    painter.setBrush(QColor(250, 210, 40));
    painter.drawEllipse(QPoint(27, 21), 2, 2);
    return QIcon(pixmap);
}

QIcon ButtonPictures::addFolder() {
    QPixmap pixmap = blank();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(150, 110, 10));
    painter.setBrush(QColor(230, 180, 40));
    painter.drawPolygon(QPolygon({QPoint(2, 8), QPoint(11, 8), QPoint(14, 11), QPoint(26, 11),
                                  QPoint(26, 27), QPoint(2, 27)}));
    painter.setBrush(QColor(255, 215, 80));
    painter.drawPolygon(QPolygon({QPoint(7, 15), QPoint(31, 15), QPoint(26, 27), QPoint(2, 27)}));
    return QIcon(pixmap);
}

QIcon ButtonPictures::transparent() {
    return QIcon(blank());
}
