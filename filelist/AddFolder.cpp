#include "filelist/AddFolder.h"

#include "filelist/FileListModel.h"
#include "filelist/FolderScan.h"
#include "platform/UserInterface.h"

#include <QEventLoop>
#include <QPointer>

AddFolderOutcome AddAllPdfFilesInFolder(FileListModel& list, UserInterface& ui,
                                        WindowPointer& window) {
    const QString folder = ui.askFolder(AddFolderPrompt);
    if (folder.isEmpty())
        return AddFolderOutcome::Cancelled;

    window.setWindowPointer(MousePointer::Hourglass);
    const QPointer<FileListModel> target(&list);

    FolderScan scan(folder);
    QEventLoop wait;
    QObject::connect(&scan, &FolderScan::finished, &wait, &QEventLoop::quit);
    scan.start();
    // Ends when the scan has finished, or earlier when the application quits (which ends
    // every running event loop); the scan's own flag tells the two apart.
    wait.exec();

    if (!scan.isFinished()) {
        scan.stop();
        window.setWindowPointer(MousePointer::Default);
        return AddFolderOutcome::Interrupted;
    }
    if (target)
        target->append(scan.takeEntries());
    window.setWindowPointer(MousePointer::Default);
    return AddFolderOutcome::Added;
}
