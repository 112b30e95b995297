#include "ical_writer.h"

#include "date_rules.h"
#include "display_name.h"
#include "text_encoding.h"

#include <array>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qor {

namespace {

constexpr std::size_t kMaxLineOctets = 75;

struct CalendarEvent {
    std::size_t row;
    DateKind kind;
    ContactDate date;
    std::string name;
    std::string uid;
};

// Two 64-bit FNV-1a hashes with different starting points: 128 bits, so that a book of any
// size has no two names with the same UID.
struct Fingerprint {
    std::uint64_t a = 0xcbf29ce484222325ULL;
    std::uint64_t b = 0x84222325cbf29ce4ULL;
    void add(std::string_view bytes)
    {
        for (unsigned char c : bytes) {
            a = (a ^ c) * 0x100000001b3ULL;
            b = (b ^ c) * 0x100000001b3ULL;
        }
        // A separator byte that texts cannot end with, so "ab"+"c" differs from "a"+"bc".
        a = (a ^ 0xFFu) * 0x100000001b3ULL;
        b = (b ^ 0xFEu) * 0x100000001b3ULL;
    }
    std::string hex() const
    {
        char text[40];
        std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(a),
                      static_cast<unsigned long long>(b));
        return text;
    }
};

std::string compactDate(int year, int month, int day)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    return text;
}

std::string utcStamp(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const CivilDate date = dateFromDays(days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", date.year, date.month, date.day,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    return text;
}

// UIDs from the kind and the name; where two events share those, from all the contact's
// texts as well; where even those are equal, a count tells the copies apart.
void assignUids(std::vector<CalendarEvent>& events,
                const std::function<const ContactRecord&(std::size_t)>& row)
{
    std::unordered_map<std::string, int> byName;
    std::vector<std::string> keys(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        Fingerprint print;
        print.add(kindWord(events[i].kind));
        print.add(events[i].name);
        keys[i] = print.hex();
        ++byName[keys[i]];
    }
    std::unordered_map<std::string, int> seen;
    for (std::size_t i = 0; i < events.size(); ++i) {
        std::string key = keys[i];
        if (byName[key] > 1) {
            Fingerprint print;
            print.add(kindWord(events[i].kind));
            for (const std::string& text : row(events[i].row).texts)
                print.add(text);
            key = print.hex();
        }
        const int copy = ++seen[key];
        events[i].uid = "qor-" + std::string(kindWord(events[i].kind)) + "-" + key;
        if (copy > 1)
            events[i].uid += "-" + std::to_string(copy);
    }
}

void appendEvent(std::string& out, const CalendarEvent& event, const std::string& stamp)
{
    const int startYear = event.date.hasYear() ? event.date.year : kCalendarYearlessStart;
    const CivilDate start{startYear, event.date.month, event.date.day};
    const CivilDate end = dateFromDays(daysSinceEpoch(start) + 1);
    const bool leapDay = event.date.month == 2 && event.date.day == 29;

    appendFoldedLine(out, "BEGIN:VEVENT");
    appendFoldedLine(out, "UID:" + event.uid);
    appendFoldedLine(out, "DTSTAMP:" + stamp);
    appendFoldedLine(out, "DTSTART;VALUE=DATE:" + compactDate(start.year, start.month, start.day));
    appendFoldedLine(out, "DTEND;VALUE=DATE:" + compactDate(end.year, end.month, end.day));
    appendFoldedLine(out, leapDay ? "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1" : "RRULE:FREQ=YEARLY");
    const char* what = event.kind == DateKind::Birthday ? "Birthday: " : "Anniversary: ";
    appendFoldedLine(out, "SUMMARY:" + escapeCalendarText(what + event.name));
    // A birthday does not make its owner's friends busy.
    appendFoldedLine(out, "TRANSP:TRANSPARENT");
    appendFoldedLine(out, "END:VEVENT");
}

} // namespace

void appendFoldedLine(std::string& out, std::string_view line)
{
    std::size_t room = kMaxLineOctets;
    while (line.size() > room) {
        std::size_t cut = room;
        // Back up to the start of the UTF-8 sequence the cut would split (at most 3 bytes; a
        // longer run of continuation bytes is not UTF-8 and is cut anywhere).
        for (int back = 0; back < 3 && cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80; ++back)
            --cut;
        if ((static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            cut = room;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = kMaxLineOctets - 1; // the leading space counts
    }
    out.append(line);
    out += "\r\n";
}

std::string escapeCalendarText(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size() + 8);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == ';' || c == ',') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
            escaped += ' ';
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string formatCalendar(std::size_t rowCount,
                           const std::function<const ContactRecord&(std::size_t)>& row,
                           std::int64_t stampUtcSeconds)
{
    std::vector<CalendarEvent> events;
    for (std::size_t i = 0; i < rowCount; ++i) {
        const ContactRecord& record = row(i);
        for (DateKind kind : {DateKind::Birthday, DateKind::Anniversary}) {
            const std::optional<ContactDate> date = contactDate(record, kind);
            if (!date)
                continue;
            std::string name = displayName(record);
            if (!isValidUtf8(name))
                name = windows1252ToUtf8(name);
            events.push_back({i, kind, *date, std::move(name), {}});
        }
    }
    assignUids(events, row);

    const std::string stamp = utcStamp(stampUtcSeconds);
    std::string out;
    out.reserve(200 + events.size() * 260);
    appendFoldedLine(out, "BEGIN:VCALENDAR");
    appendFoldedLine(out, "VERSION:2.0");
    appendFoldedLine(out, "PRODID:-//QOR//QOR 1.0//EN");
    appendFoldedLine(out, "CALSCALE:GREGORIAN");
    for (const CalendarEvent& event : events)
        appendEvent(out, event, stamp);
    appendFoldedLine(out, "END:VCALENDAR");
    return out;
}

} // namespace qor
