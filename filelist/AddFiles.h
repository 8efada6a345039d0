#pragma once

#include <QStringList>

class FileListModel;
class UserInterface;

// "Add PDF File(s)": asks for files in the multi-selection dialog and appends them.
void AddPdfFilesByDialog(FileListModel& list, UserInterface& ui);

// The entries for a dialog answer: nothing when cancelled, the one full path as it stands, or
// the folder joined with each name (a doubled separator collapsed, so a root folder gives
// "/a.pdf"; a name may hold subfolders, and a full path stands as it is), in the dialog's
// order.
QStringList entriesFromDialogAnswer(const QStringList& answer);

inline const QString AddFilesTitle =
    QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files");
inline const QString AddFilesFilter = QStringLiteral("PDF Files (*.pdf)");
