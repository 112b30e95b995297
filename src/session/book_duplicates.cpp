// Finding and merging the book's duplicates without a window, through the session as every
// writer.
#include "book_duplicates.h"

#include "book_session.h"
#include "command_save.h"
#include "duplicate_search.h"
#include "list_transfer.h"
#include "not_duplicates_file.h"

namespace qor {

namespace {

// Why the command cannot work on the book it opened, or "": a book that is not there, or one
// that may not be replaced. A book with nothing in it shows one empty contact in the window;
// that contact is not one of the book's, and goes.
std::string openedForCommand(BookSession& session, const LoadReport& loaded)
{
    if (loaded.missing)
        return pathText(session.bookPath()) + ": no such book";
    std::string refusal = refusalOf(loaded, session.bookPath());
    if (refusal.empty() && loaded.blank)
        session.store().removeRowAt(0);
    return refusal;
}

} // namespace

std::string mergeName(const GroupMembers& members)
{
    const std::string name = members.empty() ? std::string() : listNameOf(members.front());
    return "Merge \"" + name + "\" x " + std::to_string(members.size());
}

BookDuplicates findBookDuplicates(const std::filesystem::path& book)
{
    BookDuplicates result;
    BookSession session(book);
    session.keepUndoSteps(false);
    result.error = openedForCommand(session, session.load());
    if (!result.error.empty())
        return result;
    for (const DuplicateGroup& group : findDuplicatesInList(session.store(), readNotDuplicates(book)))
        result.groups.push_back(membersOf(session.store(), group));
    result.ok = true;
    return result;
}

MergedDuplicates mergeBookDuplicates(const std::filesystem::path& book, std::chrono::milliseconds wait)
{
    MergedDuplicates result;
    BookSession session(book);
    session.keepUndoSteps(false);
    result.error = holdTurnAsCommand(session, wait);
    if (!result.error.empty())
        return result;
    result.error = openedForCommand(session, session.load());
    if (!result.error.empty())
        return result;

    std::vector<DuplicateMerge> merges;
    for (const DuplicateGroup& group : findDuplicatesInList(session.store(), readNotDuplicates(book))) {
        const GroupMembers members = membersOf(session.store(), group);
        if (!equalExceptEmpty(members)) {
            ++result.leftOver;
            continue;
        }
        merges.push_back({group, mergedContact(members, defaultSources(members))});
    }
    result.merged = merges.size();
    if (merges.empty()) {
        result.ok = true;
        return result;
    }
    session.mergeDuplicates(merges, "Merge duplicates");
    // Only a program that ignores the lock can have written it meanwhile.
    result.error = saveAsCommand(session, result.saved, "while the duplicates were merged");
    result.ok = result.error.empty();
    return result;
}

} // namespace qor
