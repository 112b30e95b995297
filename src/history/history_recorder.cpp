// Recording each save of a session in the book's history.
#include "book_history.h"

#include "book_stamp.h"
#include "history_append.h"
#include "history_file.h"
#include "history_retention.h"

#include <algorithm>
#include <system_error>

namespace qor {

namespace {

// A free name "<history>.damaged-YYYYMMDD-HHMMSS" (then "-2", "-3"...) for a damaged history.
std::filesystem::path setAsidePath(const std::filesystem::path& history, const std::tm& when)
{
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &when);
    const std::string base = history.filename().string() + ".damaged-" + stamp;
    std::filesystem::path candidate = history.parent_path() / base;
    std::error_code ec;
    for (int n = 2; std::filesystem::symlink_status(candidate, ec).type() != std::filesystem::file_type::not_found; ++n)
        candidate = history.parent_path() / (base + "-" + std::to_string(n));
    return candidate;
}

// What an append needs of a history just read whole, and checked at `now`: where its sound
// entries end, and their ends.
HistoryTail tailOf(const HistoryFile& file, std::int64_t now)
{
    HistoryTail tail;
    tail.known = true; // a torn last entry is cut off by the append
    tail.size = file.soundSize;
    tail.entries = file.entries.size();
    tail.checkedWhole = now;
    if (!file.entries.empty()) {
        tail.oldestTime = file.entries.front().facts.time;
        tail.lastHashAfter = file.entries.back().hashAfter;
    }
    return tail;
}

bool checkWholeDue(std::int64_t checkedWhole, std::int64_t now)
{
    return checkedWhole > now || now - checkedWhole >= kCheckWholeEvery;
}

// Renames a damaged history out of the way (its sound entries stay readable there), so that
// the book gets a new one that can take the next save.
bool setAside(const std::filesystem::path& history, const std::tm& localNow, HistoryNote& note)
{
    const std::filesystem::path aside = setAsidePath(history, localNow);
    std::error_code ec;
    std::filesystem::rename(history, aside, ec);
    if (ec) {
        note.error = "the damaged history " + history.string() + " could not be set aside (" + ec.message() + ")";
        return false;
    }
    note.setAside = aside;
    return true;
}
} // namespace

bool HistoryRecorder::tailStillHolds(const std::filesystem::path& history) const
{
    if (!m_tail.known)
        return false;
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(history, ec);
    if (ec || status.type() != std::filesystem::file_type::regular)
        return false;
    const std::uintmax_t size = std::filesystem::file_size(history, ec);
    if (ec || size != m_tail.size)
        return false;
    const auto modified = std::filesystem::last_write_time(history, ec);
    return !ec && modified == m_tail.modified;
}

void HistoryRecorder::takeFoundPieces() noexcept
{
    if (!m_foundPieces.valid())
        return;
    try {
        m_bookPieces = m_foundPieces.get();
    } catch (const std::exception&) {
        m_bookKnown = false;
        m_bookPieces.clear();
    }
}

bool HistoryRecorder::takesFound(const std::filesystem::path& book, std::uint64_t hash, std::int64_t now)
{
    const std::filesystem::path history = historyPathFor(book);
    const bool piecesKnown = knowsBook(hash);
    if (piecesKnown && tailStillHolds(history))
        return false;
    HistoryTail tail = readHistoryTail(history);
    if (tail.known && checkWholeDue(tail.checkedWhole, now)) {
        // A damaged or torn history is left to the save, which reads it again and sets it
        // aside or cuts its torn end off.
        std::error_code ec;
        const auto modified = std::filesystem::last_write_time(history, ec);
        const LoadedHistory loaded = loadHistory(history);
        const bool sound = !ec && loaded.error.empty() && loaded.file.shape == HistoryFile::Shape::Sound;
        tail = sound ? tailOf(loaded.file, now) : HistoryTail{};
        tail.modified = modified;
    }
    if (!tail.known || tail.entries == 0 || tail.lastHashAfter != hash)
        return false;
    m_tail = tail;
    if (piecesKnown)
        return false;
    m_bookKnown = false;
    return true;
}

void HistoryRecorder::bookFound(const std::filesystem::path& book, BookBytes&& bytes, std::uint64_t hash,
                                std::int64_t now) noexcept
{
    try {
        if (!takesFound(book, hash, now))
            return;
        // Cut while the caller makes the bytes it is about to write; taken by the save's
        // record. The task owns the bytes, and lets them go once they are cut.
        auto cut = [found = std::make_shared<const BookBytes>(std::move(bytes))]() mutable {
            std::vector<PieceKey> keys;
            cutIntoPieces(found->bytes(), keys);
            found.reset();
            return keys;
        };
        try {
            m_foundPieces = std::async(std::launch::async, cut);
        } catch (const std::system_error&) {
            m_bookPieces = cut(); // no thread to be had
        }
        m_bookHash = hash;
        m_bookKnown = true;
    } catch (const std::exception&) {
        m_tail = HistoryTail{};
        m_bookKnown = false;
    }
}

void HistoryRecorder::bookFound(const std::filesystem::path& book, std::vector<PieceKey>&& keys, std::uint64_t hash,
                                std::int64_t now) noexcept
{
    try {
        if (!takesFound(book, hash, now))
            return;
        m_foundPieces = {};
        m_bookPieces = std::move(keys);
        m_bookHash = hash;
        m_bookKnown = true;
    } catch (const std::exception&) {
        m_tail = HistoryTail{};
        m_bookKnown = false;
    }
}

BookBefore HistoryRecorder::bookBefore(const std::filesystem::path& book, std::optional<std::uint64_t> onDisk,
                                       std::string_view written) const noexcept
{
    BookBefore before;
    try {
        if (onDisk && m_bookKnown && *onDisk == m_bookHash && m_tail.entries > 0 && m_tail.lastHashAfter == m_bookHash
            && tailStillHolds(historyPathFor(book))) {
            before.status = ReadStatus::Read;
            before.remembered = true;
            before.hash = m_bookHash;
        }
    } catch (const std::exception&) {
        // Read it, then.
    }
    if (!before.remembered)
        before = captureBookBefore(book);
    try {
        if (!written.empty())
            before.written = std::async(std::launch::async, [written] {
                                 auto cut = std::make_shared<WrittenPieces>();
                                 cut->of = written;
                                 cut->pieces = cutIntoPieces(written, cut->keys);
                                 return cut;
                             }).share();
    } catch (const std::exception&) {
        // No thread to be had: the book is cut when the save is recorded.
    }
    return before;
}

HistoryNote HistoryRecorder::record(const std::filesystem::path& book, const BookBefore& before, std::string_view written,
                                    std::int64_t now, const std::tm& localNow, const HistoryRules& rules) noexcept
{
    try {
        return recordChecked(book, before, written, now, localNow, rules);
    } catch (const std::exception& failure) {
        m_tail = HistoryTail{};
        HistoryNote note;
        note.error = std::string("the save could not be added to the history (") + failure.what() + ")";
        return note;
    }
}

HistoryNote HistoryRecorder::recordChecked(const std::filesystem::path& book, const BookBefore& before,
                                           std::string_view written, std::int64_t now, const std::tm& localNow,
                                           const HistoryRules& rules)
{
    HistoryNote note;
    const std::filesystem::path history = historyPathFor(book);
    takeFoundPieces();
    // The pieces of the book written, kept for the next save whatever happens to its history.
    std::vector<PieceKey> afterKeys;
    std::vector<std::string_view> afterPieces;
    const std::shared_ptr<WrittenPieces> cut = before.written.valid() ? before.written.get() : nullptr;
    if (cut && cut->of.data() == written.data() && cut->of.size() == written.size()) {
        afterPieces = std::move(cut->pieces);
        afterKeys = std::move(cut->keys);
    } else {
        afterPieces = cutIntoPieces(written, afterKeys);
    }
    const std::uint64_t hashAfter = hashBytes(written);
    std::vector<PieceKey> beforeKeys;
    const bool remembered = before.remembered && m_bookKnown && before.hash == m_bookHash;
    if (remembered)
        beforeKeys.swap(m_bookPieces);
    m_bookKnown = true;
    m_bookHash = hashAfter;
    m_bookPieces = std::move(afterKeys);
    const std::vector<PieceKey>& afterKeysKept = m_bookPieces;

    if (!tailStillHolds(history)) {
        // Not as this recorder left it (or never seen): read and check the whole file.
        m_tail = HistoryTail{};
        LoadedHistory loaded = loadHistory(history);
        if (!loaded.error.empty()) {
            note.error = loaded.error;
            return note;
        }
        if (loaded.file.shape == HistoryFile::Shape::Damaged) {
            if (!setAside(history, localNow, note))
                return note;
            loaded.file = HistoryFile{};
        }
        m_tail = tailOf(loaded.file, now);
    }
    const std::uint64_t at = m_tail.size;
    const HistoryTail found = m_tail;
    m_tail = HistoryTail{}; // unknown until the append is through

    // An empty view still points somewhere: the hash copies from it.
    const std::string_view beforeBytes =
        before.status == ReadStatus::Read && before.bytes.size > 0 ? before.bytes.bytes() : std::string_view("");
    const std::uint64_t hashBefore = before.remembered ? before.hash : hashBytes(beforeBytes);
    const bool chained = before.status != ReadStatus::Missing && before.status != ReadStatus::Unreadable
                      && found.entries > 0 && found.lastHashAfter == hashBefore;
    std::vector<std::string_view> beforePieces;
    if (!before.remembered) {
        // Read: the steps copy from it, in the history or kept whole in this entry.
        beforePieces = cutIntoPieces(beforeBytes, beforeKeys);
    } else if (!remembered || !chained) {
        // The book replaced is neither in the history nor here to keep whole: the entry gives
        // the book written whole, which is all it needs to be brought back.
        beforeKeys.clear();
    }
    const PieceDelta delta = deltaBetween(beforeKeys, afterPieces, afterKeysKept);

    HistoryEntry entry;
    entry.facts = {now, recordCount(afterPieces), static_cast<std::int64_t>(delta.added),
                   static_cast<std::int64_t>(delta.removed)};
    entry.hashBefore = hashBefore;
    entry.hashAfter = hashAfter;
    entry.sizeAfter = written.size();
    entry.checkedWhole = found.checkedWhole;
    entry.steps = delta.steps;
    if (!chained) {
        // Nothing in the history leads to the book this save replaced: it is kept whole.
        entry.found = FoundState{{before.modified, recordCount(beforePieces), -1, -1},
                                 before.status == ReadStatus::Read && !before.remembered, beforeBytes};
    }
    const std::string bytes = frameEntry(entry, at == 0 ? kHistoryHead : std::string_view());
    const WriteResult appended = writeHistoryTail(history, at, bytes);
    if (!appended.ok) {
        note.error = appended.error;
        return note;
    }
    note.recorded = true;
    const std::uint64_t size = at + bytes.size();
    HistoryTail tail = found;
    std::error_code ec;
    tail.modified = std::filesystem::last_write_time(history, ec);
    tail.known = !ec;
    tail.size = size;
    tail.oldestTime = found.entries == 0 ? now : found.oldestTime;
    tail.entries = found.entries + 1;
    tail.lastHashAfter = hashAfter;
    m_tail = tail;

    // Whether the oldest saves may go is told from sizes and times alone; the file is read only
    // when some do.
    const std::uint64_t room = written.size() + written.size() / 100 * rules.sharePercent + rules.slackBytes;
    if (size > room && tail.entries > std::max<std::size_t>(rules.keepSaves, 1)
        && tail.oldestTime < now - rules.keepSeconds) {
        const LoadedHistory grown = loadHistory(history);
        if (grown.error.empty() && grown.file.shape == HistoryFile::Shape::Damaged) {
            // Damage the appends did not see (they read only the last entry): the saves since
            // could not be brought back from this file either.
            m_tail = HistoryTail{};
            setAside(history, localNow, note);
            return note;
        }
        if (!grown.error.empty() || grown.file.shape != HistoryFile::Shape::Sound || grown.file.soundSize != size)
            return note;
        if (const auto compacted = compactedHistory(grown.file, size, written.size(), now, rules)) {
            m_tail = HistoryTail{};
            const WriteResult rewritten = replaceFileSafely(history, *compacted);
            if (!rewritten.ok)
                note.error = "the oldest saves could not be dropped from the history (" + rewritten.error + ")";
        }
    }
    return note;
}

} // namespace qor
