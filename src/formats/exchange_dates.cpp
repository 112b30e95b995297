#include "exchange_dates.h"

#include <array>
#include <charconv>

namespace qor {

namespace {

constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool allDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int number(std::string_view s)
{
    int n = 0;
    std::from_chars(s.data(), s.data() + s.size(), n);
    return n;
}

int monthNumber(std::string_view month)
{
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (kMonths[i] == month)
            return static_cast<int>(i) + 1;
    return 0;
}

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysIn(int month, int year) // year 0: unknown
{
    constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year != 0 && !isLeap(year))
        return 28;
    return month == 0 ? 31 : kDays[static_cast<std::size_t>(month - 1)];
}

std::string twoDigits(int n) { return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; }
std::string fourDigits(int n) { return twoDigits(n / 100) + twoDigits(n % 100); }

// Fills `date` from numbers (0 for a part not given), refusing days the month does not have.
bool setDate(FormDate& date, int day, int month, std::string_view year)
{
    if (month < 0 || month > 12 || day < 0 || day > daysIn(month, year.empty() ? 0 : number(year)))
        return false;
    date.day = day == 0 ? "" : std::to_string(day);
    date.month = month == 0 ? "" : std::string(kMonths[static_cast<std::size_t>(month - 1)]);
    date.year = std::string(year);
    return !date.empty();
}

} // namespace

std::string_view monthName(int month)
{
    return month >= 1 && month <= 12 ? kMonths[static_cast<std::size_t>(month - 1)] : std::string_view();
}

bool isCanonicalDate(std::string_view day, std::string_view month, std::string_view year)
{
    if (!year.empty() && (year.size() != 4 || !allDigits(year)))
        return false;
    const int m = month.empty() ? 0 : monthNumber(month);
    if (!month.empty() && m == 0)
        return false;
    if (!day.empty()) {
        if (!allDigits(day) || day.size() > 2 || day[0] == '0')
            return false;
        if (number(day) > daysIn(m, year.empty() ? 0 : number(year)))
            return false;
    }
    return true;
}

std::string vcard4Date(std::string_view day, std::string_view month, std::string_view year)
{
    if (!isCanonicalDate(day, month, year))
        return {};
    const std::string mm = month.empty() ? "" : twoDigits(monthNumber(month));
    const std::string dd = day.empty() ? "" : twoDigits(number(day));
    if (!year.empty())
        return day.empty() ? (month.empty() ? std::string(year) : std::string(year) + "-" + mm)
                           : (month.empty() ? std::string() : std::string(year) + mm + dd);
    if (!month.empty())
        return "--" + mm + dd;
    return day.empty() ? std::string() : "---" + dd;
}

std::string isoDate(std::string_view day, std::string_view month, std::string_view year)
{
    if (day.empty() || month.empty() || year.empty() || !isCanonicalDate(day, month, year))
        return {};
    return std::string(year) + "-" + twoDigits(monthNumber(month)) + "-" + twoDigits(number(day));
}

std::string usDate(std::string_view day, std::string_view month, std::string_view year)
{
    if (day.empty() || month.empty() || year.empty() || !isCanonicalDate(day, month, year))
        return {};
    return std::to_string(monthNumber(month)) + "/" + std::string(day) + "/" + std::string(year);
}

std::string vcard4DateOf(const ContactDate& date)
{
    const std::string mmdd = twoDigits(date.month) + twoDigits(date.day);
    return date.hasYear() ? fourDigits(date.year) + mmdd : "--" + mmdd;
}

std::string isoDateOf(const ContactDate& date)
{
    const std::string mmdd = twoDigits(date.month) + "-" + twoDigits(date.day);
    return (date.hasYear() ? fourDigits(date.year) : std::string("-")) + "-" + mmdd;
}

std::string appleDateOf(const ContactDate& date)
{
    return fourDigits(date.hasYear() ? date.year : kOmittedYear) + "-" + twoDigits(date.month) + "-"
        + twoDigits(date.day);
}

std::string usDateOf(const ContactDate& date)
{
    return std::to_string(date.month) + "/" + std::to_string(date.day) + "/"
        + std::to_string(date.hasYear() ? date.year : kOmittedYear);
}

bool parseExchangeDate(std::string_view text, FormDate& date)
{
    date = FormDate{};
    // A time of day after the date is not kept.
    if (const std::size_t t = text.find('T'); t != std::string_view::npos)
        text = text.substr(0, t);
    const auto digitsAt = [&text](std::size_t at, std::size_t n) {
        return text.size() >= at + n && allDigits(text.substr(at, n));
    };
    const auto num = [&text](std::size_t at, std::size_t n) { return number(text.substr(at, n)); };

    if (text.size() == 8 && allDigits(text)) // 19800517
        return setDate(date, num(6, 2), num(4, 2), text.substr(0, 4)) && !date.month.empty() && !date.day.empty();
    if (text.size() == 10 && digitsAt(0, 4) && text[4] == '-' && digitsAt(5, 2) && text[7] == '-' && digitsAt(8, 2))
        return setDate(date, num(8, 2), num(5, 2), text.substr(0, 4)) && !date.month.empty() && !date.day.empty();
    if (text.size() == 7 && digitsAt(0, 4) && text[4] == '-' && digitsAt(5, 2)) // 1980-05
        return setDate(date, 0, num(5, 2), text.substr(0, 4)) && !date.month.empty();
    if (text.size() == 4 && allDigits(text)) // 1980
        return setDate(date, 0, 0, text);
    if (text.starts_with("---") && text.size() == 5 && digitsAt(3, 2)) // ---17
        return setDate(date, num(3, 2), 0, "") && !date.day.empty();
    if (text.starts_with("--")) {
        if (text.size() == 4 && digitsAt(2, 2)) // --05
            return setDate(date, 0, num(2, 2), "") && !date.month.empty();
        if (text.size() == 6 && digitsAt(2, 4)) // --0517
            return setDate(date, num(4, 2), num(2, 2), "") && !date.month.empty() && !date.day.empty();
        if (text.size() == 7 && digitsAt(2, 2) && text[4] == '-' && digitsAt(5, 2)) // --05-17
            return setDate(date, num(5, 2), num(2, 2), "") && !date.month.empty() && !date.day.empty();
        return false;
    }
    // M/D/YYYY
    const std::size_t slash1 = text.find('/');
    const std::size_t slash2 = slash1 == std::string_view::npos ? slash1 : text.find('/', slash1 + 1);
    if (slash2 == std::string_view::npos)
        return false;
    const std::string_view m = text.substr(0, slash1);
    const std::string_view d = text.substr(slash1 + 1, slash2 - slash1 - 1);
    const std::string_view y = text.substr(slash2 + 1);
    if (m.empty() || m.size() > 2 || d.empty() || d.size() > 2 || y.size() != 4 || !allDigits(m) || !allDigits(d)
        || !allDigits(y))
        return false;
    return setDate(date, number(d), number(m), number(y) == kOmittedYear ? std::string_view() : y)
        && !date.month.empty() && !date.day.empty();
}

} // namespace qor
