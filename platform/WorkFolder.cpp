#include "platform/WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

// A running converter writes a page in a few milliseconds at best, while one pass over the
// folder takes a fraction of that; a handful of passes outlasts it.
constexpr int RemovalPasses = 50;

const QString Prefix = QStringLiteral("pagekiln-");

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
}

QByteArray bootId() {
    return readSmallFile(QStringLiteral("/proc/sys/kernel/random/boot_id")).trimmed();
}

// Field 22 of /proc/<pid>/stat, counted after the command name, which may hold anything.
QByteArray startTimeOf(qint64 processId) {
    const QByteArray stat = readSmallFile(QStringLiteral("/proc/%1/stat").arg(processId));
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return {};
    const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');
    constexpr int StartTimeAfterName = 19; // field 22 is the 20th after "pid (name)"
    return fields.size() > StartTimeAfterName ? fields.at(StartTimeAfterName) : QByteArray();
}

bool ownerRuns(const QString& folder) {
    const QByteArray record = readSmallFile(folder + QLatin1Char('/') + WorkFolder::OwnerFileName);
    const QList<QByteArray> fields = record.trimmed().split(' ');
    bool ok = false;
    const qint64 processId = fields.size() == 3 ? fields.at(1).toLongLong(&ok) : 0;
    if (!ok || processId <= 0)
        return true; // unreadable or half written: perhaps a folder just being made
    return ownerRecordOf(processId).toLatin1() == record.trimmed();
}

} // namespace

const QString WorkFolder::OwnerFileName = QStringLiteral("owner");

WorkFolder::WorkFolder() : m_dir(QDir::tempPath() + QLatin1Char('/') + Prefix + "XXXXXX") {
    m_dir.setAutoRemove(false);
    if (!m_dir.isValid())
        return;
    QFile owner(m_dir.filePath(OwnerFileName));
    if (owner.open(QIODevice::WriteOnly))
        owner.write(ownerRecordOf(::getpid()).toLatin1() + '\n');
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

QString ownerRecordOf(qint64 processId) {
    const QByteArray started = startTimeOf(processId);
    if (started.isEmpty())
        return {};
    return QString::fromLatin1(bootId() + ' ' + QByteArray::number(processId) + ' ' + started);
}

int removeStaleWorkFolders(const QString& tempFolder) {
    const QDir temp(tempFolder);
    const QFileInfoList candidates = temp.entryInfoList(
        QStringList{Prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    int removed = 0;
    for (const QFileInfo& candidate : candidates) {
        if (candidate.isSymLink() || candidate.ownerId() != ::getuid())
            continue;
        const QString folder = candidate.absoluteFilePath();
        if (!QFileInfo::exists(folder + QLatin1Char('/') + WorkFolder::OwnerFileName) ||
            ownerRuns(folder))
            continue;
        if (QDir(folder).removeRecursively())
            ++removed;
    }
    return removed;
}

int removeStaleWorkFolders() {
    return removeStaleWorkFolders(QDir::tempPath());
}
