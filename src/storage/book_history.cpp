// Recording each save in the book's history, and reading the states back.
#include "book_history.h"

#include "book_location.h"
#include "book_stamp.h"
#include "history_append.h"
#include "history_retention.h"
#include "history_states.h"

#include <chrono>
#include <new>
#include <system_error>

namespace qor {

namespace {

constexpr const char* kHistorySuffix = ".history";

std::int64_t secondsOf(std::filesystem::file_time_type time)
{
    const auto system = std::chrono::file_clock::to_sys(time);
    return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
}

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

struct LoadedHistory {
    BookBytes read;
    HistoryFile file;
    std::string error;
};

LoadedHistory loadHistory(const std::filesystem::path& history)
{
    LoadedHistory loaded;
    loaded.read = readBookFile(history);
    if (loaded.read.status == ReadStatus::Unreadable || loaded.read.status == ReadStatus::TooBig)
        loaded.error = "the history " + history.string() + " cannot be read"
                     + (loaded.read.error.empty() ? std::string() : " (" + loaded.read.error + ")");
    else if (loaded.read.status == ReadStatus::Read)
        loaded.file = readHistoryBytes(loaded.read.bytes());
    return loaded;
}

HistoryNote record(const std::filesystem::path& book, const BookBefore& before, std::string_view written,
                   std::int64_t now, const std::tm& localNow, const HistoryRules& rules)
{
    HistoryNote note;
    const std::filesystem::path history = historyPathFor(book);
    LoadedHistory loaded = loadHistory(history);
    if (!loaded.error.empty()) {
        note.error = loaded.error;
        return note;
    }
    std::size_t at = loaded.file.soundSize;
    if (loaded.file.shape == HistoryFile::Shape::Damaged) {
        // Its sound entries stay readable in the file set aside; this book needs a history
        // that can take the next save.
        const std::filesystem::path aside = setAsidePath(history, localNow);
        std::error_code ec;
        std::filesystem::rename(history, aside, ec);
        if (ec) {
            note.error = "the damaged history " + history.string() + " could not be set aside (" + ec.message() + ")";
            return note;
        }
        note.setAside = aside;
        loaded.file = HistoryFile{};
        at = 0;
    }

    // An empty view still points somewhere: the hash copies from it.
    const std::string_view beforeBytes =
        before.status == ReadStatus::Read && before.bytes.size > 0 ? before.bytes.bytes() : std::string_view("");
    const std::vector<std::string_view> beforePieces = cutIntoPieces(beforeBytes);
    const std::vector<std::string_view> afterPieces = cutIntoPieces(written);
    const PieceDelta delta = deltaBetween(beforePieces, afterPieces);

    HistoryEntry entry;
    entry.facts = {now, recordCount(afterPieces), static_cast<std::int64_t>(delta.added),
                   static_cast<std::int64_t>(delta.removed)};
    entry.hashBefore = hashBytes(beforeBytes);
    entry.hashAfter = hashBytes(written);
    entry.sizeAfter = written.size();
    entry.steps = delta.steps;
    const bool chained = before.status != ReadStatus::Missing && before.status != ReadStatus::Unreadable
                      && !loaded.file.entries.empty() && loaded.file.entries.back().hashAfter == entry.hashBefore;
    if (!chained) {
        // Nothing in the history leads to the book this save replaced: it is kept whole.
        entry.found = FoundState{{before.modified, recordCount(beforePieces), -1, -1},
                                 before.status == ReadStatus::Read, beforeBytes};
    }
    std::string bytes = at == 0 ? std::string(kHistoryHead) : std::string();
    bytes += frameEntry(entry);
    const WriteResult appended = writeHistoryTail(history, at, bytes);
    if (!appended.ok) {
        note.error = appended.error;
        return note;
    }
    note.recorded = true;

    const std::uint64_t size = at + bytes.size();
    const std::uint64_t room = written.size() + written.size() / 100 * rules.sharePercent + rules.slackBytes;
    if (size > room && loaded.file.entries.size() + 1 > rules.keepSaves) {
        std::string whole(loaded.read.bytes().substr(0, at));
        whole += bytes;
        const HistoryFile grown = readHistoryBytes(whole);
        if (const auto compacted = compactedHistory(grown, size, written.size(), now, rules)) {
            const WriteResult rewritten = replaceFileSafely(history, *compacted);
            if (!rewritten.ok)
                note.error = "the oldest saves could not be dropped from the history (" + rewritten.error + ")";
        }
    }
    return note;
}

} // namespace

std::filesystem::path historyPathFor(const std::filesystem::path& book)
{
    std::filesystem::path target;
    std::string error;
    if (!resolveBookLinks(book, target, error))
        target = book;
    target += kHistorySuffix;
    return target;
}

BookBefore captureBookBefore(const std::filesystem::path& book) noexcept
{
    BookBefore before;
    try {
        before.bytes = readBookFile(book);
        before.status = before.bytes.status;
        std::error_code ec;
        const auto modified = std::filesystem::last_write_time(book, ec);
        if (!ec)
            before.modified = secondsOf(modified);
    } catch (const std::bad_alloc&) {
        before = BookBefore{};
        before.status = ReadStatus::Unreadable;
    }
    return before;
}

HistoryNote recordSave(const std::filesystem::path& book, const BookBefore& before, std::string_view written,
                       std::int64_t now, const std::tm& localNow, const HistoryRules& rules) noexcept
{
    try {
        return record(book, before, written, now, localNow, rules);
    } catch (const std::exception& failure) {
        HistoryNote note;
        note.error = std::string("the save could not be added to the history (") + failure.what() + ")";
        return note;
    }
}

HistoryListing listHistory(const std::filesystem::path& book)
{
    HistoryListing listing;
    const std::filesystem::path history = historyPathFor(book);
    const LoadedHistory loaded = loadHistory(history);
    if (!loaded.error.empty()) {
        listing.error = loaded.error;
        return listing;
    }
    if (loaded.file.shape == HistoryFile::Shape::Damaged) {
        listing.error = "the history " + history.string() + " is damaged; the next save sets it aside and starts a new one";
        return listing;
    }
    const std::vector<StateRef> states = statesOf(loaded.file);
    for (std::size_t i = 0; i < states.size(); ++i)
        listing.states.push_back({static_cast<int>(i + 1), states[states.size() - 1 - i].facts});
    listing.ok = true;
    return listing;
}

RebuiltState rebuildState(const std::filesystem::path& book, int number)
{
    RebuiltState rebuilt;
    const std::filesystem::path history = historyPathFor(book);
    const LoadedHistory loaded = loadHistory(history);
    if (!loaded.error.empty()) {
        rebuilt.error = loaded.error;
        return rebuilt;
    }
    if (loaded.file.shape == HistoryFile::Shape::Damaged) {
        rebuilt.error = "the history " + history.string() + " is damaged";
        return rebuilt;
    }
    const std::vector<StateRef> states = statesOf(loaded.file);
    if (number < 1 || static_cast<std::size_t>(number) > states.size()) {
        rebuilt.error = "there is no state " + std::to_string(number) + " in the history of " + book.string()
                      + " (it holds " + std::to_string(states.size()) + ")";
        return rebuilt;
    }
    const StateRef& state = states[states.size() - static_cast<std::size_t>(number)];
    std::vector<std::string_view> pieces;
    if (!rebuildPieces(loaded.file, state.entry, state.found, pieces)) {
        rebuilt.error = "state " + std::to_string(number) + " of the history " + history.string() + " is damaged";
        return rebuilt;
    }
    rebuilt.bytes = joinPieces(pieces);
    rebuilt.facts = state.facts;
    rebuilt.ok = true;
    return rebuilt;
}

} // namespace qor
