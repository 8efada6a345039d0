#include "platform/WorkFolder.h"

#include <QDir>

WorkFolder::WorkFolder() : m_dir(QDir::tempPath() + QStringLiteral("/pagekiln-XXXXXX")) {}

QString WorkFolder::subfolder(const QString& name) const {
    const QString folder = m_dir.path() + QLatin1Char('/') + name + QLatin1Char('/');
    QDir().mkpath(folder);
    return folder;
}
