#pragma once

#include "contact_record.h"
#include "date_rules.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The year a yearly event starts in when the contact has no year for the date. It is a leap
// year, so that 29 February exists in it.
inline constexpr int kCalendarYearlessStart = 2000;

// Writes the birthdays and anniversaries of the `rowCount` contacts given by `row(i)` as an
// iCalendar (RFC 5545) file: one VCALENDAR with PRODID and VERSION:2.0, and one yearly,
// all-day VEVENT per date that readContactDate accepts, in row order, birthday before
// anniversary. Each event has
//  - DTSTART;VALUE=DATE on the date in the contact's year, or in kCalendarYearlessStart
//    without one, and DTEND on the next day;
//  - RRULE:FREQ=YEARLY; a 29 February adds BYMONTH=2;BYMONTHDAY=-1, the last day of February,
//    so that it falls on 28 February in the years without a 29th;
//  - SUMMARY "Birthday: Name" or "Anniversary: Name", Name being displayName;
//  - a UID that depends on the kind and the name only, so that exporting again after other
//    fields changed, or in another order, gives the same UID and a calendar program updates
//    the event instead of adding it twice. Contacts that share a name are told apart by their
//    other fields, and identical contacts by their count;
//  - DTSTAMP `stampUtcSeconds` (seconds since 1970-01-01 UTC).
// Texts are escaped (\\ \; \, and control characters as spaces) and never leave UTF-8: a name
// that is not UTF-8 is read as Windows-1252. Lines end in CR LF and are folded at 75 octets,
// never inside a UTF-8 sequence. A book without dates gives a calendar without events.
std::string formatCalendar(std::size_t rowCount,
                           const std::function<const ContactRecord&(std::size_t)>& row,
                           std::int64_t stampUtcSeconds);

// formatCalendar one contact at a time, for a book read as a stream and never held whole: only
// the dates and what their UIDs need are kept.
class CalendarWriter {
public:
    // Adds the contact's birthday and anniversary, when it has them, after those added before.
    void add(const ContactRecord& record);
    std::size_t eventCount() const { return m_events.size(); }
    // The calendar of everything added, as formatCalendar writes it. With `lastAddedFirst` the
    // contacts' events come in the reverse of the order they were added (a book streamed in
    // file order gives the window's list order), a contact's birthday still before its
    // anniversary.
    std::string format(std::int64_t stampUtcSeconds, bool lastAddedFirst = false) const;

    struct Print {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        bool operator==(const Print&) const = default;
    };

private:
    struct Event {
        DateKind kind;
        ContactDate date;
        std::string name;
        Print byName;    // the kind and the name
        Print byContent; // the kind and every text of the contact
        std::size_t contact; // how many contacts were added before this one
    };
    std::vector<std::string> uids() const;
    std::vector<Event> m_events;
    std::size_t m_contacts = 0;
};

// Appends `line` and CR LF to `out`, folded so that no line holds more than 75 octets: a
// continuation line begins with one space. A fold never falls inside a UTF-8 sequence.
void appendFoldedLine(std::string& out, std::string_view line);

// `text` as an iCalendar TEXT value: backslash, semicolon and comma escaped with a backslash,
// a line feed as \n, other control characters but tab as spaces.
std::string escapeCalendarText(std::string_view text);
// The same, appended to `out`.
void appendCalendarText(std::string& out, std::string_view text);

} // namespace qor
