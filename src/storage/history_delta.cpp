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

// Where a piece starts when a record's line starts at `at` (just after a line feed byte): the
// line itself, or in UTF-16 little-endian one byte further, past the line feed's high byte.
std::size_t recordStartAt(std::string_view book, std::size_t at)
{
    const std::string_view rest = book.substr(at);
    if (rest.starts_with(kRecordKey) || rest.starts_with(kRecordKeyBE))
        return at;
    if (rest.size() > kRecordKeyLE.size() && rest[0] == '\0' && rest.substr(1).starts_with(kRecordKeyLE))
        return at + 1;
    return std::string_view::npos;
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
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    std::size_t line = 0;
    while (line < book.size()) {
        const std::size_t cut = recordStartAt(book, line);
        if (cut != std::string_view::npos && cut > start) {
            pieces.push_back(book.substr(start, cut - start));
            start = cut;
        }
        const void* feed = std::memchr(book.data() + line, '\n', book.size() - line);
        if (!feed)
            break;
        line = static_cast<std::size_t>(static_cast<const char*>(feed) - book.data()) + 1;
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
