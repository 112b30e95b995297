// Dropping the oldest saves from a history that outgrew its room.
#include "history_retention.h"

#include "history_states.h"

#include <algorithm>

namespace qor {

namespace {

// What a book kept whole adds to an entry besides its bytes: its facts and length.
constexpr std::uint64_t kFoundOverhead = 5 * 8;

} // namespace

std::optional<std::string> compactedHistory(const HistoryFile& file, std::uint64_t fileSize, std::uint64_t bookSize,
                                            std::int64_t now, const HistoryRules& rules)
{
    const std::uint64_t room = bookSize + bookSize / 100 * rules.sharePercent + rules.slackBytes;
    const std::size_t count = file.entries.size();
    const std::size_t keepSaves = std::max<std::size_t>(rules.keepSaves, 1); // the newest always stays
    if (fileSize <= room || count <= keepSaves)
        return std::nullopt;
    // Only a run of the oldest entries may go, each older than the days kept and not among the
    // saves kept.
    std::size_t mayGo = 0;
    while (mayGo < count - keepSaves && file.entries[mayGo].facts.time < now - rules.keepSeconds)
        ++mayGo;
    if (mayGo == 0)
        return std::nullopt;
    // The fewest to drop that bring the file within its room, else all that may go.
    std::size_t drop = 0;
    std::uint64_t size = fileSize;
    while (drop < mayGo) {
        size -= file.frames[drop].size();
        ++drop;
        const HistoryEntry& first = file.entries[drop];
        const std::uint64_t whole = first.found ? 0 : file.entries[drop - 1].sizeAfter + kFoundOverhead;
        if (size + whole <= room)
            break;
    }

    HistoryEntry first = file.entries[drop];
    std::string foundBytes;
    if (!first.found) {
        std::vector<std::string_view> pieces;
        if (!rebuildPieces(file, drop - 1, false, pieces))
            return std::nullopt;
        foundBytes = joinPieces(pieces);
        first.found = FoundState{file.entries[drop - 1].facts, true, foundBytes};
    }
    std::string bytes = frameEntry(first, kHistoryHead);
    for (std::size_t i = drop + 1; i < count; ++i)
        bytes.append(file.frames[i]);
    return bytes;
}

} // namespace qor
