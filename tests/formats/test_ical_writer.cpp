#include "ical_writer.h"

#include "text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

constexpr std::int64_t kStamp = 1796625660; // 2026-12-07 06:41:00 UTC

ContactRecord person(const std::string& first, const std::string& surname, const std::string& day = "",
                     const std::string& month = "", const std::string& year = "")
{
    ContactRecord r;
    r[F::FIRSTNAME] = first;
    r[F::SURNAME] = surname;
    r[F::DOBDAY] = day;
    r[F::DOBMON] = month;
    r[F::DOBYEAR] = year;
    return r;
}

std::string calendarOf(const std::vector<ContactRecord>& book)
{
    return formatCalendar(book.size(), [&](std::size_t i) -> const ContactRecord& { return book[i]; }, kStamp);
}

// The physical lines, without their CR LF. Fails the test on a line feed without CR.
std::vector<std::string> physicalLines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        EXPECT_NE(lf, std::string::npos) << "no line end after the last line";
        if (lf == std::string::npos)
            break;
        EXPECT_TRUE(lf > start && text[lf - 1] == '\r') << "a line feed without CR";
        out.push_back(text.substr(start, lf - start - 1));
        start = lf + 1;
    }
    return out;
}

// The content lines: physical lines with their folds undone.
std::vector<std::string> contentLines(const std::string& text)
{
    std::vector<std::string> out;
    for (const std::string& line : physicalLines(text)) {
        if (!line.empty() && line[0] == ' ' && !out.empty())
            out.back() += line.substr(1);
        else
            out.push_back(line);
    }
    return out;
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& line : contentLines(text))
        if (line.rfind(prefix, 0) == 0)
            out.push_back(line);
    return out;
}

} // namespace

TEST(IcalWriter, Calendar_hasOneYearlyAllDayEventPerDate)
{
    ContactRecord both = person("Ann", "Lee", "17", "May", "1980");
    both[F::ANDAY] = "2";
    both[F::ANMON] = "july";
    const std::vector<ContactRecord> book = {both, person("No", "Date"), person("Bad", "Month", "3", "Ju")};
    const std::string ics = calendarOf(book);

    EXPECT_EQ(contentLines(ics), (std::vector<std::string>{
                                     "BEGIN:VCALENDAR",
                                     "VERSION:2.0",
                                     "PRODID:-//QOR//QOR 1.0//EN",
                                     "CALSCALE:GREGORIAN",
                                     "BEGIN:VEVENT",
                                     linesStartingWith(ics, "UID:").at(0),
                                     "DTSTAMP:20261207T064100Z",
                                     "DTSTART;VALUE=DATE:19800517",
                                     "DTEND;VALUE=DATE:19800518",
                                     "RRULE:FREQ=YEARLY",
                                     "SUMMARY:Birthday: Ann Lee",
                                     "TRANSP:TRANSPARENT",
                                     "END:VEVENT",
                                     "BEGIN:VEVENT",
                                     linesStartingWith(ics, "UID:").at(1),
                                     "DTSTAMP:20261207T064100Z",
                                     "DTSTART;VALUE=DATE:20000702", // no year: the fixed start year
                                     "DTEND;VALUE=DATE:20000703",
                                     "RRULE:FREQ=YEARLY",
                                     "SUMMARY:Anniversary: Ann Lee",
                                     "TRANSP:TRANSPARENT",
                                     "END:VEVENT",
                                     "END:VCALENDAR",
                                 }));
    EXPECT_EQ(calendarOf({}), "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//QOR//QOR 1.0//EN\r\n"
                              "CALSCALE:GREGORIAN\r\nEND:VCALENDAR\r\n");
}

TEST(IcalWriter, TwentyNinthOfFebruary_recursOnTheLastDayOfFebruary)
{
    const std::string ics = calendarOf({person("Leap", "Day", "29", "Feb", "1980"), person("No", "Year", "29", "2"),
                                        person("Day", "Before", "28", "Feb", "1981")});
    EXPECT_EQ(linesStartingWith(ics, "DTSTART"),
              (std::vector<std::string>{"DTSTART;VALUE=DATE:19800229", "DTSTART;VALUE=DATE:20000229",
                                        "DTSTART;VALUE=DATE:19810228"}));
    EXPECT_EQ(linesStartingWith(ics, "DTEND"),
              (std::vector<std::string>{"DTEND;VALUE=DATE:19800301", "DTEND;VALUE=DATE:20000301",
                                        "DTEND;VALUE=DATE:19810301"}));
    EXPECT_EQ(linesStartingWith(ics, "RRULE"),
              (std::vector<std::string>{"RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1",
                                        "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1", "RRULE:FREQ=YEARLY"}));
}

TEST(IcalWriter, Uid_staysWhenOtherFieldsOrTheOrderChange)
{
    ContactRecord ann = person("Ann", "Lee", "17", "May", "1980");
    const ContactRecord bob = person("Bob", "Ray", "1", "Jan");
    const std::vector<std::string> before = linesStartingWith(calendarOf({ann, bob}), "UID:");

    ann[F::MOBILE] = "555 0100";
    ann[F::DOBDAY] = "18"; // a corrected date updates the same event
    const std::vector<std::string> after = linesStartingWith(calendarOf({bob, ann}), "UID:");
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(after, (std::vector<std::string>{before[1], before[0]}));

    ContactRecord married = ann;
    married[F::ANDAY] = "17";
    married[F::ANMON] = "May";
    const std::vector<std::string> both = linesStartingWith(calendarOf({married}), "UID:");
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], before[0]);
    EXPECT_NE(both[1], both[0]);
}

TEST(IcalWriter, Uid_isUniqueForSharedNamesAndIdenticalContacts)
{
    ContactRecord twin = person("Ann", "Lee", "17", "May", "1980");
    ContactRecord other = twin;
    other[F::EMAIL] = "ann@example.org";
    const std::vector<ContactRecord> book = {twin, other, twin, twin, person("Ann Lee", "", "2", "Feb")};
    const std::vector<std::string> uids = linesStartingWith(calendarOf(book), "UID:");
    ASSERT_EQ(uids.size(), 5u);
    EXPECT_EQ(std::set<std::string>(uids.begin(), uids.end()).size(), 5u);
    for (const std::string& uid : uids)
        EXPECT_EQ(uid.find_first_not_of("UID:qor-birthday0123456789abcdef"), std::string::npos) << uid;

    // The contact that differs keeps its UID when an identical copy goes.
    const std::vector<std::string> fewer = linesStartingWith(calendarOf({other, twin}), "UID:");
    EXPECT_EQ(fewer[0], uids[1]);
}

TEST(IcalWriter, Summary_escapesTextAndStaysUtf8)
{
    ContactRecord r = person("Jos\xC3\xA9", "O'Neil, Jr; \\ the 2nd", "1", "Jan");
    r[F::FIRSTNAME] += "\x01";
    const std::vector<std::string> summary = linesStartingWith(calendarOf({r}), "SUMMARY:");
    EXPECT_EQ(summary, (std::vector<std::string>{"SUMMARY:Birthday: Jos\xC3\xA9  O'Neil\\, Jr\\; \\\\ the 2nd"}));

    const std::vector<std::string> latin = linesStartingWith(calendarOf({person("Ren\xE9", "", "1", "Jan")}), "SUMMARY:");
    EXPECT_EQ(latin, (std::vector<std::string>{"SUMMARY:Birthday: Ren\xC3\xA9"}));
    EXPECT_EQ(escapeCalendarText("a\nb\tc\x7F"), "a\\nb\tc ");
}

TEST(IcalWriter, Folding_keepsLinesTo75OctetsAndNeverSplitsACharacter)
{
    for (const std::string piece : {"a", "\xC3\xA9", "\xE6\x9D\x8E", "\xF0\x9F\x98\x80", "a\xF0\x9F\x98\x80"}) {
        for (std::size_t n : {1u, 30u, 37u, 38u, 74u, 75u, 76u, 200u}) {
            std::string name;
            while (name.size() < n)
                name += piece;
            std::string out;
            const std::string line = "SUMMARY:" + name;
            appendFoldedLine(out, line);
            const std::vector<std::string> physical = physicalLines(out);
            for (const std::string& p : physical) {
                EXPECT_LE(p.size(), 75u);
                EXPECT_TRUE(isValidUtf8(p)) << "a fold inside a character";
            }
            EXPECT_EQ(contentLines(out), std::vector<std::string>{line});
        }
    }
    // Bytes that are not UTF-8 are still folded, never looped on.
    std::string out;
    appendFoldedLine(out, std::string(200, '\x80'));
    for (const std::string& p : physicalLines(out))
        EXPECT_LE(p.size(), 75u);
    EXPECT_EQ(contentLines(out), std::vector<std::string>{std::string(200, '\x80')});
}

TEST(IcalWriter, Writer_streamedLastFirstMatchesTheRowsReversed)
{
    ContactRecord both = person("Ann", "Lee", "17", "May", "1980");
    both[F::ANDAY] = "2";
    both[F::ANMON] = "Jul";
    const ContactRecord twin = person("Bob", "Ray", "1", "Jan");
    const std::vector<ContactRecord> fileOrder = {both, person("No", "Date"), twin, twin, person("Cy", "Sun", "3", "3")};
    const std::vector<ContactRecord> listOrder(fileOrder.rbegin(), fileOrder.rend());

    CalendarWriter writer;
    for (const ContactRecord& r : fileOrder)
        writer.add(r);
    EXPECT_EQ(writer.eventCount(), 5u);
    const std::string streamed = writer.format(kStamp, true);
    EXPECT_EQ(linesStartingWith(streamed, "SUMMARY:"),
              (std::vector<std::string>{"SUMMARY:Birthday: Cy Sun", "SUMMARY:Birthday: Bob Ray", "SUMMARY:Birthday: Bob Ray",
                                        "SUMMARY:Birthday: Ann Lee", "SUMMARY:Anniversary: Ann Lee"}));
    // The same events and UIDs as the rows in list order; only which copy counts as the second
    // may differ, and the copies are alike.
    const auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(contentLines(streamed)), sorted(contentLines(calendarOf(listOrder))));
    EXPECT_EQ(writer.format(kStamp), calendarOf(fileOrder));
}
