#pragma once

#include <QTreeView>

class FileListModel;
class WindowPointer;

// The file list as the user sees it: one user-resizable column "PDF File(s)", scrolling
// horizontally once the column is wider than the list.
class FileListView : public QTreeView {
    Q_OBJECT
public:
    FileListView(FileListModel* model, WindowPointer* windowPointer, QString programFolder,
                 QWidget* parent = nullptr);

    static inline const QString ToolTip = QStringLiteral(
        "Drag and drop files here. Double-click item to remove it. Move bar to right and out of "
        "window to reveal full names.");

private:
    FileListModel* m_model;
    WindowPointer* m_windowPointer;
    QString m_programFolder;
};
