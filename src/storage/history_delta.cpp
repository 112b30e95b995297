// Cutting a book into records and telling what a save changed, for the history.
#include "history_delta.h"

#include "book_stamp.h"

#include <cstring>
#include <unordered_map>

namespace qor {

namespace {

constexpr std::string_view kRecordKey = "SURNAME=";
constexpr std::string_view kRecordKeyLE = {"S\0U\0R\0N\0A\0M\0E\0=\0", 16};
constexpr std::string_view kRecordKeyBE = {"\0S\0U\0R\0N\0A\0M\0E\0=", 16};

// The book's code unit, as its byte-order mark tells: lines are found by their line feed unit.
struct Units {
    std::size_t size = 1;
    std::string_view feed = "\n";
    std::string_view recordKey = kRecordKey;
};

Units unitsOf(std::string_view book)
{
    if (book.starts_with("\xFF\xFE"))
        return {2, {"\n\0", 2}, kRecordKeyLE};
    if (book.starts_with("\xFE\xFF"))
        return {2, {"\0\n", 2}, kRecordKeyBE};
    return {};
}

// Where the line after the one starting at `line` starts, or npos for the last line.
std::size_t nextLine(std::string_view book, std::size_t line, const Units& units)
{
    for (std::size_t at = line; at + units.size <= book.size(); at += units.size) {
        if (units.size == 1) {
            const void* feed = std::memchr(book.data() + at, '\n', book.size() - at);
            return feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - book.data()) + 1
                        : std::string_view::npos;
        }
        if (book.substr(at, 2) == units.feed)
            return at + 2;
    }
    return std::string_view::npos;
}

// A line of nothing but its line end (the blank line between two records).
bool isBlank(std::string_view line)
{
    return line.find_first_not_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

bool isRecordPiece(std::string_view piece)
{
    return piece.starts_with(kRecordKey) || piece.starts_with(kRecordKeyLE) || piece.starts_with(kRecordKeyBE);
}

std::uint64_t recordCount(const std::vector<std::string_view>& pieces)
{
    std::uint64_t count = 0;
    for (const std::string_view piece : pieces)
        count += isRecordPiece(piece) ? 1 : 0;
    return count;
}

std::vector<std::string_view> cutIntoPieces(std::string_view book)
{
    // A record's piece is its lines alone, and the blank lines between records are pieces of
    // their own: a record reads the same wherever it stands, last in the book or not.
    const Units units = unitsOf(book);
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    std::size_t blankFrom = std::string_view::npos;
    for (std::size_t line = 0; line < book.size();) {
        const std::size_t next = nextLine(book, line, units);
        const std::size_t end = next == std::string_view::npos ? book.size() : next;
        if (line > start && book.substr(line).starts_with(units.recordKey)) {
            const std::size_t gap = blankFrom != std::string_view::npos && blankFrom > start ? blankFrom : line;
            pieces.push_back(book.substr(start, gap - start));
            if (line > gap)
                pieces.push_back(book.substr(gap, line - gap));
            start = line;
        }
        const bool blank = isBlank(book.substr(line, end - line));
        blankFrom = !blank ? std::string_view::npos : blankFrom == std::string_view::npos ? line : blankFrom;
        line = end;
    }
    if (start < book.size())
        pieces.push_back(book.substr(start));
    return pieces;
}

PieceDelta deltaBetween(const std::vector<std::string_view>& before, const std::vector<std::string_view>& after)
{
    // One hash a piece, a map from hash to the first piece of the state before that has it:
    // a save of 100,000 contacts that changed one is matched in one pass over each state.
    std::unordered_map<std::uint64_t, std::uint64_t> firstAt;
    // Records of the state before not yet matched by one of the state after, by hash.
    std::unordered_map<std::uint64_t, std::uint64_t> unmatched;
    firstAt.reserve(before.size());
    unmatched.reserve(before.size());
    for (std::uint64_t i = 0; i < before.size(); ++i) {
        const std::uint64_t hash = hashBytes(before[i]);
        firstAt.try_emplace(hash, i);
        if (isRecordPiece(before[i]))
            ++unmatched[hash];
    }
    PieceDelta delta;
    std::uint64_t matched = 0;
    for (const std::string_view piece : after) {
        const std::uint64_t hash = hashBytes(piece);
        if (auto left = unmatched.find(hash); left != unmatched.end() && left->second > 0 && isRecordPiece(piece)) {
            --left->second;
            ++matched;
        }
        PieceStep* run = delta.steps.empty() || !delta.steps.back().copy ? nullptr : &delta.steps.back();
        if (run && run->start + run->count < before.size() && before[run->start + run->count] == piece) {
            ++run->count;
            continue;
        }
        if (const auto found = firstAt.find(hash); found != firstAt.end() && before[found->second] == piece) {
            delta.steps.push_back({true, found->second, 1, {}});
            continue;
        }
        delta.steps.push_back({false, 0, 0, piece});
    }
    delta.added = recordCount(after) - matched;
    delta.removed = recordCount(before) - matched;
    return delta;
}

bool applyDelta(const std::vector<std::string_view>& before, const std::vector<PieceStep>& steps,
                std::vector<std::string_view>& after)
{
    after.clear();
    for (const PieceStep& step : steps) {
        if (!step.copy) {
            after.push_back(step.bytes);
            continue;
        }
        if (step.start > before.size() || step.count > before.size() - step.start)
            return false;
        after.insert(after.end(), before.begin() + static_cast<std::ptrdiff_t>(step.start),
                     before.begin() + static_cast<std::ptrdiff_t>(step.start + step.count));
    }
    return true;
}

std::string joinPieces(const std::vector<std::string_view>& pieces)
{
    std::size_t size = 0;
    for (const std::string_view piece : pieces)
        size += piece.size();
    std::string joined;
    joined.reserve(size);
    for (const std::string_view piece : pieces)
        joined.append(piece);
    return joined;
}

} // namespace qor
