#include "cli/ConsoleUserInterface.h"

#include <QMutexLocker>

void ConsoleUserInterface::showMessage(const QString& text, MessageStyle, const QString&) {
    printLine(text);
}

void ConsoleUserInterface::printLine(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    QMutexLocker lock(&m_mutex);
    if (m_statusShown) {
        std::fputs("\r\033[K", m_stream);
        m_statusShown = false;
    }
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), m_stream);
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
}

void ConsoleUserInterface::printStatus(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    QMutexLocker lock(&m_mutex);
    std::fputs("\r\033[K", m_stream);
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), m_stream);
    std::fflush(m_stream);
    m_statusShown = true;
}
