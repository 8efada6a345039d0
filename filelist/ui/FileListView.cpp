#include "filelist/ui/FileListView.h"

#include "filelist/FileListModel.h"
#include "platform/FileNames.h"
#include "platform/NativeNames.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>

#include <algorithm>

namespace {
constexpr int ColumnWidthPixels = 367; // 5500 twips

// The file a dropped URL names, byte for byte: its path's escapes undone without reading them
// as UTF-8, which a name that is not UTF-8 would not survive.
QString droppedPath(const QUrl& url) {
    if (!url.host().isEmpty())
        return url.toLocalFile();
    return decodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}
} // namespace

FileListView::FileListView(FileListModel* model, WindowPointer* windowPointer,
                           QString programFolder, QWidget* parent)
    : QTreeView(parent), m_model(model), m_windowPointer(windowPointer),
      m_programFolder(std::move(programFolder)) {
    setModel(model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setToolTip(ToolTip);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->resizeSection(0, ColumnWidthPixels);

    // Entries are moved by the press-and-drag gesture below, never carried off in a drag of
    // the list's own; the list only receives drops.
    setDragEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    // Moves without a pressed button matter too: they reset the window's pointer.
    viewport()->setMouseTracking(true);
}

int FileListView::dragItemPosition() const {
    return m_dragItem.isValid() ? m_dragItem.row() + 1 : 0;
}

bool FileListView::acceptsDrop(const QMimeData* data) const {
    // A drop during a conversion is taken like the buttons' adds: the model holds it back
    // until the run ends.
    if (m_dropAcceptance != DropAcceptance::Files || data == nullptr || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty())
        return false;
    return std::all_of(urls.begin(), urls.end(), [](const QUrl& url) {
        return url.isLocalFile() && !url.toLocalFile().isEmpty();
    });
}

void FileListView::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsDrop(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
}

void FileListView::dropEvent(QDropEvent* event) {
    if (!acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    // Every path as given, in the order of the drop: any file type, a folder as one entry.
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths.append(droppedPath(url));
    m_model->append(paths);
    event->acceptProposedAction();
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    m_buttonIsDown = true;
    QTreeView::mousePressEvent(event);
    const QModelIndex clicked = indexAt(event->position().toPoint());
    if (clicked.isValid())
        onItemClick(clicked);
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
    onMouseMove(event->position().toPoint());
    // With a button down the gesture is ours alone: the base class would drag the selection
    // along behind the pointer.
    if (!m_buttonIsDown)
        QTreeView::mouseMoveEvent(event);
}

void FileListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    onMouseUp();
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click arrives as this event alone.
    m_buttonIsDown = true;
    event->accept();
    onDoubleClick();
}

void FileListView::onItemClick(const QModelIndex& clicked) {
    const QString iconPath = m_programFolder + QLatin1Char('/') + DragIconName;
    if (FileExists(iconPath)) {
        const QPixmap picture(iconPath);
        if (!picture.isNull()) {
            setListPointer(QCursor(picture), MousePointer::Custom);
        }
    }
    // No file drops while an entry is being pressed and dragged; they are taken again once
    // the button is released.
    m_dropAcceptance = DropAcceptance::None;
    selectionModel()->setCurrentIndex(clicked, QItemSelectionModel::ClearAndSelect);
    m_dragItem = clicked;
}

void FileListView::onDoubleClick() {
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    // Refused while a conversion runs; the persistent drag item forgets a removed entry.
    m_model->remove(selected.first().row() + 1);
}

void FileListView::onMouseMove(const QPoint& position) {
    resetWindowPointer();
    if (!m_buttonIsDown)
        return;
    // Below or above the list this is the entry just past its edge, so a pointer held there
    // keeps carrying the entry on while the list scrolls.
    const QModelIndex under = indexAt(position);
    if (exchangeWithDragItem(under) == Exchange::Done)
        scrollAtEdges(position, under);
}

void FileListView::onMouseUp() {
    m_buttonIsDown = false;
    m_dropAcceptance = DropAcceptance::Files;
    setListPointer(Qt::ArrowCursor, MousePointer::Arrow);
}

void FileListView::resetWindowPointer() {
    if (m_windowPointer == nullptr)
        return;
    const MousePointer current = m_windowPointer->windowPointer();
    if (current != MousePointer::Hourglass && current != MousePointer::Default)
        m_windowPointer->setWindowPointer(MousePointer::Default);
}

Exchange FileListView::exchangeWithDragItem(const QModelIndex& under) {
    if (!m_dragItem.isValid() || !under.isValid() || m_model->isFrozen())
        return Exchange::NotDone;
    const int from = m_dragItem.row() + 1;
    const int to = under.row() + 1;
    const QString dragged = m_model->text(from);
    const QString reached = m_model->text(to);
    if (dragged == reached)
        return Exchange::NotDone;
    m_model->setText(from, reached);
    m_model->setText(to, dragged);
    selectionModel()->setCurrentIndex(under, QItemSelectionModel::ClearAndSelect);
    m_dragItem = under;
    return Exchange::Done;
}

void FileListView::scrollAtEdges(const QPoint& position, const QModelIndex& reached) {
    // Decided by where the pointer is in the list itself: within one row of its top or
    // bottom edge, or beyond it, the neighbour on that side is brought into view.
    const int rowHeight = std::max(visualRect(reached).height(), 1);
    const int p = reached.row() + 1;
    if (position.y() < rowHeight && p > 1) {
        scrollTo(m_model->index(p - 2), QAbstractItemView::EnsureVisible);
    } else if (position.y() >= viewport()->height() - rowHeight && p + 1 <= m_model->count()) {
        scrollTo(m_model->index(p), QAbstractItemView::EnsureVisible);
    }
}

void FileListView::setListPointer(const QCursor& cursor, MousePointer pointer) {
    viewport()->setCursor(cursor);
    m_listPointer = pointer;
}
