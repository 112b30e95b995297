#pragma once

#include "contact_record.h"

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace qor {

// The contact list's rows: the only place contacts are held while the program runs. Row 0 is
// on top; each row holds 34 texts in column order. New rows go in at row 0; nothing sorts.
//
// The table also knows how wide its texts are. Each cell's width is measured once, when the
// cell is set, and each column keeps the widest; a column is measured again from the cached
// widths only when its widest cell was changed or deleted. So sizing the columns after an add
// or an update costs 34 measurements, not 34 times the number of rows.
class ContactTable : public QAbstractTableModel {
    Q_OBJECT
public:
    using Measure = std::function<int(std::string_view utf8)>;

    explicit ContactTable(QObject* parent = nullptr);
    ~ContactTable() override;

    // How cell widths are measured; re-measures every cell.
    void setMeasure(Measure measure);

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    ContactRecord record(int row) const;
    // Puts row `row` into `into`, reusing its strings' memory.
    void copyRecord(int row, ContactRecord& into) const;
    // Column `column`'s text of row `row`, valid until that row changes or goes.
    std::string_view text(int row, std::size_t column) const
    {
        return m_rows[static_cast<std::size_t>(row)]->text(column);
    }
    bool hasRow(int row) const { return row >= 0 && row < rowCount(); }

    void insertAtTop(const ContactRecord& record);
    // Inserts `records` so that the last of them ends up at row 0, in one step.
    void insertAllAtTop(std::vector<ContactRecord>&& records);
    // Overwrites row `row`; a row that does not exist changes nothing.
    void setRecord(int row, const ContactRecord& record);
    // Removes row `row`; a row that does not exist changes nothing.
    void removeRowAt(int row);

    // The widest cell of `column`, as the measure gives it; 0 for an empty table.
    int contentWidth(int column) const;

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // A row keeps its 34 texts one after another in one string, with where each ends: a big
    // book holds mostly short texts, and 34 separate strings would cost more than the texts.
    struct Row {
        std::string texts;
        std::array<std::uint32_t, kFieldCount> ends{};
        std::array<int, kFieldCount> widths{};
        std::string_view text(std::size_t column) const
        {
            const std::uint32_t begin = column == 0 ? 0 : ends[column - 1];
            return std::string_view(texts).substr(begin, ends[column] - begin);
        }
    };
    std::unique_ptr<Row> makeRow(const ContactRecord& record) const;
    void widen(const Row& row);
    void remeasureColumn(std::size_t column) const;

    std::vector<std::unique_ptr<Row>> m_rows;
    Measure m_measure;
    mutable std::array<int, kFieldCount> m_widest{};
    mutable std::array<bool, kFieldCount> m_stale{}; // the widest cell has gone: scan again
};

} // namespace qor
