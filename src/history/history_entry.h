#pragma once

#include "history_delta.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The file's first bytes; a file that starts otherwise is not a history.
inline constexpr std::string_view kHistoryHead = "QORHIST1";

// What the history knows of one state of the book. `added` and `removed` are negative when
// unknown: for a book QOR found written by another program.
struct StateFacts {
    std::int64_t time = 0; // seconds since 1970 (UTC)
    std::uint64_t contacts = 0;
    std::int64_t added = -1;
    std::int64_t removed = -1;
};

// The book as a save found it, kept whole: the first entry of a history, and the entry of a save
// that found the book changed by another program since the save before (the chain of changes
// was broken there, so nothing older can lead to it).
struct FoundState {
    StateFacts facts;
    bool listed = true;     // false for a missing or unreadable book: nothing to bring back
    std::string_view bytes; // the book's bytes
};

// One save: the book it wrote, as steps from the state before it.
struct HistoryEntry {
    StateFacts facts;               // the saved state: the save's time, its contacts, its changes
    std::uint64_t hashBefore = 0;   // hashBytes of the book the save replaced
    std::uint64_t hashAfter = 0;    // hashBytes of the book it wrote
    std::uint64_t sizeAfter = 0;
    // When a save last read the whole history and found it sound, as far as this entry's save
    // knew (seconds since 1970; 0: not known). A save reads only the last entry otherwise.
    std::int64_t checkedWhole = 0;
    std::optional<FoundState> found;
    std::vector<PieceStep> steps;   // pieces given whole point into the entry's bytes
};

// One entry as it is appended to the file: a frame of magic, length and a checksum (hashBytes)
// of its contents, the contents, then the length and a closing magic again, so the last entry
// can be read from the file's end and a torn write is told from a damaged file. `lead` goes
// before the frame (the file's head, for a new file): the frame of a book kept whole is built in
// one buffer, never copied.
std::string frameEntry(const HistoryEntry& entry, std::string_view lead = {});

// A frame read a piece at a time, for a reader that skips the contents of most entries
// (history_file.h): an opening tells the contents' size, a closing ends them, and a whole frame
// gives its entry when its checksum and contents check. `opening` is kFrameOpeningSize bytes or
// more, `closing` kFrameClosingSize bytes.
inline constexpr std::size_t kFrameOpeningSize = 4 + 8 + 8; // magic, contents' size, checksum
inline constexpr std::size_t kFrameClosingSize = 8 + 4;     // contents' size, magic
std::optional<std::uint64_t> frameContentsSize(std::string_view opening);
bool closesFrame(std::string_view closing, std::uint64_t contentsSize);
std::optional<HistoryEntry> entryOfFrame(std::string_view frame);
// The time of the entry whose contents start with `contentsHead` (kContentsTimeEnd bytes or
// more, else 0), read without checking the rest.
inline constexpr std::size_t kContentsTimeEnd = 1 + 8;
std::int64_t entryTimeOf(std::string_view contentsHead);

struct HistoryFile {
    enum class Shape {
        Sound,    // every entry checks
        TornTail, // the last write did not end: its bytes after `soundSize` are to be ignored
        Damaged,  // bytes in the middle are wrong: nothing after them can be trusted
    };
    Shape shape = Shape::Sound;
    std::size_t soundSize = 0; // where the entries that check end
    std::vector<HistoryEntry> entries; // oldest first; views into the bytes given
    std::vector<std::string_view> frames; // each entry's frame, as stored
};

// Reads a history's bytes. An empty file, or one ended by a write that did not finish (the file
// ends inside an entry, or its last entry fails its checksum), is not damage: the entries before
// are kept. Anything else that does not check is damage.
HistoryFile readHistoryBytes(std::string_view bytes);

} // namespace qor
