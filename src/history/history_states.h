// The states a history holds and how each is rebuilt: shared by the readers and compaction.
#pragma once

#include "history_entry.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace qor {

struct StateRef {
    std::size_t entry = 0; // the entry whose save wrote it, or that found it
    bool found = false;
    StateFacts facts;
};

// Every listed state, oldest first.
std::vector<StateRef> statesOf(const HistoryFile& file);

// The pieces of the state after entry `entry`'s save (or, `found`, of the book it found),
// replayed from the nearest kept-whole book at or before it. False when the entries do not
// lead there (a copy beyond the state before, or bytes that do not hash as recorded).
bool rebuildPieces(const HistoryFile& file, std::size_t entry, bool found, std::vector<std::string_view>& pieces);

} // namespace qor
