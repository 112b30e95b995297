#pragma once

#include "contact_store.h"

namespace qor {

// The list's selection mark: the row the user last marked with the mouse or the keyboard, -1
// before any. The commands that work on "the contact in the list" (Update, Delete) take this
// row. It follows its contact when rows are inserted or removed above it, stays on its contact
// whatever find shows, and is -1 again when its row is deleted.
class ListMark : public StoreObserver {
public:
    explicit ListMark(const ContactStore& store) : m_store(store) {}

    int row() const { return m_row; }
    bool isSet() const { return m_row >= 0; }
    // Marks `row`; a row the store does not have clears the mark.
    void set(int row) { m_row = m_store.hasRow(row) ? row : -1; }
    void clear() { m_row = -1; }

    void rowsInserted(int first, int last) override
    {
        if (m_row >= first)
            m_row += last - first + 1;
    }
    void rowsRemoved(int first, int last) override
    {
        if (m_row > last)
            m_row -= last - first + 1;
        else if (m_row >= first)
            m_row = -1;
    }

private:
    const ContactStore& m_store;
    int m_row = -1;
};

} // namespace qor
