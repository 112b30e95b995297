// Listing and rebuilding the states of a history.
#include "history_states.h"

#include "book_stamp.h"

namespace qor {

std::vector<StateRef> statesOf(const HistoryFile& file)
{
    std::vector<StateRef> states;
    for (std::size_t i = 0; i < file.entries.size(); ++i) {
        const HistoryEntry& entry = file.entries[i];
        if (entry.found && entry.found->listed)
            states.push_back({i, true, entry.found->facts});
        states.push_back({i, false, entry.facts});
    }
    return states;
}

bool rebuildPieces(const HistoryFile& file, std::size_t entry, bool found, std::vector<std::string_view>& pieces)
{
    if (entry >= file.entries.size())
        return false;
    if (found) {
        if (!file.entries[entry].found)
            return false;
        pieces = cutIntoPieces(file.entries[entry].found->bytes);
        return hashBytes(file.entries[entry].found->bytes) == file.entries[entry].hashBefore;
    }
    std::size_t start = entry;
    while (!file.entries[start].found) {
        if (start == 0)
            return false;
        --start;
    }
    pieces = cutIntoPieces(file.entries[start].found->bytes);
    std::vector<std::string_view> next;
    for (std::size_t i = start; i <= entry; ++i) {
        if (!applyDelta(pieces, file.entries[i].steps, next))
            return false;
        pieces.swap(next);
    }
    // Every piece was matched by its bytes when the entry was made; the whole is checked once.
    return hashBytes(joinPieces(pieces)) == file.entries[entry].hashAfter;
}

} // namespace qor
