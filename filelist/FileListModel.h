#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The work queue: an ordered list of PDF paths, shown by the list view and read by the batch
// driver. Positions are 1-based in the public operations. Entries are appended, never sorted
// and never de-duplicated.
//
// While a conversion runs the list is frozen: removals and text changes are refused, and
// appended entries wait and are added, in order, when the run ends, so nothing is lost.
class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    static inline const QString ColumnTitle = QStringLiteral("PDF File(s)");

    int count() const { return static_cast<int>(m_entries.size()); }
    QString text(int position) const; // "" outside 1..count
    QStringList entries() const { return m_entries; }

    void append(const QString& text);
    void append(const QStringList& texts);
    bool remove(int position);                     // false when out of range or frozen
    bool setText(int position, const QString& text); // false when out of range or frozen

    bool isFrozen() const { return m_frozen; }
    void setFrozen(bool frozen);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void frozenChanged(bool frozen);

private:
    QStringList m_entries;
    QStringList m_pending;
    bool m_frozen = false;
};
