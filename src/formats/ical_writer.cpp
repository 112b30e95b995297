#include "ical_writer.h"

#include "date_rules.h"
#include "display_name.h"
#include "text_encoding.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>
#include <vector>

namespace qor {

namespace {

constexpr std::size_t kMaxLineOctets = 75;

// Two 64-bit hashes with different multipliers: 128 bits, so that a book of any size has no
// two names with the same UID. Eight bytes are taken at a time: every contact with a date has
// all its texts hashed, and a byte at a time costs more than writing its events.
struct Fingerprint {
    std::uint64_t a = 0xcbf29ce484222325ULL;
    std::uint64_t b = 0x84222325cbf29ce4ULL;
    void mix(std::uint64_t word)
    {
        a = (a ^ word) * 0x9E3779B97F4A7C15ULL;
        a ^= a >> 29;
        b = (b ^ word) * 0xC2B2AE3D27D4EB4FULL;
        b ^= b >> 31;
    }
    void add(std::string_view bytes)
    {
        while (bytes.size() >= 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data(), 8);
            mix(word);
            bytes.remove_prefix(8);
        }
        // The last few bytes, and the length, so that "ab"+"c" differs from "a"+"bc".
        std::uint64_t tail = static_cast<std::uint64_t>(bytes.size()) << 56;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
        mix(tail);
    }
    CalendarWriter::Print print() const { return {a, b}; }
};

// Zero-padded decimal digits, written by hand: a formatted print per number costs more than
// all the rest of a big calendar.
void appendNumber(std::string& out, long long value, int digits)
{
    char text[24];
    int n = 0;
    for (; value > 0 || n < digits; value /= 10)
        text[n++] = static_cast<char>('0' + value % 10);
    while (n > 0)
        out += text[--n];
}

void appendHex(std::string& out, std::uint64_t value)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = 60; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

void appendCompactDate(std::string& out, CivilDate date)
{
    appendNumber(out, date.year, 4);
    appendNumber(out, date.month, 2);
    appendNumber(out, date.day, 2);
}

std::string utcStamp(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::string text;
    appendCompactDate(text, dateFromDays(days));
    text += 'T';
    appendNumber(text, rest / 3600, 2);
    appendNumber(text, rest / 60 % 60, 2);
    appendNumber(text, rest % 60, 2);
    text += 'Z';
    return text;
}

// Indices of `prints` in order of their fingerprints, and of their index among equal ones.
std::vector<std::size_t> sortedByPrint(const std::vector<CalendarWriter::Print>& prints)
{
    std::vector<std::size_t> order(prints.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        return std::tie(prints[x].a, prints[x].b, x) < std::tie(prints[y].a, prints[y].b, y);
    });
    return order;
}

void appendEvent(std::string& out, DateKind kind, const ContactDate& date, std::string_view name,
                 const std::string& uid, const std::string& stamp, std::string& scratch)
{
    const int startYear = date.hasYear() ? date.year : kCalendarYearlessStart;
    const CivilDate start{startYear, date.month, date.day};
    const bool leapDay = date.month == 2 && date.day == 29;

    // Every line but the summary is short of the fold.
    out += "BEGIN:VEVENT\r\nUID:";
    out += uid;
    out += "\r\nDTSTAMP:";
    out += stamp;
    out += "\r\nDTSTART;VALUE=DATE:";
    appendCompactDate(out, start);
    out += "\r\nDTEND;VALUE=DATE:";
    appendCompactDate(out, dateFromDays(daysSinceEpoch(start) + 1));
    out += leapDay ? "\r\nRRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1\r\n" : "\r\nRRULE:FREQ=YEARLY\r\n";
    scratch = kind == DateKind::Birthday ? "SUMMARY:Birthday: " : "SUMMARY:Anniversary: ";
    appendCalendarText(scratch, name);
    appendFoldedLine(out, scratch);
    // A birthday does not make its owner's friends busy.
    out += "TRANSP:TRANSPARENT\r\nEND:VEVENT\r\n";
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
    appendCalendarText(escaped, text);
    return escaped;
}

void appendCalendarText(std::string& escaped, std::string_view text)
{
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
}

std::string formatCalendar(std::size_t rowCount,
                           const std::function<const ContactRecord&(std::size_t)>& row,
                           std::int64_t stampUtcSeconds)
{
    CalendarWriter writer;
    for (std::size_t i = 0; i < rowCount; ++i)
        writer.add(row(i));
    return writer.format(stampUtcSeconds);
}

void CalendarWriter::add(const ContactRecord& record)
{
    std::string name;
    Fingerprint content;
    for (DateKind kind : {DateKind::Birthday, DateKind::Anniversary}) {
        const std::optional<ContactDate> date = contactDate(record, kind);
        if (!date)
            continue;
        if (name.empty()) {
            name = displayName(record);
            if (!isValidUtf8(name))
                name = windows1252ToUtf8(name);
            for (const std::string& text : record.texts)
                content.add(text);
        }
        Fingerprint byName;
        byName.add(kindWord(kind));
        byName.add(name);
        // The kind goes last here, so both kinds share the hashing of the texts.
        Fingerprint byContent = content;
        byContent.add(kindWord(kind));
        m_events.push_back({kind, *date, name, byName.print(), byContent.print(), m_contacts});
    }
    ++m_contacts;
}

// UIDs from the kind and the name; where two events share those, from all the contact's
// texts as well; where even those are equal, a count in the order added tells the copies
// apart. Equal fingerprints are found by sorting: a hash map of a big book's names costs more
// than writing the calendar.
std::vector<std::string> CalendarWriter::uids() const
{
    const std::size_t n = m_events.size();
    std::vector<Print> prints(n);
    for (std::size_t i = 0; i < n; ++i)
        prints[i] = m_events[i].byName;
    std::vector<bool> shared(n, false);
    const std::vector<std::size_t> byName = sortedByPrint(prints);
    for (std::size_t k = 1; k < n; ++k)
        if (prints[byName[k]] == prints[byName[k - 1]])
            shared[byName[k]] = shared[byName[k - 1]] = true;
    for (std::size_t i = 0; i < n; ++i)
        if (shared[i])
            prints[i] = m_events[i].byContent;
    std::vector<int> copy(n, 1);
    const std::vector<std::size_t> byContent = sortedByPrint(prints);
    for (std::size_t k = 1; k < n; ++k)
        if (shared[byContent[k]] && prints[byContent[k]] == prints[byContent[k - 1]])
            copy[byContent[k]] = copy[byContent[k - 1]] + 1;

    std::vector<std::string> uids(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::string& uid = uids[i];
        uid = "qor-";
        uid += kindWord(m_events[i].kind);
        uid += '-';
        appendHex(uid, prints[i].a);
        appendHex(uid, prints[i].b);
        if (copy[i] > 1)
            uid += '-' + std::to_string(copy[i]);
    }
    return uids;
}

std::string CalendarWriter::format(std::int64_t stampUtcSeconds, bool lastAddedFirst) const
{
    const std::vector<std::string> uid = uids();
    const std::string stamp = utcStamp(stampUtcSeconds);
    std::string out;
    out.reserve(200 + m_events.size() * 260);
    std::string scratch;
    appendFoldedLine(out, "BEGIN:VCALENDAR");
    appendFoldedLine(out, "VERSION:2.0");
    appendFoldedLine(out, "PRODID:-//QOR//QOR 1.0//EN");
    appendFoldedLine(out, "CALSCALE:GREGORIAN");
    const auto write = [&](std::size_t i) {
        appendEvent(out, m_events[i].kind, m_events[i].date, m_events[i].name, uid[i], stamp, scratch);
    };
    if (!lastAddedFirst) {
        for (std::size_t i = 0; i < m_events.size(); ++i)
            write(i);
    } else {
        // Each contact's events stand together: write the groups from the last one back.
        for (std::size_t end = m_events.size(); end > 0;) {
            std::size_t begin = end - 1;
            while (begin > 0 && m_events[begin - 1].contact == m_events[end - 1].contact)
                --begin;
            for (std::size_t i = begin; i < end; ++i)
                write(i);
            end = begin;
        }
    }
    appendFoldedLine(out, "END:VCALENDAR");
    return out;
}

} // namespace qor
