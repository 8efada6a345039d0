#include "filelist/AddFiles.h"

#include "filelist/FileListModel.h"
#include "platform/FileNames.h"
#include "platform/UserInterface.h"

QStringList entriesFromDialogAnswer(const QStringList& answer) {
    if (answer.size() <= 1)
        return answer.size() == 1 && answer.first().isEmpty() ? QStringList{} : answer;
    QStringList entries;
    entries.reserve(answer.size() - 1);
    const QString& folder = answer.first();
    for (qsizetype i = 1; i < answer.size(); ++i) {
        // A name that is a full path already (a dialog's search view gives such) stands alone.
        const QString& name = answer.at(i);
        entries.append(name.startsWith(QLatin1Char('/'))
                           ? name
                           : collapseDoubledSeparators(folder + QLatin1Char('/') + name));
    }
    return entries;
}

void AddPdfFilesByDialog(FileListModel& list, UserInterface& ui) {
    list.append(entriesFromDialogAnswer(ui.askOpenFileNames(AddFilesTitle, AddFilesFilter)));
}
