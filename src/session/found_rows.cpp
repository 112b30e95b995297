#include "found_rows.h"

#include <algorithm>

namespace qor {

int positionOfRow(const std::vector<int>& rows, int row)
{
    const auto at = std::lower_bound(rows.begin(), rows.end(), row);
    return at != rows.end() && *at == row ? static_cast<int>(at - rows.begin()) : -1;
}

void showInsertedRows(std::vector<int>& rows, int first, int last)
{
    const int count = last - first + 1;
    const auto at = std::lower_bound(rows.begin(), rows.end(), first);
    for (auto it = at; it != rows.end(); ++it)
        *it += count;
    std::vector<int> inserted(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        inserted[static_cast<std::size_t>(i)] = first + i;
    rows.insert(at, inserted.begin(), inserted.end());
}

std::pair<int, int> dropRemovedRows(std::vector<int>& rows, int first, int last)
{
    const auto from = std::lower_bound(rows.begin(), rows.end(), first);
    const auto to = std::upper_bound(from, rows.end(), last);
    for (auto it = to; it != rows.end(); ++it)
        *it -= last - first + 1;
    const std::pair<int, int> went{static_cast<int>(from - rows.begin()), static_cast<int>(to - rows.begin())};
    rows.erase(from, to);
    return went;
}

int showRow(std::vector<int>& rows, int row)
{
    const auto at = std::lower_bound(rows.begin(), rows.end(), row);
    const int position = static_cast<int>(at - rows.begin());
    if (at == rows.end() || *at != row)
        rows.insert(at, row);
    return position;
}

} // namespace qor
