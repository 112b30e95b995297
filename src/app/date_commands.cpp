#include "date_commands.h"

#include "book_file.h"
#include "book_size_limit.h"
#include "book_stream.h"
#include "command_line.h"
#include "date_rules.h"
#include "form_rules.h"
#include "ical_writer.h"
#include "terminal_text.h"
#include "upcoming_dates.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

namespace qor {

namespace {

int refuse(std::ostream& err, int status, const std::string& message)
{
    if (status == kExitUsage)
        return usageError(err, message);
    err << kProgramName << ": " << message << '\n';
    return status;
}

// Hands each contact of the book at `path` to `each` as the window would list it: taken through
// the form, so that "Ju" is June here as there. In file order; the list's order is the
// reverse. The book is read a piece at a time and each record is let go once `each` has seen
// it, so a big book is never held whole. Refused as the window refuses it: a book too big for
// this machine is a failure with its reason, never an empty listing or calendar reported as
// success. The status and error are the book's; records are handed over only while it reads.
BookBytes forEachListedContact(const std::filesystem::path& path, const std::function<void(ContactRecord&)>& each)
{
    BookRecordStream stream(ContactRecord{}, [&each](ContactRecord& record) {
        passThroughForm(record);
        each(record);
    });
    BookBytes file = readBookFileInPiecesWithin(path, largestReadableBook(),
                                                [&stream](std::string_view piece) { stream.feed(piece); });
    if (file.status == ReadStatus::Read)
        stream.finish();
    if (file.status == ReadStatus::TooBig) {
        file.status = ReadStatus::Unreadable;
        file.error = path.string() + ": " + file.error;
    }
    return file;
}

bool allDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

BookCalendar readBookCalendar(const std::filesystem::path& path, std::int64_t stampUtcSeconds)
{
    BookCalendar calendar;
    CalendarWriter writer;
    const BookBytes file = forEachListedContact(path, [&](ContactRecord& record) {
        writer.add(record);
        ++calendar.contacts;
    });
    calendar.status = file.status;
    calendar.error = file.error;
    if (file.status != ReadStatus::Read)
        return calendar;
    // The file's contacts in the window's order.
    calendar.text = writer.format(stampUtcSeconds, true);
    return calendar;
}

int runUpcoming(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    for (const auto& [name, value] : line.options)
        if (name != "from")
            return refuse(err, kExitUsage, "option '--" + name + "' does not go with '--upcoming'");

    int days = kDefaultUpcomingDays;
    std::size_t bookIndex = 0;
    if (!line.operands.empty() && allDigits(line.operands[0])) {
        const std::string& text = line.operands[0];
        const std::size_t significant = text.size() - std::min(text.find_first_not_of('0'), text.size());
        if (significant > 9 || std::stoi(text) > kMaxUpcomingDays)
            return refuse(err, kExitUsage,
                          "DAYS must be from 0 to " + std::to_string(kMaxUpcomingDays) + ", not '" + text + "'");
        days = std::stoi(text);
        bookIndex = 1;
    }

    CivilDate from = localToday();
    if (const auto given = line.options.find("from"); given != line.options.end()) {
        const std::optional<CivilDate> date = parseIsoDate(given->second);
        if (!date)
            return refuse(err, kExitUsage, "invalid date '" + given->second + "': use YYYY-MM-DD");
        from = *date;
    }

    std::filesystem::path book;
    std::string error;
    if (!bookOperand(line, bookIndex, book, error))
        return refuse(err, kExitUsage, error);
    // The list order only breaks ties of equal lines, so the file order serves.
    UpcomingCollector collector(from, days);
    std::size_t index = 0;
    const BookBytes file = forEachListedContact(book, [&](ContactRecord& record) { collector.add(record, index++); });
    if (file.status == ReadStatus::Missing)
        return refuse(err, kExitFailure, book.string() + ": no such book");
    if (file.status == ReadStatus::Unreadable)
        return refuse(err, kExitFailure, file.error);
    std::string text;
    for (UpcomingDate& date : collector.sorted()) {
        date.name = terminalText(date.name); // a name must not drive the terminal nor add a column
        text += upcomingLine(date);
        text += '\n';
    }
    if (!writeOutput(out, text, error))
        return refuse(err, kExitFailure, error);
    return kExitSuccess;
}

} // namespace qor
