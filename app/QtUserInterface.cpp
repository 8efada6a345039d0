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
    return classicOpenFileAnswer(QFileDialog::getOpenFileNames(m_owner, title, {}, filter));
}

QStringList classicOpenFileAnswer(const QStringList& paths) {
    if (paths.size() <= 1)
        return paths;
    // The dialog's recent and search views, and typed names such as "sub/b.pdf", pick files of
    // several folders: the answer's folder is the one they all lie in, and each name keeps
    // the rest of its own path.
    QStringList common = QFileInfo(paths.first()).absolutePath().split(QLatin1Char('/'));
    for (const QString& path : paths) {
        const QStringList parts = QFileInfo(path).absolutePath().split(QLatin1Char('/'));
        qsizetype shared = 0;
        while (shared < common.size() && shared < parts.size() &&
               common.at(shared) == parts.at(shared))
            ++shared;
        common = common.mid(0, shared);
    }
    // Only the root folder ends with its separator: the names start right after it.
    QString folder = common.join(QLatin1Char('/'));
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    const qsizetype nameStart =
        folder.endsWith(QLatin1Char('/')) ? folder.size() : folder.size() + 1;
    QStringList answer{folder};
    for (const QString& path : paths)
        answer.append(QFileInfo(path).absoluteFilePath().mid(nameStart));
    return answer;
}

QString QtUserInterface::askFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(m_owner, title, {}, QFileDialog::ShowDirsOnly);
}

QuestionAnswer QtUserInterface::askQuestion(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption.isEmpty() ? ApplicationTitle : caption, text,
                    QMessageBox::Yes | QMessageBox::No, m_owner);
    // Enter alone never agrees to something that ends work; Escape answers No.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? QuestionAnswer::Yes : QuestionAnswer::No;
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
