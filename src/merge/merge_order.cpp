// Where each row of a merge goes.
#include "merge_order.h"

#include <algorithm>

namespace qor {

std::vector<MergeSource> orderMerged(const NumberedList& ours, const NumberedList& theirs,
                                     const std::vector<std::uint32_t>& merged)
{
    // Each of their additions gets an anchor: 0 for the top, else 1 + the row of ours it goes
    // right below.
    std::vector<std::size_t> additions;
    std::vector<std::size_t> anchors;
    std::size_t anchor = 0;
    for (std::size_t row = 0; row < theirs.size(); ++row) {
        const std::uint32_t contact = theirs.contactAt(row);
        const std::uint32_t oursCopies = ours.copies(contact);
        const std::uint32_t kept = std::min(merged[contact], oursCopies);
        const std::uint32_t rank = theirs.rankOf(row);
        if (merged[contact] > oursCopies && rank < merged[contact] - oursCopies) {
            additions.push_back(row);
            anchors.push_back(anchor);
            continue;
        }
        // The anchor only moves down, so that their additions keep their order even where
        // the two lists disagree on the order of the rows they share.
        const std::uint32_t fromBottom = theirs.copies(contact) - 1 - rank;
        if (fromBottom < kept)
            anchor = std::max(anchor, ours.rowOf(contact, kept - 1 - fromBottom) + 1);
    }

    // The additions grouped by anchor, keeping their order within each group: a counting sort,
    // as there are as many anchors as rows of ours.
    std::vector<std::size_t> groupStart(ours.size() + 2, 0);
    for (const std::size_t a : anchors)
        ++groupStart[a + 1];
    for (std::size_t a = 0; a + 1 < groupStart.size(); ++a)
        groupStart[a + 1] += groupStart[a];
    std::vector<std::size_t> grouped(additions.size());
    {
        std::vector<std::size_t> next(groupStart.begin(), groupStart.end() - 1);
        for (std::size_t i = 0; i < additions.size(); ++i)
            grouped[next[anchors[i]]++] = additions[i];
    }

    std::vector<MergeSource> rows;
    const auto addGroup = [&](std::size_t a) {
        for (std::size_t i = groupStart[a]; i < groupStart[a + 1]; ++i)
            rows.push_back({MergeSide::Theirs, grouped[i]});
    };
    std::size_t total = additions.size();
    for (std::size_t row = 0; row < ours.size(); ++row)
        total += ours.rankOf(row) < merged[ours.contactAt(row)] ? 1 : 0;
    rows.reserve(total);
    addGroup(0);
    for (std::size_t row = 0; row < ours.size(); ++row) {
        if (ours.rankOf(row) < merged[ours.contactAt(row)])
            rows.push_back({MergeSide::Ours, row});
        addGroup(row + 1);
    }
    return rows;
}

} // namespace qor
