#include "convert/GhostscriptMessages.h"

#include <QFile>
#include <QStringList>

namespace {

// Ghostscript frames its notices with asterisks and indents them.
QString cleaned(const QString& line) {
    QString text = line.trimmed();
    while (text.startsWith(QLatin1Char('*')))
        text = text.mid(1).trimmed();
    if (text.startsWith(QLatin1String("Error:")))
        text = text.mid(6).trimmed();
    return text;
}

bool reportsError(const QString& line) {
    return line.contains(QLatin1String("Error"), Qt::CaseInsensitive) ||
           line.contains(QLatin1String("failed"), Qt::CaseInsensitive);
}

// The closing banner ("GPL Ghostscript 10.00.0: Unrecoverable error, exit code 1") says
// nothing the exit status does not; the lines before it name the fault.
bool isBanner(const QString& line) {
    return line.contains(QLatin1String("Ghostscript")) && line.contains(QLatin1String("exit code"));
}

} // namespace

GhostscriptMessages parseGhostscriptMessages(const QString& text) {
    GhostscriptMessages messages;
    QString lastLine;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString clean = cleaned(line);
        if (clean.isEmpty() || isBanner(clean))
            continue;
        if (clean.contains(QLatin1String("requires a password"), Qt::CaseInsensitive))
            messages.needsPassword = true;
        // Ghostscript goes on, and ends with success, when it could not draw or write a page:
        // "Page drawing error occurred. Could not draw this page at all, page will be missing
        // in the output."
        if (clean.contains(QLatin1String("page will be missing"), Qt::CaseInsensitive))
            messages.pageMissing = true;
        if (reportsError(line))
            messages.lastError = clean;
        lastLine = clean;
    }
    if (messages.lastError.isEmpty())
        messages.lastError = lastLine;
    if (messages.lastError.endsWith(QLatin1Char('.')))
        messages.lastError.chop(1);
    return messages;
}

GhostscriptMessages readGhostscriptMessages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The end of a long run of messages is what matters; keep the reading bounded.
    constexpr qint64 kTail = 64 * 1024;
    if (file.size() > kTail)
        file.seek(file.size() - kTail);
    return parseGhostscriptMessages(QString::fromLocal8Bit(file.readAll()));
}
