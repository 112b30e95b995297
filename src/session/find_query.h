#pragma once

#include "contact_store.h"

#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Which rows find shows as the user types: every row for an empty query (or one that folds to
// nothing), else the rows whose search text holds the folded query, in row order.
//
// Typing usually extends the query, so a query that holds the last one only tests the rows the
// last one kept; and the queries typed since the rows last changed are remembered with their
// rows, so deleting what was typed shows the rows of the shorter query again without a search.
// Any change to the rows makes those remembered rows wrong: forget() them.
class FindQuery {
public:
    struct Shown {
        bool filtering = false;
        std::vector<int> rows; // while filtering, ascending
    };

    // The rows `utf8` shows, given the rows the query before it showed (`shown`).
    Shown query(std::string_view utf8, ContactStore& store, const Shown& shown);
    void forget() { m_steps.clear(); }

private:
    std::string m_query; // folded
    struct Step {
        std::string query;
        std::vector<int> rows;
    };
    std::vector<Step> m_steps; // each query extending the one before
};

} // namespace qor
