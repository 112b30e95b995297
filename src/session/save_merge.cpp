// A save that finds the book changed on disk merges the two sides: the base is the book as this
// session last read or wrote it, theirs the file now, ours the list.
#include "book_session.h"

#include "book_history.h"
#include "book_size_limit.h"
#include "contact_hash.h"
#include "list_rows.h"

#include <algorithm>
#include <utility>

namespace qor {

namespace {

// The list a row store gives the merge, one row at a time.
MergeRows mergeRowsOfStore(const ContactStore& store)
{
    auto record = std::make_shared<ContactRecord>();
    return MergeRows{static_cast<std::size_t>(store.rowCount()),
                     [&store, record](std::size_t row) -> const ContactRecord& {
                         store.copyRecord(static_cast<int>(row), *record);
                         return *record;
                     }};
}

bool isBlank(std::string_view bytes)
{
    return bytes.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

// The longest run of `rows` that rises.
std::size_t longestRise(const std::vector<std::size_t>& rows)
{
    std::vector<std::size_t> tails;
    for (std::size_t row : rows) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), row);
        if (at == tails.end())
            tails.push_back(row);
        else
            *at = row;
    }
    return tails.size();
}

// Whether `list` runs the other way from `reference`: pairing their identical contacts (by
// hash: a rare collision only blurs the count), more of the pairs keep their order read
// backwards than forwards. Nothing to tell by: `otherwise`.
bool runsBackwards(const MergeRows& reference, const std::vector<ContactRecord>& list, bool otherwise)
{
    std::vector<std::pair<std::uint64_t, std::size_t>> waiting(reference.count); // hash, row
    for (std::size_t row = 0; row < reference.count; ++row)
        waiting[row] = {hashContact(reference.row(row)), row};
    std::sort(waiting.begin(), waiting.end());
    // For each run of one hash (by its first index), the next copy not paired yet.
    std::vector<std::size_t> next(waiting.size());
    for (std::size_t i = 0; i < waiting.size(); ++i)
        next[i] = i;
    std::vector<std::size_t> paired;
    for (const ContactRecord& record : list) {
        const std::uint64_t hash = hashContact(record);
        const auto first = std::lower_bound(waiting.begin(), waiting.end(), std::pair(hash, std::size_t{0}));
        if (first == waiting.end() || first->first != hash)
            continue;
        std::size_t& copy = next[static_cast<std::size_t>(first - waiting.begin())];
        if (copy < waiting.size() && waiting[copy].first == hash)
            paired.push_back(waiting[copy++].second);
    }
    const std::size_t forwards = longestRise(paired);
    std::reverse(paired.begin(), paired.end());
    const std::size_t backwards = longestRise(paired);
    return forwards == backwards ? otherwise : backwards > forwards;
}

} // namespace

std::optional<BookSession::PendingMerge> BookSession::planMergeWithDisk() const
{
    // Only a book can be merged with: a file gone, emptied, unreadable or turned into something
    // else is the user's to decide about.
    const BookBytes file = readBookFileWithin(m_bookPath, largestReadableBook());
    if (file.status != ReadStatus::Read || isBlank(file.bytes()))
        return std::nullopt;
    PendingMerge merge;
    merge.theirsStamp = stampOf(file, m_bookPath);
    ListOfBook theirs = listOfBook(file.bytes());
    if (!theirs.reading.isBook)
        return std::nullopt;
    merge.theirs = std::move(theirs.rows);

    // The base: nothing when there was no book; else the book as last read or written, which
    // every save since has kept in the history. Without it, nothing counts as removed on either
    // side, so the merge keeps every contact of both.
    std::vector<ContactRecord> base;
    if (m_bookStamp.status == ReadStatus::Read) {
        const RebuiltState state = rebuildStateWithHash(m_bookPath, m_bookStamp.hash);
        if (state.ok)
            base = listOfBook(state.bytes).rows;
        else
            merge.baseUnknown = true;
    }
    // The three lists must run the same way. Reading a book puts its last contact on top and a
    // save writes the list from the top, so every load and save turns the order round: the
    // base runs as the list when this session read it, the other way when it wrote it; the
    // other side most likely read this base and saved, so it runs the other way from the base,
    // unless the contacts it shares with the base (or with this list) say otherwise.
    if (!m_bookStampFromLoad)
        std::reverse(base.begin(), base.end());
    const MergeRows ours = mergeRowsOfStore(m_store);
    const bool theirsBackwards =
        base.empty() ? runsBackwards(ours, merge.theirs, false)
                     : runsBackwards(mergeRowsOf(base), merge.theirs, m_bookStampFromLoad);
    if (theirsBackwards)
        std::reverse(merge.theirs.begin(), merge.theirs.end());
    merge.theirsBackwards = theirsBackwards;
    merge.plan = planMerge(mergeRowsOf(base), ours, mergeRowsOf(merge.theirs));
    return merge;
}

SaveResult BookSession::mergeAndWrite(PendingMerge&& merge, SaveMode mode)
{
    // The list becomes the merged list as a change of its own, which Undo takes back; the form
    // and the mark stay as the user left them.
    changeList(editForMerge(m_store, merge.plan, merge.theirs), "Merge with the book on disk", false);
    // The file on disk is now what the list was merged with: the book the save replaces.
    m_bookStamp = merge.theirsStamp;
    m_bookStampFromLoad = merge.theirsBackwards;
    SaveResult saved = writeOver(formatList(), mode, true);
    saved.merged = saved.outcome == SaveOutcome::Saved;
    saved.account = merge.plan.account;
    saved.mergeBaseUnknown = merge.baseUnknown;
    return saved;
}

} // namespace qor
