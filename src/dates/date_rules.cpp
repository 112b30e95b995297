#include "date_rules.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace qor {

namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december",
};

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The value of a text of ASCII digits only, at most `maxDigits` of them; nullopt otherwise.
std::optional<int> digitsValue(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool equalsIgnoringCase(std::string_view text, std::string_view lowerName)
{
    if (text.size() != lowerName.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerName[i])
            return false;
    }
    return true;
}

std::optional<int> monthOf(std::string_view text)
{
    // A month number may carry leading zeros ("05"), so allow a few digits before the range
    // check.
    if (const std::optional<int> number = digitsValue(text, 4))
        return *number >= 1 && *number <= 12 ? number : std::nullopt;
    for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
        const std::string_view name = kMonthNames[i];
        if (equalsIgnoringCase(text, name) || equalsIgnoringCase(text, name.substr(0, 3)))
            return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

} // namespace

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> kLengths = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year))
        return 29;
    return kLengths[static_cast<std::size_t>(month - 1)];
}

// Howard Hinnant's days_from_civil and civil_from_days: eras of 400 years, March-based years.
std::int64_t daysSinceEpoch(CivilDate date)
{
    const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t m = date.month;
    const std::int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + date.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate dateFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

std::string isoDate(CivilDate date)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::optional<CivilDate> parseIsoDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const std::optional<int> year = digitsValue(text.substr(0, 4), 4);
    const std::optional<int> month = digitsValue(text.substr(5, 2), 2);
    const std::optional<int> day = digitsValue(text.substr(8, 2), 2);
    if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1
        || *day > daysInMonth(*year, *month))
        return std::nullopt;
    return CivilDate{*year, *month, *day};
}

std::tm localTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

CivilDate localToday()
{
    const std::tm local = localTimeNow();
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

const char* kindWord(DateKind kind)
{
    return kind == DateKind::Birthday ? "birthday" : "anniversary";
}

std::optional<ContactDate> readContactDate(std::string_view dayText, std::string_view monthText,
                                           std::string_view yearText)
{
    const std::optional<int> day = digitsValue(trimmed(dayText), 4);
    const std::optional<int> month = monthOf(trimmed(monthText));
    if (!day || !month || *day < 1 || *day > 31)
        return std::nullopt;

    const std::string_view yearDigits = trimmed(yearText);
    const std::optional<int> year = yearDigits.size() == 4 ? digitsValue(yearDigits, 4) : std::nullopt;
    ContactDate date{*day, *month, year.value_or(0)};
    // Without a year, 29 February is a real day (it comes round every four years).
    const int length = date.hasYear() ? daysInMonth(date.year, date.month) : daysInMonth(2000, date.month);
    if (date.day > length)
        return std::nullopt;
    return date;
}

std::optional<ContactDate> contactDate(const ContactRecord& record, DateKind kind)
{
    using F = ContactField;
    if (kind == DateKind::Birthday)
        return readContactDate(record[F::DOBDAY], record[F::DOBMON], record[F::DOBYEAR]);
    return readContactDate(record[F::ANDAY], record[F::ANMON], record[F::ANYEAR]);
}

CivilDate occurrenceIn(const ContactDate& date, int year)
{
    return {year, date.month, std::min(date.day, daysInMonth(year, date.month))};
}

} // namespace qor
