#include "platform/WorkFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {
// A running converter writes a page in a few milliseconds at best, while one pass over the
// folder takes a fraction of that; a handful of passes outlasts it.
constexpr int RemovalPasses = 50;
} // namespace

WorkFolder::WorkFolder() : m_dir(QDir::tempPath() + QStringLiteral("/pagekiln-XXXXXX")) {
    m_dir.setAutoRemove(false);
}

WorkFolder::~WorkFolder() {
    removeNow();
}

QString WorkFolder::subfolder(const QString& name) const {
    const QString folder = m_dir.path() + QLatin1Char('/') + name + QLatin1Char('/');
    QDir().mkpath(folder);
    return folder;
}

bool WorkFolder::removeNow() {
    if (m_removed || !m_dir.isValid())
        return true;
    for (int pass = 0; pass < RemovalPasses && !m_removed; ++pass) {
        QDir(m_dir.path()).removeRecursively();
        m_removed = !QFileInfo::exists(m_dir.path());
    }
    return m_removed;
}
