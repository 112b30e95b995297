// Groups of duplicates made one contact each, as one change of the list.
#include "book_session.h"

#include <algorithm>

namespace qor {

void BookSession::mergeDuplicates(const std::vector<DuplicateMerge>& merges, std::string name)
{
    std::vector<const DuplicateMerge*> byTop;
    for (const DuplicateMerge& merge : merges)
        if (!merge.rows.empty())
            byTop.push_back(&merge);
    if (byTop.empty())
        return;
    std::sort(byTop.begin(), byTop.end(),
              [](const DuplicateMerge* a, const DuplicateMerge* b) { return a->rows.front() < b->rows.front(); });

    std::vector<std::size_t> going;
    for (const DuplicateMerge* merge : byTop)
        going.insert(going.end(), merge->rows.begin(), merge->rows.end());
    std::sort(going.begin(), going.end());

    ListEdit edit;
    for (const std::size_t row : going)
        edit.removed.push_back({static_cast<int>(row), m_store.record(static_cast<int>(row))});
    // Each merged contact stands where its top member stood: above it, the rows that went
    // are gone and the merged contacts of the groups above have come.
    for (std::size_t i = 0; i < byTop.size(); ++i) {
        const std::size_t top = byTop[i]->rows.front();
        const auto goneAbove = static_cast<std::size_t>(std::lower_bound(going.begin(), going.end(), top) - going.begin());
        edit.added.push_back({static_cast<int>(top - goneAbove + i), byTop[i]->merged});
    }
    const int shown = byTop.size() == 1 ? edit.added.front().row : -1;
    changeList(std::move(edit), std::move(name), shown < 0);
    if (shown >= 0) {
        m_mark.set(shown);
        showRow(shown);
    }
}

} // namespace qor
