// Telling what a save changed, piece by piece, and applying it back.
#include "history_delta.h"

#include <bit>
#include <optional>
#include <unordered_map>

namespace qor {

namespace {

// The pieces of the state before by key, in one open-addressed table: where the first piece with
// a key stands, and how many records with it are not yet matched by one of the state after.
class PieceIndex {
public:
    struct Slot {
        std::uint64_t hash = 0;
        std::uint64_t size = 0;
        std::uint64_t first = kEmpty;
        std::uint64_t unmatched = 0;
    };

    explicit PieceIndex(const std::vector<PieceKey>& pieces)
        : m_slots(std::bit_ceil(pieces.size() + pieces.size() / 2 + 1)), m_mask(m_slots.size() - 1)
    {
        for (std::uint64_t i = 0; i < pieces.size(); ++i) {
            Slot& slot = place(pieces[i]);
            if (slot.first == kEmpty)
                slot = {pieces[i].hash, pieces[i].size, i, 0};
            if (pieces[i].record)
                ++slot.unmatched;
        }
    }
    // The slot of `key`, or nullptr when no piece before has it.
    Slot* find(const PieceKey& key)
    {
        Slot& slot = place(key);
        return slot.first == kEmpty ? nullptr : &slot;
    }

private:
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    Slot& place(const PieceKey& key)
    {
        for (std::size_t at = key.hash & m_mask;; at = (at + 1) & m_mask) {
            Slot& slot = m_slots[at];
            if (slot.first == kEmpty || (slot.hash == key.hash && slot.size == key.size))
                return slot;
        }
    }
    std::vector<Slot> m_slots;
    std::size_t m_mask;
};

// One piece in this many of the state before may be missed near where the last copy ended
// before every piece is looked up.
constexpr std::size_t kPiecesAMiss = 1024;

// Where piece `k` of the state after stands in the state before, looked for only near where the
// last copy took a piece (`last`, the copies going `way`: +1, -1, 0 not known) and where a book
// turned around has it; nullopt when it is not there.
std::optional<std::uint64_t> findNear(const std::vector<PieceKey>& before, const std::vector<PieceKey>& afterKeys,
                                      std::size_t k, std::optional<std::uint64_t> last, int way)
{
    const PieceKey& key = afterKeys[k];
    std::optional<std::uint64_t> from;
    const auto tryAt = [&](std::uint64_t piece) {
        if (!from && piece < before.size() && before[piece] == key)
            from = piece;
    };
    // The run goes on where it can: the way the piece after this one goes on too (the blank
    // line between two records is found both ways), else the next piece the run's way, else
    // the nearest others (a piece or two replaced or added in between), its way first.
    if (last && k + 1 < afterKeys.size()) {
        const auto leadsOn = [&](std::uint64_t piece, std::uint64_t next) {
            return next < before.size() && piece < before.size() && before[piece] == key
                && before[next] == afterKeys[k + 1];
        };
        const bool up = leadsOn(*last + 1, *last + 2);
        const bool down = *last >= 2 && leadsOn(*last - 1, *last - 2);
        if (up != down)
            return up ? *last + 1 : *last - 1;
    }
    for (std::uint64_t d = 1; last && !from && d <= 3; ++d) {
        const std::uint64_t ahead = *last + d;
        const std::uint64_t behind = *last >= d ? *last - d : before.size();
        tryAt(way < 0 ? behind : ahead);
        tryAt(way < 0 ? ahead : behind);
    }
    for (std::uint64_t piece = 0; !last && piece < 3; ++piece)
        tryAt(piece);
    // A session lists the book the other way from the file it read, so its first save writes
    // it turned around: a piece stands where its mirror stood, and the first records written
    // after the ones added are the last ones read.
    const std::uint64_t mirror = before.size() > k ? before.size() - k : 0;
    for (std::uint64_t piece = mirror > 2 ? mirror - 2 : 0; !from && piece <= mirror + 2; ++piece)
        tryAt(piece);
    for (std::uint64_t piece = before.size() > 5 ? before.size() - 5 : 0; !from && piece < before.size(); ++piece)
        tryAt(piece);
    return from;
}

} // namespace

PieceDelta deltaBetween(const std::vector<PieceKey>& before, const std::vector<std::string_view>& after,
                        const std::vector<PieceKey>& afterKeys)
{
    // The pieces of a save follow those of the save before but for what it changed, or run the
    // other way: each piece is looked for near where the last copied one was (findNear); the
    // table of every piece before is built only when that fails. A save of 100,000 contacts that
    // changed one is matched in one pass over each state, without the table.
    std::optional<PieceIndex> index;
    std::size_t misses = 0;
    const auto lookUp = [&](const PieceKey& key) -> std::optional<std::uint64_t> {
        // A few pieces not found near (one in a thousand of a big book's): given whole (new
        // records, mostly). More: the order changed, and every piece is looked for everywhere
        // from then on. A small book's table costs nothing: it is looked up at once.
        if (!index && ++misses <= before.size() / kPiecesAMiss)
            return std::nullopt;
        if (!index)
            index.emplace(before);
        const PieceIndex::Slot* slot = index->find(key);
        return slot ? std::optional(slot->first) : std::nullopt;
    };
    // Records are counted as matched in pairs, one before and one after, each paired once: the
    // records left unpaired are paired by key at the end. That counts, for each key, the fewer
    // of its records before and after, whatever the pairs.
    std::vector<bool> paired(before.size(), false);
    std::unordered_map<std::uint64_t, std::uint64_t> leftAfter; // unpaired records after, by hash
    std::uint64_t matched = 0;
    std::uint64_t afterRecords = 0;
    PieceDelta delta;
    std::optional<std::uint64_t> last; // the piece before that the last copy took
    int way = 0;                       // which way the copies went there
    for (std::size_t k = 0; k < after.size(); ++k) {
        const PieceKey& key = afterKeys[k];
        std::optional<std::uint64_t> from = findNear(before, afterKeys, k, last, way);
        if (!from)
            from = lookUp(key);
        if (key.record) {
            ++afterRecords;
            if (from && !paired[*from]) {
                paired[*from] = true;
                ++matched;
            } else {
                ++leftAfter[key.hash];
            }
        }
        if (!from) {
            delta.steps.push_back({false, 0, 0, after[k]});
            continue;
        }
        PieceStep* run = delta.steps.empty() || !delta.steps.back().copy ? nullptr : &delta.steps.back();
        const bool ahead = run && !run->backwards && run->start + run->count == *from;
        const bool behind = run && (run->backwards || run->count == 1) && run->start == *from + run->count;
        if (ahead || behind) {
            run->backwards = behind;
            ++run->count;
            way = ahead ? 1 : -1;
        } else {
            delta.steps.push_back({true, *from, 1, {}});
        }
        last = *from;
    }
    std::uint64_t beforeRecords = 0;
    for (std::uint64_t i = 0; i < before.size(); ++i) {
        if (!before[i].record)
            continue;
        ++beforeRecords;
        if (paired[i] || leftAfter.empty())
            continue;
        if (const auto left = leftAfter.find(before[i].hash); left != leftAfter.end() && left->second > 0) {
            --left->second;
            ++matched;
        }
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
        if (step.backwards) {
            if (step.count > 0 && (step.start >= before.size() || step.count > step.start + 1))
                return false;
            for (std::uint64_t i = 0; i < step.count; ++i)
                after.push_back(before[step.start - i]);
            continue;
        }
        if (step.start > before.size() || step.count > before.size() - step.start)
            return false;
        after.insert(after.end(), before.begin() + static_cast<std::ptrdiff_t>(step.start),
                     before.begin() + static_cast<std::ptrdiff_t>(step.start + step.count));
    }
    return true;
}

} // namespace qor
