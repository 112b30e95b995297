#include "upcoming_command.h"

#include "book_list.h"
#include "command_line.h"
#include "contact_exchange.h"
#include "date_rules.h"
#include "upcoming_dates.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace qor {

namespace {

int refuse(std::ostream& err, int status, const std::string& message)
{
    err << kProgramName << ": " << message << '\n';
    if (status == kExitUsage)
        err << "Try '" << kProgramName << " --help' for more information.\n";
    return status;
}

bool allDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

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
    const BookList list = readBookList(book);
    if (list.status == ReadStatus::Missing)
        return refuse(err, kExitFailure, book.string() + ": no such book");
    if (list.status == ReadStatus::Unreadable)
        return refuse(err, kExitFailure, list.error);

    const ContactRows rows = rowsOf(list.rows);
    std::string text;
    for (const UpcomingDate& date : upcomingDates(rows.count, rows.row, from, days)) {
        text += upcomingLine(date);
        text += '\n';
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out)
        return refuse(err, kExitFailure, "cannot write to standard output");
    return kExitSuccess;
}

} // namespace qor
