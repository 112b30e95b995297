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

namespace {

// A line of bytes made only of line ends and zeros: part of the blank lines between records.
bool isBlankByte(char c)
{
    return c == '\n' || c == '\r' || c == '\0';
}

// The cut of a book of 8-bit code units, at memory speed: each line start found by memchr is
// checked for the record key; the blank lines before a record are found by walking back from
// it. Cuts exactly where the line-by-line cut below does.
std::vector<std::string_view> cutBytes(std::string_view book)
{
    std::vector<std::string_view> pieces;
    pieces.reserve(book.size() / 256 + 1);
    const char* const data = book.data();
    const std::size_t size = book.size();
    std::size_t start = 0;
    for (std::size_t feed = 0;; ++feed) {
        const void* found = std::memchr(data + feed, '\n', size - feed);
        if (!found)
            break;
        feed = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        const std::size_t line = feed + 1;
        if (size - line < kRecordKey.size() || std::memcmp(data + line, kRecordKey.data(), kRecordKey.size()) != 0)
            continue;
        // The blank lines just before the record, unless they open the piece.
        std::size_t nonBlank = line;
        while (nonBlank > start && isBlankByte(data[nonBlank - 1]))
            --nonBlank;
        std::size_t gap = line;
        if (nonBlank > start)
            gap = static_cast<std::size_t>(static_cast<const char*>(std::memchr(data + nonBlank, '\n', line - nonBlank)) - data) + 1;
        pieces.push_back(book.substr(start, gap - start));
        if (line > gap)
            pieces.push_back(book.substr(gap, line - gap));
        start = line;
        feed = line + kRecordKey.size() - 1;
    }
    if (start < size)
        pieces.push_back(book.substr(start));
    return pieces;
}

} // namespace

std::vector<std::string_view> cutIntoPieces(std::string_view book)
{
    // A record's piece is its lines alone, and the blank lines between records are pieces of
    // their own: a record reads the same wherever it stands, last in the book or not.
    const Units units = unitsOf(book);
    if (units.size == 1)
        return cutBytes(book);
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

std::vector<PieceKey> keysOf(const std::vector<std::string_view>& pieces)
{
    std::vector<PieceKey> keys;
    keys.reserve(pieces.size());
    for (const std::string_view piece : pieces)
        keys.push_back({hashBytes(piece), piece.size(), isRecordPiece(piece)});
    return keys;
}

PieceDelta deltaBetween(const std::vector<PieceKey>& before, const std::vector<std::string_view>& after,
                        const std::vector<PieceKey>& afterKeys)
{
    // A map from key to the first piece of the state before that has it: a save of 100,000
    // contacts that changed one is matched in one pass over each state.
    std::unordered_map<std::uint64_t, std::uint64_t> firstAt;
    // Records of the state before not yet matched by one of the state after, by key.
    std::unordered_map<std::uint64_t, std::uint64_t> unmatched;
    firstAt.reserve(before.size());
    unmatched.reserve(before.size());
    std::uint64_t beforeRecords = 0;
    for (std::uint64_t i = 0; i < before.size(); ++i) {
        firstAt.try_emplace(before[i].hash, i);
        if (before[i].record) {
            ++unmatched[before[i].hash];
            ++beforeRecords;
        }
    }
    PieceDelta delta;
    std::uint64_t matched = 0;
    std::uint64_t afterRecords = 0;
    for (std::size_t k = 0; k < after.size(); ++k) {
        const PieceKey& key = afterKeys[k];
        if (key.record) {
            ++afterRecords;
            if (auto left = unmatched.find(key.hash); left != unmatched.end() && left->second > 0
                && before[firstAt.at(key.hash)] == key) {
                --left->second;
                ++matched;
            }
        }
        PieceStep* run = delta.steps.empty() || !delta.steps.back().copy ? nullptr : &delta.steps.back();
        if (run && run->start + run->count < before.size() && before[run->start + run->count] == key) {
            ++run->count;
            continue;
        }
        if (const auto found = firstAt.find(key.hash); found != firstAt.end() && before[found->second] == key) {
            delta.steps.push_back({true, found->second, 1, {}});
            continue;
        }
        delta.steps.push_back({false, 0, 0, after[k]});
    }
    delta.added = afterRecords - matched;
    delta.removed = beforeRecords - matched;
    return delta;
}

PieceDelta deltaBetween(const std::vector<std::string_view>& before, const std::vector<std::string_view>& after)
{
    return deltaBetween(keysOf(before), after, keysOf(after));
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
