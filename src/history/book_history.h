#pragma once

#include "book_file.h"
#include "history_entry.h"
#include "history_file.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The book's history: `qor.qor.history` beside the file the book's links end at, mode 0600. Each
// save appends one entry holding what it changed (the records it added, and where the records
// it kept stood in the book before), the time, the contacts after the save, how many it added
// and removed, and a hash of the bytes it wrote. The first entry, and the entry of a save that
// finds the book changed by another program since the last entry (its hash differs), also holds
// the book as that save found it, whole: so the history never needs the book to rebuild a state,
// and a book garbled by another program can be brought back from it.
//
// States are numbered newest first: 1 is the book the newest save wrote, 2 the book before it,
// and so on; a book a save found (the first one, or one another program wrote) is a state of its
// own, listed before that save's. Each state is rebuilt byte for byte.
//
// The book is saved first and its entry appended after: a crash between the two leaves the new
// book and a history without its entry, and the next save, finding the book unlike the last
// entry, keeps it whole. A crash during the append leaves a last entry cut short, which readers
// ignore and the next append cuts off. A history damaged otherwise is set aside and a new one
// started: by the next save when its frames show it, else when a save next reads it whole (once
// a day, or to drop its oldest saves). Nothing here ever stops the book from being read or saved.

std::filesystem::path historyPathFor(const std::filesystem::path& book);

// The book a save writes cut into pieces (cutIntoPieces), with their keys.
struct WrittenPieces {
    std::string_view of; // the book's bytes
    std::vector<std::string_view> pieces;
    std::vector<PieceKey> keys;
};

// The book as it was just before a save replaces it: read by the save before it writes, or,
// `remembered`, the book a HistoryRecorder last recorded (its hash `hash`), which its next save
// need not read again.
struct BookBefore {
    ReadStatus status = ReadStatus::Missing;
    BookBytes bytes;
    std::int64_t modified = 0; // seconds since 1970, when the file was last written
    bool remembered = false;
    std::uint64_t hash = 0;
    // The book the save writes, cut on another thread while it is written; the save's entry is
    // made from these pieces rather than after the write. Waited for when this is destroyed.
    std::shared_future<std::shared_ptr<WrittenPieces>> written;
};
// Never throws: a book it cannot read, or no memory to read it into, gives Unreadable.
BookBefore captureBookBefore(const std::filesystem::path& book) noexcept;

// What the history keeps: at least every save of the last `keepSeconds`, and at least the last
// `keepSaves` saves; beyond those the oldest go once the file outgrows one copy of the book plus
// `sharePercent` % of it plus `slackBytes` (one copy, because the oldest state is kept whole).
struct HistoryRules {
    std::int64_t keepSeconds = 30 * 24 * 60 * 60;
    std::size_t keepSaves = 100;
    std::uint64_t sharePercent = 10;
    std::uint64_t slackBytes = 10 * 1024 * 1024;
};

// What recording a save did, for the caller to tell the user.
struct HistoryNote {
    bool recorded = false;
    std::string error;                 // why the save is not in the history
    std::filesystem::path setAside;    // a damaged history was renamed to this; a new one began
};

// Appends the entry of a save that replaced `before` by `written`, at `now` (seconds since
// 1970; `localNow` names a damaged history set aside). Never throws and never touches the book.
// A damaged history is renamed to "<history>.damaged-YYYYMMDD-HHMMSS" and a new one started.
// On any failure the history holds its earlier entries, and at worst the start of this one.
HistoryNote recordSave(const std::filesystem::path& book, const BookBefore& before, std::string_view written,
                       std::int64_t now, const std::tm& localNow, const HistoryRules& rules = {}) noexcept;

// How often a save reads the whole history to check every entry, not only the last: a byte gone
// wrong inside an older entry leaves the frames whole, and the saves appended after it could
// not be brought back. Such a history is set aside within a day of saves.
inline constexpr std::int64_t kCheckWholeEvery = 24 * 60 * 60;

// Records the saves of one book, one after the other (a session's), remembering between them
// what the next save needs: the pieces of the book it last recorded, by hash and size only (a
// few megabytes for 100,000 contacts; the bytes are not kept), and the history as its last
// append left it. Later saves, finding the file as they left it (same size and time), append
// without reading it, and need not read the book they replace when it is the book last recorded.
// The first save reads the history's frames and its last entry (readHistoryTail), and the whole
// file when that tells nothing sure or its last check whole is kCheckWholeEvery old.
class HistoryRecorder {
public:
    // Before a save, with the bytes the caller just found in the book (`hash` being hashBytes of
    // them) when it checked them: when the history ends with that book, the pieces of those bytes
    // are remembered (cut on another thread, which keeps the bytes until then), so that the save
    // reads neither the book again nor the whole history. Does nothing when they are the book last
    // recorded.
    void bookFound(const std::filesystem::path& book, BookBytes&& bytes, std::uint64_t hash,
                   std::int64_t now) noexcept;
    // As above, with the keys of the bytes found (PieceKeyCutter) rather than the bytes: for a
    // caller that read the book a piece at a time. The keys are not looked at when the recorder
    // knows the book already.
    void bookFound(const std::filesystem::path& book, std::vector<PieceKey>&& keys, std::uint64_t hash,
                   std::int64_t now) noexcept;
    // Whether the pieces of the book hashing to `hash` are known: bookFound needs none.
    bool knowsBook(std::uint64_t hash) const { return m_bookKnown && m_bookHash == hash; }
    // Just before the book is replaced: what recording the save needs of it. `onDisk` is the
    // hash of the bytes the caller found in the book just now, when it checked them: when it is
    // the book last recorded or found and the history still ends with it, nothing is read.
    // `written`, the bytes the save is about to write, begin to be cut into pieces at once on
    // another thread, and must outlive the BookBefore returned.
    BookBefore bookBefore(const std::filesystem::path& book, std::optional<std::uint64_t> onDisk,
                          std::string_view written = {}) const noexcept;
    // As recordSave.
    HistoryNote record(const std::filesystem::path& book, const BookBefore& before, std::string_view written,
                       std::int64_t now, const std::tm& localNow, const HistoryRules& rules = {}) noexcept;

private:
    HistoryNote recordChecked(const std::filesystem::path& book, const BookBefore& before, std::string_view written,
                              std::int64_t now, const std::tm& localNow, const HistoryRules& rules);
    bool tailStillHolds(const std::filesystem::path& history) const;
    // bookFound's look at the history: whether the book found (`hash`) is the one it ends with
    // and its pieces are wanted (the tail is then taken).
    bool takesFound(const std::filesystem::path& book, std::uint64_t hash, std::int64_t now);
    // Waits for the pieces of the book found before this save, when they are being cut.
    void takeFoundPieces() noexcept;

    HistoryTail m_tail;
    bool m_bookKnown = false;
    std::uint64_t m_bookHash = 0; // the book last recorded (written), or found before a save
    std::vector<PieceKey> m_bookPieces;
    std::future<std::vector<PieceKey>> m_foundPieces; // m_bookPieces, being cut
};

struct HistoryState {
    int number = 0; // 1 is the newest
    StateFacts facts;
};

struct HistoryListing {
    bool ok = false;
    std::string error;               // a history that cannot be read, or is damaged
    std::vector<HistoryState> states; // newest first; empty when there is no history
};

// The states the history of `book` can bring back. Reads only; a missing history has none.
HistoryListing listHistory(const std::filesystem::path& book);

struct RebuiltState {
    bool ok = false;
    std::string error;
    std::string bytes; // the book as it was in that state
    StateFacts facts;
};

// The bytes of state `number` (as listHistory numbers them). Reads only. Fails for a state that
// does not exist, and for one whose rebuilt bytes do not hash as recorded.
RebuiltState rebuildState(const std::filesystem::path& book, int number);
// The bytes of the newest state whose bytes hash (hashBytes) to `hash`: the book as a window
// last read or wrote it, which a merge needs. Fails when the history holds no such state.
RebuiltState rebuildStateWithHash(const std::filesystem::path& book, std::uint64_t hash);

} // namespace qor
