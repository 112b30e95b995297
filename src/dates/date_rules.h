#pragma once

#include "contact_record.h"

#include <ctime>

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// A day of the (proleptic) Gregorian calendar.
struct CivilDate {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to the month's length
    auto operator<=>(const CivilDate&) const = default;
};

// The earliest and latest days QOR writes or reads as YYYY-MM-DD.
inline constexpr CivilDate kFirstCivilDate{1, 1, 1};
inline constexpr CivilDate kLastCivilDate{9999, 12, 31};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// Days since 1970-01-01 (negative before it), and back. Exact for every date in range.
std::int64_t daysSinceEpoch(CivilDate date);
CivilDate dateFromDays(std::int64_t days);

// "YYYY-MM-DD". parseIsoDate accepts exactly that form of a real day between kFirstCivilDate
// and kLastCivilDate, and nothing else (no time, no spaces, no other separators).
std::string isoDate(CivilDate date);
std::optional<CivilDate> parseIsoDate(std::string_view text);

// The day the local clock says it is.
CivilDate localToday();
// The wall-clock time here, broken down (also for the names of files written beside the book).
std::tm localTimeNow();

enum class DateKind : std::uint8_t { Birthday, Anniversary };

// "birthday" or "anniversary".
const char* kindWord(DateKind kind);

// A date of birth or an anniversary as a contact holds it: a day and a month that exist
// together, and maybe the year.
struct ContactDate {
    int day = 1;
    int month = 1;
    int year = 0; // 0: the contact has no year for it
    bool hasYear() const { return year != 0; }
    bool operator==(const ContactDate&) const = default;
};

// Reads the three free-text fields of one date. Spaces and tabs around each text are ignored.
//  - The day is a number from 1 to 31 (leading zeros allowed).
//  - The month is its English name or the first three letters of it, in any case ("May",
//    "sep", "DECEMBER"), or a number from 1 to 12.
//  - The year is four digits from 0001 to 9999. A year field that is empty or holds anything
//    else means the date has no year; the day and month still count.
// Refuses (nullopt) anything else, and a day the month does not have: 31 April, 30 February,
// and 29 February of a given year that is not a leap year. Never guesses ("Ju", "Sept", "1st"
// and two-digit years are not read as dates or years).
std::optional<ContactDate> readContactDate(std::string_view day, std::string_view month,
                                           std::string_view year);

// The contact's date of birth (DOBDAY, DOBMON, DOBYEAR) or anniversary (ANDAY, ANMON, ANYEAR),
// when the fields hold one.
std::optional<ContactDate> contactDate(const ContactRecord& record, DateKind kind);

// The day `date` falls on in `year`: the same day and month, except that 29 February falls on
// 28 February in a year without one.
CivilDate occurrenceIn(const ContactDate& date, int year);

} // namespace qor
