#include "platform/Desktop.h"

#include <QProcess>

void OpenInBrowser(const QString& address) {
    QProcess::startDetached(QStringLiteral("xdg-open"), {address});
}
