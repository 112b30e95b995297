// The duplicate finder over the list's rows.
#include "duplicate_search.h"

#include "contact_hash.h"
#include "contact_store.h"

#include <optional>

namespace qor {

std::vector<DuplicateGroup> findDuplicatesInList(const ContactStore& store, const NotDuplicates& apart)
{
    const auto rows = static_cast<std::size_t>(store.rowCount());
    const RowText text = [&store](std::size_t row, std::size_t column) {
        return store.text(static_cast<int>(row), column);
    };
    if (apart.empty())
        return findDuplicateGroups(rows, text);
    // A row's hash is taken only when one of its pairs is about to be joined.
    std::vector<std::optional<std::uint64_t>> hashes(rows);
    const auto hashOf = [&](std::size_t row) {
        if (!hashes[row])
            hashes[row] = hashContact(store.record(static_cast<int>(row)));
        return *hashes[row];
    };
    return findDuplicateGroups(rows, text, [&](std::size_t a, std::size_t b) { return apart.contains(hashOf(a), hashOf(b)); });
}

GroupMembers membersOf(const ContactStore& store, const DuplicateGroup& group)
{
    GroupMembers members;
    members.reserve(group.size());
    for (const std::size_t row : group)
        members.push_back(store.record(static_cast<int>(row)));
    return members;
}

} // namespace qor
