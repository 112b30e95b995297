#include "book_list.h"

#include "form_rules.h"

#include <algorithm>
#include <cstring>

namespace qor {

BookList readBookList(const std::filesystem::path& path)
{
    BookList list;
    const BookBytes file = readBookFile(path);
    list.status = file.status;
    list.error = file.error;
    const std::string_view bytes = file.status == ReadStatus::Read ? file.bytes() : std::string_view();
    list.hasRecords = std::memchr(bytes.data(), '\n', bytes.size()) != nullptr;
    list.encoding = readBookRecords(bytes, ContactRecord{}, [&list](ContactRecord& record) {
        passThroughForm(record);
        list.rows.push_back(std::move(record));
    });
    // Each record the window reads goes in at the top.
    std::reverse(list.rows.begin(), list.rows.end());
    return list;
}

WriteResult saveBookList(const std::filesystem::path& path, const std::vector<ContactRecord>& rows,
                         TextEncoding preferred)
{
    const FormattedBook book = formatBook(
        rows.size(), [&rows](std::size_t i) -> const ContactRecord& { return rows[i]; }, preferred);
    return replaceFileSafely(path, book.bytes);
}

} // namespace qor
