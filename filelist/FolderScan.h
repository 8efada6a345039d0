#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <thread>

// Folder paths in the order a scan visits them, each ending in exactly one separator.
using FolderQueue = QStringList;

// Set from another thread to make a running scan give up at the next folder.
using StopFlag = std::atomic<bool>;

// The queue's form of a folder: the folder text with one trailing separator, so that the
// root folder "/" stays "/" instead of becoming "//".
QString queuedFolder(const QString& folder);

// Appends to queue every folder below the folders it holds, level by level: first the
// subfolders of the queued folders (grouped by parent, in the queue's order, each group in
// natural name order), then their subfolders in the same way, until a level has none.
// Hidden folders (names beginning with ".") are never entered; a folder that cannot be listed
// contributes nothing. A folder reached a second time through a symbolic link (a link cycle,
// or two links to one folder) is entered only the first time, so the scan always ends and
// never lists a file twice.
void CollectSubfolders(FolderQueue& queue, const StopFlag* stop = nullptr);

// Full paths of the PDF files ("*.pdf" without regard to case) in folder and in every folder
// below it, in the order of CollectSubfolders, each folder's names in natural order. Names
// beginning with "~" (editors' lock and temporary files) are skipped. Empty when stopped.
QStringList CollectPdfFiles(const QString& folder, const StopFlag* stop = nullptr);

// A folder of a tree that could not be listed: the PDFs it may hold are unknown.
struct UnreadableFolder {
    QString path;   // as the scan reached it, without a final separator
    QString reason; // in the system's words ("Permission denied")
};

// What CollectPdfFiles finds, with the folders of the tree (folder itself included) that
// could not be listed, in the order the scan met them.
struct PdfFileScan {
    QStringList pdfs;
    QList<UnreadableFolder> unreadable;
};
PdfFileScan ScanPdfFiles(const QString& folder, const StopFlag* stop = nullptr);

// One scan of a folder tree on a worker thread, so that the window keeps handling events
// while a large tree is read. Each scan owns its queue and results: scans started while
// another one runs do not disturb it.
class FolderScan : public QObject {
    Q_OBJECT
public:
    explicit FolderScan(QString folder, QObject* parent = nullptr);
    ~FolderScan() override; // stops the worker and waits for it

    void start();
    void stop(); // asks the worker to give up, and waits until it has
    bool isFinished() const { return m_finished.load(); }

    // The scan's entries, once finished() has been delivered; empty before.
    QStringList takeEntries();

signals:
    // Emitted from the worker thread once its entries are complete; reaches receivers of
    // the starting thread through their event loop.
    void finished();

private:
    QString m_folder;
    StopFlag m_stop{false};
    std::atomic<bool> m_finished{false};
    QStringList m_entries;
    std::thread m_worker;
};
