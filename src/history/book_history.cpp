// The book's history: where it lies, the book a save replaces, and reading the states back.
#include "book_history.h"

#include "book_location.h"
#include "history_file.h"
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
    HistoryRecorder recorder;
    return recorder.record(book, before, written, now, localNow, rules);
}

namespace {

// The history of `book` as the readers take it: one that cannot be read, or is damaged, leaves
// `error` saying why (the next save sets a damaged one aside and starts a new one).
LoadedHistory loadSoundHistory(const std::filesystem::path& book, std::string& error)
{
    const std::filesystem::path history = historyPathFor(book);
    LoadedHistory loaded = loadHistory(history);
    if (!loaded.error.empty())
        error = loaded.error;
    else if (loaded.file.shape == HistoryFile::Shape::Damaged)
        error = "the history " + history.string() + " is damaged; the next save sets it aside and starts a new one";
    return loaded;
}

} // namespace

HistoryListing listHistory(const std::filesystem::path& book)
{
    HistoryListing listing;
    const LoadedHistory loaded = loadSoundHistory(book, listing.error);
    if (!listing.error.empty())
        return listing;
    const std::vector<StateRef> states = statesOf(loaded.file);
    for (std::size_t i = 0; i < states.size(); ++i)
        listing.states.push_back({static_cast<int>(i + 1), states[states.size() - 1 - i].facts});
    listing.ok = true;
    return listing;
}

namespace {

// The bytes of the state `pick` chooses from the history's states (oldest first): its index,
// or none. `missing` says why there is none.
template <typename Pick, typename Missing>
RebuiltState rebuildPicked(const std::filesystem::path& book, Pick pick, Missing missing)
{
    RebuiltState rebuilt;
    const std::filesystem::path history = historyPathFor(book);
    const LoadedHistory loaded = loadSoundHistory(book, rebuilt.error);
    if (!rebuilt.error.empty())
        return rebuilt;
    const std::vector<StateRef> states = statesOf(loaded.file);
    const std::optional<std::size_t> picked = pick(loaded.file, states);
    if (!picked) {
        rebuilt.error = missing(states.size());
        return rebuilt;
    }
    const StateRef& state = states[*picked];
    std::vector<std::string_view> pieces;
    if (!rebuildPieces(loaded.file, state.entry, state.found, pieces)) {
        rebuilt.error = "state " + std::to_string(states.size() - *picked) + " of the history " + history.string()
                      + " is damaged";
        return rebuilt;
    }
    rebuilt.bytes = joinPieces(pieces);
    rebuilt.facts = state.facts;
    rebuilt.ok = true;
    return rebuilt;
}

} // namespace

RebuiltState rebuildState(const std::filesystem::path& book, int number)
{
    return rebuildPicked(
        book,
        [number](const HistoryFile&, const std::vector<StateRef>& states) -> std::optional<std::size_t> {
            if (number < 1 || static_cast<std::size_t>(number) > states.size())
                return std::nullopt;
            return states.size() - static_cast<std::size_t>(number);
        },
        [&book, number](std::size_t held) {
            return "there is no state " + std::to_string(number) + " in the history of " + book.string()
                 + " (it holds " + std::to_string(held) + ")";
        });
}

RebuiltState rebuildStateWithHash(const std::filesystem::path& book, std::uint64_t hash)
{
    return rebuildPicked(
        book,
        [hash](const HistoryFile& file, const std::vector<StateRef>& states) -> std::optional<std::size_t> {
            for (std::size_t i = states.size(); i > 0; --i) {
                const HistoryEntry& entry = file.entries[states[i - 1].entry];
                if ((states[i - 1].found ? entry.hashBefore : entry.hashAfter) == hash)
                    return i - 1;
            }
            return std::nullopt;
        },
        [&book](std::size_t) { return "the history of " + book.string() + " does not hold that state"; });
}

} // namespace qor
