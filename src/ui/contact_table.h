#pragma once

#include "contact_store.h"

#include <QAbstractTableModel>

namespace qor {

// The contact list's rows as Qt's views read them: a model over the session's ContactStore,
// which holds every contact. It holds none itself; it turns the store's changes into the
// model's signals and its texts into cells.
class ContactTable : public QAbstractTableModel, private StoreObserver {
    Q_OBJECT
public:
    explicit ContactTable(ContactStore& store, QObject* parent = nullptr);
    ~ContactTable() override;

    ContactStore& store() const { return m_store; }
    int rowCount() const { return m_store.rowCount(); }
    bool hasRow(int row) const { return m_store.hasRow(row); }
    ContactRecord record(int row) const { return m_store.record(row); }
    int contentWidth(int column) const { return m_store.contentWidth(column); }

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void rowsAboutToBeInserted(int first, int last) override { beginInsertRows({}, first, last); }
    void rowsInserted(int, int) override { endInsertRows(); }
    void rowsAboutToBeRemoved(int first, int last) override { beginRemoveRows({}, first, last); }
    void rowsRemoved(int, int) override { endRemoveRows(); }
    void rowChanged(int row) override;

    ContactStore& m_store;
};

} // namespace qor
