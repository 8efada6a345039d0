#include "filelist/FolderScan.h"

#include "platform/ExactFiles.h"
#include "platform/FileNames.h"

#include <QSet>

#include <functional>

namespace {

constexpr QChar Separator = QLatin1Char('/');
const QString PdfPattern = QStringLiteral("*.pdf");

bool stopRequested(const StopFlag* stop) {
    return stop != nullptr && stop->load();
}

bool isHiddenName(const QString& name) {
    return name.startsWith(QLatin1Char('.'));
}

// The folder's identity on disk, whatever links lead to it; empty when it is gone.
QString canonicalFolder(const QString& path) {
    return canonicalPath(path);
}

QString childPath(const QString& folder, const QString& name) {
    return folder.endsWith(Separator) ? folder + name : folder + Separator + name;
}

struct QueuedFolder {
    QString path;     // as the scan reached it, ending in one separator
    QString identity; // canonical path
};

// Reads every folder of the queue and of the levels below it exactly once, in queue order,
// hands each reading to visit, and appends each level's new folders to the queue.
void walkLevels(FolderQueue& queue, const StopFlag* stop,
                const std::function<void(const FolderContents&)>& visit) {
    QSet<QString> entered;
    QList<QueuedFolder> level;
    for (const QString& path : std::as_const(queue)) {
        const QString identity = canonicalFolder(path);
        entered.insert(identity);
        level.append({path, identity});
    }
    while (!level.isEmpty()) {
        QList<QueuedFolder> next;
        for (const QueuedFolder& parent : std::as_const(level)) {
            if (stopRequested(stop))
                return;
            FolderContents contents = ReadFolder(parent.path);
            visit(contents);
            contents.folders.removeIf(isHiddenName);
            sortNaturally(contents.folders);
            for (const QString& name : std::as_const(contents.folders)) {
                const QString path = parent.path + name;
                // Only a link can lead somewhere already entered; a plain subfolder of a
                // known folder is known by its name.
                const QString identity = contents.linkedFolders.contains(name)
                                             ? canonicalFolder(path)
                                             : childPath(parent.identity, name);
                if (identity.isEmpty() || entered.contains(identity))
                    continue;
                entered.insert(identity);
                next.append({path + Separator, identity});
            }
        }
        for (const QueuedFolder& folder : std::as_const(next))
            queue.append(folder.path);
        level = std::move(next);
    }
}

} // namespace

QString queuedFolder(const QString& folder) {
    return folder.endsWith(Separator) ? folder : folder + Separator;
}

void CollectSubfolders(FolderQueue& queue, const StopFlag* stop) {
    walkLevels(queue, stop, [](const FolderContents&) {});
}

QStringList CollectPdfFiles(const QString& folder, const StopFlag* stop) {
    return ScanPdfFiles(folder, stop).pdfs;
}

PdfFileScan ScanPdfFiles(const QString& folder, const StopFlag* stop) {
    FolderQueue queue{queuedFolder(folder)};
    // Folders are read in queue order, so the n-th reading belongs to the n-th queued folder;
    // each folder is read once for its subfolders and its PDF files together.
    QList<QStringList> pdfNames;
    QList<QString> errors;
    walkLevels(queue, stop, [&pdfNames, &errors](const FolderContents& contents) {
        pdfNames.append(MatchingFiles(contents, PdfPattern));
        errors.append(contents.error);
    });
    if (stopRequested(stop))
        return {};
    PdfFileScan scan;
    for (qsizetype i = 0; i < queue.size(); ++i) {
        // queue.at(i) ends in exactly one separator, also for the root folder
        const QString& path = queue.at(i);
        if (!errors.at(i).isEmpty())
            scan.unreadable.append({path.size() > 1 ? path.chopped(1) : path, errors.at(i)});
        for (const QString& name : std::as_const(pdfNames.at(i))) {
            if (!name.startsWith(QLatin1Char('~')))
                scan.pdfs.append(path + name);
        }
    }
    return scan;
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
