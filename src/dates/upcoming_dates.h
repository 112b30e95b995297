#pragma once

#include "contact_record.h"
#include "date_rules.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qor {

// The most days one listing of upcoming dates may span (ten years): beyond that the list is
// only the same dates again, and its size grows with the book.
inline constexpr int kMaxUpcomingDays = 3660;
// What the window and the command line list when not told otherwise.
inline constexpr int kDefaultUpcomingDays = 30;

// One birthday or anniversary falling on a day of the listing.
struct UpcomingDate {
    CivilDate date;
    DateKind kind = DateKind::Birthday;
    std::string name;          // displayName of the contact
    std::optional<int> years;  // the age, or the years married; only with a year in the book
    std::size_t row = 0;       // the contact's row in the list it came from
    bool operator==(const UpcomingDate&) const = default;
};

// Every birthday and anniversary of the `rowCount` contacts given by `row(i)` that falls on one
// of the `days` days beginning with `from` (so `from` itself is included and `from + days` is
// not). The listing runs past the end of a year into the next. A contact's dates are read by
// readContactDate; one that does not count as a date is left out, as is a day before the year
// in the book (a birthday before the birth). Sorted by date, then by name (ignoring ASCII case,
// then byte by byte), then birthdays before anniversaries, then by years, then by row. `days`
// below 1 gives an empty list; above kMaxUpcomingDays it is taken as kMaxUpcomingDays; nothing
// is listed after kLastCivilDate. Never changes a record.
std::vector<UpcomingDate> upcomingDates(std::size_t rowCount,
                                        const std::function<const ContactRecord&(std::size_t)>& row,
                                        CivilDate from, int days);

// upcomingDates one contact at a time, for a book read as a stream and never held whole: only
// the dates that fall in the listing are kept.
class UpcomingCollector {
public:
    UpcomingCollector(CivilDate from, int days);
    void add(const ContactRecord& record, std::size_t row);
    // Everything added so far, sorted as upcomingDates sorts.
    std::vector<UpcomingDate> sorted() const;

private:
    CivilDate m_from;
    CivilDate m_last;
    bool m_empty = false;
    std::vector<UpcomingDate> m_found;
};

// One line of the listing, without its line end: the date as YYYY-MM-DD, "birthday" or
// "anniversary", the name, and the years or nothing, separated by tabs. Tabs and line breaks
// in the name become spaces, so a line always has four columns.
std::string upcomingLine(const UpcomingDate& date);

} // namespace qor
