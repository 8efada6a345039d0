#include "filelist/ui/FileListView.h"

#include "filelist/FileListModel.h"

#include <QHeaderView>

namespace {
constexpr int ColumnWidthPixels = 367; // 5500 twips
}

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
}
