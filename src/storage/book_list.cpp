#include "book_list.h"

#include "book_size_limit.h"
#include "form_rules.h"

#include <algorithm>

namespace qor {

BookList readBookList(const std::filesystem::path& path)
{
    BookList list;
    const BookBytes file = readBookFileWithin(path, largestReadableBook());
    list.status = file.status == ReadStatus::TooBig ? ReadStatus::Unreadable : file.status;
    list.error = file.error;
    const std::string_view bytes = file.status == ReadStatus::Read ? file.bytes() : std::string_view();
    list.hasRecords = bytes.find_first_not_of(" \t\r\n\v\f") != std::string_view::npos;
    const BookReading reading = readBookRecords(bytes, ContactRecord{}, [&list](ContactRecord& record) {
        passThroughForm(record);
        list.rows.push_back(std::move(record));
    });
    list.encoding = reading.encoding;
    // Bytes that are not a book are someone else's file: nothing may replace them.
    if (!reading.isBook) {
        list.status = ReadStatus::Unreadable;
        list.error = path.string() + " is not a QOR contact book; it is left unchanged";
    }
    // Each record the window reads goes in at the top.
    std::reverse(list.rows.begin(), list.rows.end());
    return list;
}

} // namespace qor
