#pragma once

#include "platform/UserInterface.h"

#include <QPersistentModelIndex>
#include <QTreeView>

class FileListModel;
class QMimeData;

// Whether the list takes files dropped on it.
enum class DropAcceptance {
    Files, // local files and folders are accepted
    None,  // nothing is accepted
};

// Whether a mouse move exchanged two entries' texts.
enum class Exchange {
    Done,
    NotDone,
};

// The file list as the user sees it: one user-resizable column "PDF File(s)", scrolling
// horizontally once the column is wider than the list. It takes files dropped from a file
// manager, removes the selected entry on a double-click, and moves an entry up or down while
// the user presses on it and drags: each entry the pointer reaches swaps texts with the
// dragged one. While a conversion runs (the model is frozen) removal and moving do nothing,
// and dropped files wait in the model to join the list when the run ends.
class FileListView : public QTreeView {
    Q_OBJECT
public:
    FileListView(FileListModel* model, WindowPointer* windowPointer, QString programFolder,
                 QWidget* parent = nullptr);

    static inline const QString ToolTip = QStringLiteral(
        "Drag and drop files here. Double-click item to remove it. Move bar to right and out of "
        "window to reveal full names.");
    static inline const QString DragIconName = QStringLiteral("drag.ico");

    bool buttonIsDown() const { return m_buttonIsDown; }
    int dragItemPosition() const; // 1-based; 0 when there is none
    DropAcceptance dropAcceptance() const { return m_dropAcceptance; }
    MousePointer listPointer() const { return m_listPointer; }
    bool acceptsDrop(const QMimeData* data) const;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void onItemClick(const QModelIndex& clicked);
    void onDoubleClick();
    void onMouseMove(const QPoint& position);
    void onMouseUp();
    void resetWindowPointer();
    Exchange exchangeWithDragItem(const QModelIndex& under);
    void scrollAtEdges(const QPoint& position, const QModelIndex& reached);
    void setListPointer(const QCursor& cursor, MousePointer pointer);

    FileListModel* m_model;
    WindowPointer* m_windowPointer;
    QString m_programFolder;

    bool m_buttonIsDown = false;
    QPersistentModelIndex m_dragItem; // follows its entry; invalid once the entry is removed
    DropAcceptance m_dropAcceptance = DropAcceptance::Files;
    MousePointer m_listPointer = MousePointer::Default;
};
