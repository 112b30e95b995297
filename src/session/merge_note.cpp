#include "merge_note.h"

namespace qor {

namespace {

std::string contacts(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " contact" : " contacts");
}

std::string was(std::size_t count) { return count == 1 ? " was" : " were"; }

} // namespace

std::string otherSideChanges(const MergeAccount& account)
{
    return "+" + std::to_string(account.addedThere) + ", -" + std::to_string(account.removedThere);
}

std::string mergeNote(const MergeAccount& account, bool baseUnknown)
{
    std::string note;
    const auto add = [&note](const std::string& sentence) {
        if (!note.empty())
            note += ' ';
        note += sentence;
    };
    if (account.changedInBoth > 0)
        add(contacts(account.changedInBoth) + was(account.changedInBoth)
            + " changed in both places; both versions are kept.");
    if (account.deletedHereChangedThere > 0)
        add(contacts(account.deletedHereChangedThere) + " deleted here" + was(account.deletedHereChangedThere)
            + " changed in the book on disk; the changed version is kept.");
    if (account.deletedThereChangedHere > 0)
        add(contacts(account.deletedThereChangedHere) + " deleted in the book on disk" + was(account.deletedThereChangedHere)
            + " changed here; the changed version is kept.");
    if (baseUnknown)
        add("The book as this window last read it is not in its history, so every contact of both sides "
            "is kept: contacts deleted on one side are back.");
    return note;
}

} // namespace qor
