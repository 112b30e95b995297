#pragma once

#include "date_rules.h"

#include <string>
#include <string_view>

namespace qor {

// A date as the form keeps it: day "1" to "31" (no leading zero), month "Jan" to "Dec", year of
// four digits. Any part may be empty.
struct FormDate {
    std::string day;
    std::string month;
    std::string year;
    bool empty() const { return day.empty() && month.empty() && year.empty(); }
};

// Whether the three texts are a date the form's own lists give: each part present is in the
// form's spelling and the day exists in the month (29 Feb only in a leap year, or with no year).
bool isCanonicalDate(std::string_view day, std::string_view month, std::string_view year);

// The vCard 4.0 date for the texts ("19800517", "--0517", "1980-05", "1980", "--05", "---17"),
// or empty when none reads back as exactly these texts (a day and a year without a month, a
// text not in the form's spelling).
std::string vcard4Date(std::string_view day, std::string_view month, std::string_view year);
// The same in the ISO form vCard 3.0 and spreadsheets use ("1980-05-17"): full dates only.
std::string isoDate(std::string_view day, std::string_view month, std::string_view year);
// "5/17/1980", the form Outlook's CSV uses: full dates only.
std::string usDate(std::string_view day, std::string_view month, std::string_view year);

// Dates the form's spelling does not give but the date rules read (readContactDate in
// src/dates: "17" "march" "1980", "05" "5" "", a year of other than four digits counted as none),
// as the exports that have a date write them, so that such a date reaches every program, not
// only the calendar; a date without a year too:
// "19800517" or "--0517" (vCard 4.0)...
std::string vcard4DateOf(const ContactDate& date);
// ..."1980-05-17" or "--05-17" (vCard 3.0 with a year, Google's CSV)...
std::string isoDateOf(const ContactDate& date);
// ..."1980-05-17" or "1604-05-17": vCard 3.0 with Apple's X-APPLE-OMIT-YEAR=1604 for a date
// without a year, which phones and mail programs read...
std::string appleDateOf(const ContactDate& date);
// ..."5/17/1980" or "5/17/1604" (Outlook's CSV, which has no date without a year: 1604 stands
// for none there, as it does for Apple and for phones that sync with Outlook).
std::string usDateOf(const ContactDate& date);
inline constexpr int kOmittedYear = 1604;

// Reads a date written in any of the forms above, in vCard 3.0's extended forms
// ("1980-05-17T00:00:00Z", "--05-17") or as M/D/YYYY (M/D/1604 is a date without a year).
// False for anything else.
bool parseExchangeDate(std::string_view text, FormDate& date);

// "Jan" for 1 ... "Dec" for 12.
std::string_view monthName(int month);

} // namespace qor
