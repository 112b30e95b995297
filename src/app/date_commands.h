#pragma once

#include "book_file.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>

namespace qor {

struct CommandLine;

// qor --upcoming [DAYS] [--from YYYY-MM-DD] [BOOK]: prints the birthdays and anniversaries of
// BOOK (read as the window lists it) in the DAYS days from the given day, default 30 days from
// today, one tab-separated line each, sorted by date, then name. Exit status 0, also when
// nothing is coming up; 1 when the book is missing or unreadable or the output cannot be
// written; 2 for a DAYS or a date it does not understand. A first operand of digits only is
// DAYS. Never writes any file and starts no GUI.
int runUpcoming(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace qor

namespace qor {

// The calendar of the book at `path` (formatCalendar of its contacts as the window lists them),
// read as a stream: a big book is never held whole. `status` and `error` are the book's, as
// readBookFile gives them; `text` is empty unless the book was read.
struct BookCalendar {
    ReadStatus status = ReadStatus::Missing;
    std::string error;
    std::string text;
    std::size_t contacts = 0;
};
BookCalendar readBookCalendar(const std::filesystem::path& path, std::int64_t stampUtcSeconds);

} // namespace qor
