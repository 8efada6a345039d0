#pragma once

#include <QString>

class FileListModel;
class UserInterface;
class WindowPointer;

// What one run of "Add All PDF File(s) In Folder" came to.
enum class AddFolderOutcome {
    Cancelled,   // no folder chosen: nothing changed
    Added,       // the scan ended and its entries (possibly none) were appended
    Interrupted, // the program is ending: the scan was stopped and nothing was appended
};

inline const QString AddFolderPrompt = QStringLiteral("Please select folder to add:");

// "Add All PDF File(s) In Folder": asks for a folder and appends every PDF file in it and in
// the folders below it, level by level (see CollectPdfFiles). The window shows the hourglass
// while the tree is read on a worker thread; meanwhile the event loop keeps running, so other
// commands (another scan, a conversion) may run inside this call. The entries go to the end of
// the list in one piece when the scan ends.
AddFolderOutcome AddAllPdfFilesInFolder(FileListModel& list, UserInterface& ui,
                                        WindowPointer& window);
