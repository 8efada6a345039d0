#include "app/QtUserInterface.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

void QtUserInterface::showMessage(const QString& text, MessageStyle style, const QString& caption) {
    showDetailedMessage(text, style, caption, {});
}

void QtUserInterface::showDetailedMessage(const QString& text, MessageStyle style,
                                          const QString& caption, const QString& detail) {
    QMessageBox box(style == MessageStyle::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    caption.isEmpty() ? ApplicationTitle : caption, text, QMessageBox::Ok, m_owner);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    box.exec();
}

std::optional<QString> QtUserInterface::askPassword(const QString& title, const QString& text) {
    bool accepted = false;
    const QString password =
        QInputDialog::getText(m_owner, title, text, QLineEdit::Password, {}, &accepted);
    if (!accepted)
        return std::nullopt;
    return password;
}

QStringList QtUserInterface::askOpenFileNames(const QString& title, const QString& filter) {
    const QStringList paths = QFileDialog::getOpenFileNames(m_owner, title, {}, filter);
    if (paths.size() <= 1)
        return paths;
    // The classic answer for several files: their folder, then the bare names in order. The
    // dialog picks files of one folder, so the first one's folder serves for all.
    QStringList answer{QFileInfo(paths.first()).absolutePath()};
    for (const QString& path : paths)
        answer.append(QFileInfo(path).fileName());
    return answer;
}

QString QtUserInterface::askFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(m_owner, title, {}, QFileDialog::ShowDirsOnly);
}

void QtUserInterface::setApplicationPointer(MousePointer pointer) {
    if (pointer == MousePointer::Default) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        return;
    }
    const QCursor cursor(pointer == MousePointer::Hourglass ? Qt::WaitCursor : Qt::ArrowCursor);
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(cursor);
    else
        QApplication::setOverrideCursor(cursor);
}
