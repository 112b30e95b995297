#pragma once

#include "book_history.h"
#include "history_entry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qor {

// The bytes of `file` (a sound history of `fileSize` bytes) without its oldest entries, when it
// outgrows what `rules` allow for a book of `bookSize` bytes and some entries are old enough to
// go; nothing otherwise. The oldest entry kept then holds, whole, the book the last dropped save
// wrote, so every state still listed is rebuilt exactly as before. nullopt also when the states
// to keep cannot be rebuilt: the history is then left as it is.
std::optional<std::string> compactedHistory(const HistoryFile& file, std::uint64_t fileSize, std::uint64_t bookSize,
                                            std::int64_t now, const HistoryRules& rules);

} // namespace qor
