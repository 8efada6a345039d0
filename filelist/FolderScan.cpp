#include "filelist/FolderScan.h"

#include "platform/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

constexpr QChar Separator = QLatin1Char('/');
const QString PdfPattern = QStringLiteral("*.pdf");

bool stopRequested(const StopFlag* stop) {
    return stop != nullptr && stop->load();
}

bool isHiddenName(const QString& name) {
    return name.startsWith(QLatin1Char('.'));
}

// Names of the subfolders of folder that a scan enters, in natural order. Symbolic links to
// folders count as folders; where they lead is checked by the caller.
QStringList listSubfolders(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    names.removeIf(isHiddenName);
    sortNaturally(names);
    return names;
}

// The folder's identity on disk, whatever links lead to it; empty when it is gone.
QString canonicalFolder(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

QString queuedFolder(const QString& folder) {
    return folder.endsWith(Separator) ? folder : folder + Separator;
}

void CollectSubfolders(FolderQueue& queue, const StopFlag* stop) {
    QSet<QString> entered;
    for (const QString& folder : std::as_const(queue))
        entered.insert(canonicalFolder(folder));

    FolderQueue level = queue;
    while (!level.isEmpty() && !stopRequested(stop)) {
        FolderQueue next;
        for (const QString& parent : std::as_const(level)) {
            if (stopRequested(stop))
                return;
            for (const QString& name : listSubfolders(parent)) {
                const QString path = parent + name;
                const QString identity = canonicalFolder(path);
                if (identity.isEmpty() || entered.contains(identity))
                    continue;
                entered.insert(identity);
                next.append(path + Separator);
            }
        }
        queue += next;
        level = std::move(next);
    }
}

QStringList CollectPdfFiles(const QString& folder, const StopFlag* stop) {
    FolderQueue queue{queuedFolder(folder)};
    CollectSubfolders(queue, stop);
    QStringList entries;
    for (const QString& queued : std::as_const(queue)) {
        if (stopRequested(stop))
            return {};
        // queued ends in exactly one separator, also for the root folder
        for (const QString& name : ListFolderFiles(queued, PdfPattern)) {
            if (!name.startsWith(QLatin1Char('~')))
                entries.append(queued + name);
        }
    }
    return entries;
}

FolderScan::FolderScan(QString folder, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)) {}

FolderScan::~FolderScan() {
    stop();
}

void FolderScan::start() {
    if (m_worker.joinable())
        return;
    m_worker = std::thread([this] {
        QStringList entries = CollectPdfFiles(m_folder, &m_stop);
        if (m_stop.load())
            return;
        m_entries = std::move(entries);
        m_finished.store(true);
        emit finished();
    });
}

void FolderScan::stop() {
    m_stop.store(true);
    if (m_worker.joinable())
        m_worker.join();
}

QStringList FolderScan::takeEntries() {
    if (!m_finished.load())
        return {};
    // The worker has published its entries; joining makes sure it no longer touches them.
    if (m_worker.joinable())
        m_worker.join();
    return std::exchange(m_entries, {});
}
