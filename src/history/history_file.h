#pragma once

#include "book_file.h"
#include "history_entry.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace qor {

// A history read whole and checked entry by entry (readHistoryBytes); `error` when it cannot be
// read. A missing history reads as an empty one.
struct LoadedHistory {
    BookBytes read;
    HistoryFile file; // views into `read`
    std::string error;
};
LoadedHistory loadHistory(const std::filesystem::path& history);

// What an append needs to know of a history: where the next entry goes and what the last one
// says, and what deciding whether the oldest saves may go needs (how many entries, the oldest
// one's time).
struct HistoryTail {
    bool known = false;
    std::uint64_t size = 0;                       // where the next entry goes
    std::filesystem::file_time_type modified{};   // the file's, when `size` was taken
    std::size_t entries = 0;
    std::int64_t oldestTime = 0;
    std::uint64_t lastHashAfter = 0;              // the book the last save wrote
    std::int64_t checkedWhole = 0;                // when a save last read the file whole and found it sound
};

// Reads the history at `history` a frame at a time: each entry's opening and closing, the first
// entry's time, and the last entry whole, which is checked. A few bytes an entry, however big the
// books kept whole in it: a session's first save reads this instead of the whole file. Known
// only when every frame lines up with the next, the file ends with the last one and that one
// checks; a missing, empty, torn or damaged history is not known (read it whole to tell which).
// A wrong byte inside an entry before the last leaves its frame whole and is not seen here.
// Reads only; never throws.
HistoryTail readHistoryTail(const std::filesystem::path& history) noexcept;

} // namespace qor
