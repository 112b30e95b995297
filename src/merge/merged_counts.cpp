// The merged count of every contact of a merge.
#include "merged_counts.h"

namespace qor {

std::vector<std::uint32_t> mergedCounts(const NumberedList& base, const NumberedList& ours,
                                        const NumberedList& theirs)
{
    std::vector<std::uint32_t> counts(base.contactCount());
    for (std::uint32_t contact = 0; contact < counts.size(); ++contact)
        counts[contact] = mergedCount(base.copies(contact), ours.copies(contact), theirs.copies(contact));
    return counts;
}

} // namespace qor
