// The file beside the book that remembers the pairs the user said are not duplicates.
#include "not_duplicates_file.h"

#include "book_size_limit.h"

namespace qor {

std::filesystem::path notDuplicatesPathFor(const std::filesystem::path& book)
{
    std::filesystem::path path = book;
    path += ".not-duplicates";
    return path;
}

NotDuplicates readNotDuplicates(const std::filesystem::path& book)
{
    const BookBytes file = readFileWithin(notDuplicatesPathFor(book), largestReadableBook());
    if (file.status != ReadStatus::Read)
        return {};
    return NotDuplicates::parse(file.bytes());
}

WriteResult keepApart(const std::filesystem::path& book, const std::vector<ContactRecord>& contacts)
{
    NotDuplicates pairs = readNotDuplicates(book);
    pairs.addGroup(contacts);
    return replaceFileSafely(notDuplicatesPathFor(book), pairs.format());
}

} // namespace qor
