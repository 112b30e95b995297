// qor --upcoming and the calendar export on the command line, in process and as the real program.
#include "book_list.h"
#include "command_line.h"
#include "contact_exchange.h"
#include "ical_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace qor;

namespace {

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        m_path = fs::temp_directory_path() / ("qor-upcoming-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    fs::path operator/(const std::string& name) const { return m_path / name; }

private:
    fs::path m_path;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A book as the program writes it; each contact is "SURNAME=..." style pairs, first in the file
// first (the window lists them the other way round).
std::string bookOf(const std::vector<std::vector<std::pair<std::string, std::string>>>& contacts)
{
    static const char* const keys[] = {"SURNAME", "FIRSTNAME", "NICKNAME", "OVERALL", "EMAIL", "LIKES", "DISLIKES",
                                       "COMMENTS", "HOMECITY", "HOMESTATE", "HOMESTREET", "HOMEZIP", "MOBILE", "TEL",
                                       "WORKSTREET", "WORKCITY", "WORKSTATE", "WORKZIP", "WORKTEL", "RATING",
                                       "BESTFEATURE", "EYES", "HAIR", "HEIGHT", "BODY", "INBED", "LOOKS",
                                       "PERSONALITY", "DOBDAY", "DOBMON", "DOBYEAR", "ANDAY", "ANMON", "ANYEAR"};
    std::string text = "CREATOR=QOR 1.0\r\n";
    for (std::size_t c = 0; c < contacts.size(); ++c) {
        if (c > 0)
            text += "\r\n";
        for (const char* key : keys) {
            std::string value;
            for (const auto& [k, v] : contacts[c])
                if (k == key)
                    value = v;
            text += std::string(key) + "=" + value + "\r\n";
        }
    }
    return text;
}

const std::string kBook = bookOf({
    {{"FIRSTNAME", "Old"}, {"SURNAME", "Year"}, {"DOBDAY", "31"}, {"DOBMON", "Dec"}, {"DOBYEAR", "2000"}},
    {{"FIRSTNAME", "New"}, {"SURNAME", "Year"}, {"DOBDAY", "1"}, {"DOBMON", "January"}},
    {{"FIRSTNAME", "Wed"}, {"SURNAME", "Today"}, {"ANDAY", "20"}, {"ANMON", "12"}, {"ANYEAR", "2010"}},
    {{"FIRSTNAME", "Leap"}, {"SURNAME", "Day"}, {"DOBDAY", "29"}, {"DOBMON", "feb"}, {"DOBYEAR", "1980"}},
    {{"FIRSTNAME", "Half"}, {"SURNAME", "Month"}, {"DOBDAY", "5"}, {"DOBMON", "Ju"}}, // the form makes it "Jun"
    {{"FIRSTNAME", "No"}, {"SURNAME", "Date"}, {"DOBDAY", "31"}, {"DOBMON", "Apr"}},
});

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& args)
{
    Outcome result;
    const ParsedCommandLine parsed = parseCommandLine(args);
    if (!parsed.error.empty()) {
        result.status = kExitUsage;
        result.err = parsed.error;
        return result;
    }
    std::ostringstream out, err;
    result.status = runVerb(parsed.line, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

} // namespace

TEST(UpcomingCommand, ListsTheComingDaysInFourTabSeparatedColumns)
{
    TempFolder folder;
    const std::string book = (folder / "book.qor").string();
    writeFile(book, kBook);

    const Outcome month = run({"--upcoming", "--from", "2026-12-20", book});
    EXPECT_EQ(month.status, 0);
    EXPECT_EQ(month.err, "");
    EXPECT_EQ(month.out, "2026-12-20\tanniversary\tWed Today\t16\n"
                         "2026-12-31\tbirthday\tOld Year\t26\n"
                         "2027-01-01\tbirthday\tNew Year\t\n");

    EXPECT_EQ(run({"--upcoming", "1", "--from=2026-12-31", book}).out, "2026-12-31\tbirthday\tOld Year\t26\n");
    EXPECT_EQ(run({"--upcoming", "3", "--from", "2027-02-27", book}).out, "2027-02-28\tbirthday\tLeap Day\t47\n");
    EXPECT_EQ(run({"--upcoming", "10", "--from", "2027-06-01", book}).out, "2027-06-05\tbirthday\tHalf Month\t\n");
    EXPECT_EQ(readFile(book), kBook); // listing never writes the book
}

TEST(UpcomingCommand, NothingComingUp_isAnEmptyListAndSuccess)
{
    TempFolder folder;
    const std::string book = (folder / "book.qor").string();
    writeFile(book, kBook);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--upcoming", "0", book},
                                                 {"--upcoming", "5", "--from", "2027-03-10", book}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
    }
    writeFile(folder / "empty.qor", "");
    EXPECT_EQ(run({"--upcoming", (folder / "empty.qor").string()}).status, 0);
}

TEST(UpcomingCommand, DefaultsToThirtyDaysFromTodayInTheCurrentBook)
{
    TempFolder folder;
    const fs::path before = fs::current_path();
    fs::current_path(folder / "");
    writeFile("qor.qor", kBook);
    const Outcome byDefault = run({"--upcoming", "--from", "2026-12-20"});
    const Outcome today = run({"--upcoming"});
    fs::current_path(before);
    EXPECT_EQ(byDefault.status, 0);
    EXPECT_EQ(byDefault.out, run({"--upcoming", "30", "--from", "2026-12-20", (folder / "qor.qor").string()}).out);
    EXPECT_EQ(today.status, 0);
}

TEST(UpcomingCommand, BadDaysDatesAndOperandsAreUsageErrors)
{
    TempFolder folder;
    const std::string book = (folder / "book.qor").string();
    writeFile(book, kBook);
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{"--upcoming", "3661", book},
             {"--upcoming", "99999999999999999999", book},
             {"--upcoming", "--from", "2026-02-30", book},
             {"--upcoming", "--from", "20261207", book},
             {"--upcoming", "--from"},
             {"--upcoming", "7", book, "extra"},
             {"--upcoming", "--format", "ical", book},
             {"--export", (folder / "x.vcf").string(), "--from", "2026-12-07", book},
         }) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(readFile(book), kBook);
    EXPECT_FALSE(fs::exists(folder / "x.vcf"));
}

TEST(UpcomingCommand, MissingOrUnreadableBookFails)
{
    TempFolder folder;
    const Outcome missing = run({"--upcoming", (folder / "none.qor").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.qor"), std::string::npos);
    fs::create_directory(folder / "folder.qor");
    EXPECT_EQ(run({"--upcoming", (folder / "folder.qor").string()}).status, 1);
    EXPECT_FALSE(fs::exists(folder / "none.qor"));
}

TEST(UpcomingCommand, ABookNamedByDigitsIsWrittenAsAPath)
{
    TempFolder folder;
    writeFile(folder / "2026", kBook);
    const fs::path before = fs::current_path();
    fs::current_path(folder / "");
    const Outcome asDays = run({"--upcoming", "2026"});
    const Outcome asBook = run({"--upcoming", "1", "--from", "2026-12-31", "./2026"});
    fs::current_path(before);
    EXPECT_EQ(asDays.status, 1); // 2026 days of qor.qor, which is not there
    EXPECT_EQ(asBook.out, "2026-12-31\tbirthday\tOld Year\t26\n");
}

TEST(UpcomingCommand, OutputThatCannotBeWrittenFails)
{
    TempFolder folder;
    const std::string book = (folder / "book.qor").string();
    writeFile(book, kBook);
    const ParsedCommandLine parsed = parseCommandLine({"--upcoming", "--from", "2026-12-20", book});
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    EXPECT_EQ(runVerb(parsed.line, out, err), 1);
    EXPECT_NE(err.str().find("cannot write"), std::string::npos);
}

TEST(CalendarExport, IcsFileNameOrFormatIcalWritesTheCalendar)
{
    TempFolder folder;
    const std::string book = (folder / "book.qor").string();
    writeFile(book, kBook);
    const auto events = [](const std::string& text) {
        std::size_t n = 0;
        for (std::size_t at = text.find("BEGIN:VEVENT"); at != std::string::npos; at = text.find("BEGIN:VEVENT", at + 1))
            ++n;
        return n;
    };

    const fs::path ics = folder / "dates.ICS";
    EXPECT_EQ(run({"--export", ics.string(), book}).status, 0);
    const std::string calendar = readFile(ics);
    EXPECT_EQ(calendar.rfind("BEGIN:VCALENDAR\r\n", 0), 0u);
    EXPECT_EQ(events(calendar), 5u);
    EXPECT_NE(calendar.find("SUMMARY:Birthday: Half Month\r\n"), std::string::npos);
    EXPECT_NE(calendar.find("RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1\r\n"), std::string::npos);

    EXPECT_EQ(run({"--export", (folder / "dates.txt").string(), "--format", "ical", book}).status, 0);
    EXPECT_EQ(events(readFile(folder / "dates.txt")), 5u);
    const Outcome toOutput = run({"--export", "-", "--format=ical", book});
    EXPECT_EQ(toOutput.status, 0);
    EXPECT_EQ(events(toOutput.out), 5u);
    EXPECT_EQ(readFile(book), kBook);
}

TEST(CalendarExport, StreamedBookGivesTheWindowsCalendar)
{
    TempFolder folder;
    const std::string book = (folder / "book.qor").string();
    writeFile(book, kBook);
    const auto withoutStamp = [](const std::string& text) {
        std::string kept;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("DTSTAMP:", 0) != 0)
                kept += line + '\n';
        return kept;
    };
    // What the window writes: its rows, taken through the form, newest first.
    const BookList list = readBookList(book);
    const ContactRows rows = rowsOf(list.rows);
    const std::string window = formatCalendar(rows.count, rows.row, 0);

    const Outcome exported = run({"--export", "-", "--format", "ical", book});
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(withoutStamp(exported.out), withoutStamp(window));
    EXPECT_NE(window.find("SUMMARY:Birthday: Half Month"), std::string::npos); // "Ju" is June there too
}

#ifndef _WIN32
// The real program lists without a display: it starts no GUI.
TEST(UpcomingCommand, TheProgramListsWithoutADisplay)
{
    TempFolder folder;
    writeFile(folder / "book.qor", kBook);
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" QOR_PROGRAM
                                "' --upcoming 2 --from 2026-12-31 '" + (folder / "book.qor").string() + "' > '"
                              + (folder / "out.txt").string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readFile(folder / "out.txt"), "2026-12-31\tbirthday\tOld Year\t26\n"
                                            "2027-01-01\tbirthday\tNew Year\t\n");
}
#endif
