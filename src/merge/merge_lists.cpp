// The three-way merge of contact lists: numbers, counts, order and account put together.
#include "merge_lists.h"

#include "contact_numbers.h"
#include "merge_changes.h"
#include "merge_order.h"
#include "merged_counts.h"

namespace qor {

MergeRows mergeRowsOf(const std::vector<ContactRecord>& records)
{
    return {records.size(), [&records](std::size_t i) -> const ContactRecord& { return records[i]; }};
}

MergePlan planMerge(const MergeRows& base, const MergeRows& ours, const MergeRows& theirs)
{
    ContactNumbers numbers = numberContacts(base, ours, theirs);
    const NumberedList baseList(std::move(numbers.of[kBaseList]), numbers.count);
    const NumberedList oursList(std::move(numbers.of[kOursList]), numbers.count);
    const NumberedList theirsList(std::move(numbers.of[kTheirsList]), numbers.count);

    MergePlan plan;
    plan.rows = orderMerged(oursList, theirsList, mergedCounts(baseList, oursList, theirsList));
    plan.account = accountOf(baseList, oursList, theirsList, replacementsBy(base, baseList, ours, oursList),
                             replacementsBy(base, baseList, theirs, theirsList));
    return plan;
}

MergedList mergeLists(const MergeRows& base, const MergeRows& ours, const MergeRows& theirs)
{
    MergePlan plan = planMerge(base, ours, theirs);
    MergedList merged;
    merged.account = plan.account;
    merged.rows.reserve(plan.rows.size());
    for (const MergeSource& source : plan.rows)
        merged.rows.push_back((source.side == MergeSide::Ours ? ours : theirs).row(source.row));
    return merged;
}

MergedList mergeLists(const std::vector<ContactRecord>& base, const std::vector<ContactRecord>& ours,
                      const std::vector<ContactRecord>& theirs)
{
    return mergeLists(mergeRowsOf(base), mergeRowsOf(ours), mergeRowsOf(theirs));
}

} // namespace qor
