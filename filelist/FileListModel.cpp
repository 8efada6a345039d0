#include "filelist/FileListModel.h"

#include "platform/NativeNames.h"

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

QString FileListModel::text(int position) const {
    if (position < 1 || position > count())
        return {};
    return m_entries.at(position - 1);
}

void FileListModel::append(const QString& text) {
    append(QStringList{text});
}

void FileListModel::append(const QStringList& texts) {
    if (texts.isEmpty())
        return;
    if (m_frozen) {
        m_pending += texts;
        return;
    }
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(texts.size()) - 1);
    m_entries += texts;
    endInsertRows();
}

bool FileListModel::remove(int position) {
    if (m_frozen || position < 1 || position > count())
        return false;
    beginRemoveRows({}, position - 1, position - 1);
    m_entries.removeAt(position - 1);
    endRemoveRows();
    return true;
}

bool FileListModel::setText(int position, const QString& text) {
    if (m_frozen || position < 1 || position > count())
        return false;
    m_entries[position - 1] = text;
    const QModelIndex changed = index(position - 1);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::ToolTipRole});
    return true;
}

void FileListModel::setFrozen(bool frozen) {
    if (m_frozen == frozen)
        return;
    m_frozen = frozen;
    if (!frozen && !m_pending.isEmpty()) {
        const QStringList pending = std::exchange(m_pending, {});
        append(pending);
    }
    emit frozenChanged(frozen);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    // The entry itself is edited; a name with bytes that are not UTF-8 shows them as "\xe9".
    if (role == Qt::DisplayRole)
        return printableFileName(m_entries.at(index.row()));
    if (role == Qt::EditRole)
        return m_entries.at(index.row());
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return ColumnTitle;
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
