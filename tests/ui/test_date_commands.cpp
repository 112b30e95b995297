// qor --upcoming and the calendar export on the command line: the lines, the defaults, the
// refusals, and the calendar a streamed book gives.
#include "book_list.h"
#include "book_size_limit.h"
#include "command_line.h"
#include "contact_exchange.h"
#include "date_commands.h"
#include "ical_writer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace qor;

namespace {

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

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::size_t eventsIn(const std::string& text)
{
    std::size_t n = 0;
    for (std::size_t at = text.find("BEGIN:VEVENT"); at != std::string::npos; at = text.find("BEGIN:VEVENT", at + 1))
        ++n;
    return n;
}

// A book as the program writes it, first in the file first (the window lists it the other way
// round). Each contact names the fields it fills.
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

// A temporary folder holding kBook as book.qor.
class Folder {
public:
    Folder() { writeFile(book(), kBook); }
    std::string path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)).toStdString(); }
    std::string book() const { return path("book.qor"); }

private:
    QTemporaryDir m_dir;
};

// Runs `work` with the current folder set to `folder`.
template <typename Work> void inFolder(const std::string& folder, Work work)
{
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    work();
    std::filesystem::current_path(before);
}

} // namespace

class DateCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void upcoming_listsTheComingDaysInFourTabSeparatedColumns()
    {
        Folder f;
        const Outcome month = run({"--upcoming", "--from", "2026-12-20", f.book()});
        QCOMPARE(month.status, kExitSuccess);
        QCOMPARE(month.err, std::string());
        QCOMPARE(month.out, std::string("2026-12-20\tanniversary\tWed Today\t16\n"
                                        "2026-12-31\tbirthday\tOld Year\t26\n"
                                        "2027-01-01\tbirthday\tNew Year\t\n"));
        QCOMPARE(run({"--upcoming", "1", "--from=2026-12-31", f.book()}).out,
                 std::string("2026-12-31\tbirthday\tOld Year\t26\n"));
        QCOMPARE(run({"--upcoming", "3", "--from", "2027-02-27", f.book()}).out,
                 std::string("2027-02-28\tbirthday\tLeap Day\t47\n"));
        // The contacts as the window lists them: "Ju" is June there.
        QCOMPARE(run({"--upcoming", "10", "--from", "2027-06-01", f.book()}).out,
                 std::string("2027-06-05\tbirthday\tHalf Month\t\n"));
        QCOMPARE(readFile(f.book()), kBook); // listing never writes the book

        // A name's control characters are escapes: a tab adds no column, ESC drives no terminal.
        writeFile(f.path("odd.qor"), bookOf({{{"FIRSTNAME", "A\tB"}, {"SURNAME", "X\x1B[2J\\"},
                                              {"DOBDAY", "20"}, {"DOBMON", "Dec"}}}));
        QCOMPARE(run({"--upcoming", "1", "--from", "2026-12-20", f.path("odd.qor")}).out,
                 std::string("2026-12-20\tbirthday\tA\\tB X\\e[2J\\\\\t\n"));
    }

    void upcoming_withNothingComingUp_isAnEmptyListAndSuccess()
    {
        Folder f;
        for (const std::vector<std::string>& args : {std::vector<std::string>{"--upcoming", "0", f.book()},
                                                     {"--upcoming", "5", "--from", "2027-03-10", f.book()}}) {
            const Outcome r = run(args);
            QCOMPARE(r.status, kExitSuccess);
            QCOMPARE(r.out, std::string());
            QCOMPARE(r.err, std::string());
        }
        writeFile(f.path("empty.qor"), "");
        QCOMPARE(run({"--upcoming", f.path("empty.qor")}).status, kExitSuccess);
    }

    void upcoming_defaultsToThirtyDaysFromTodayInTheCurrentBook()
    {
        Folder f;
        writeFile(f.path("qor.qor"), kBook);
        Outcome byDefault, today;
        inFolder(f.path(""), [&] {
            byDefault = run({"--upcoming", "--from", "2026-12-20"});
            today = run({"--upcoming"});
        });
        QCOMPARE(byDefault.status, kExitSuccess);
        QCOMPARE(byDefault.out, run({"--upcoming", "30", "--from", "2026-12-20", f.book()}).out);
        QCOMPARE(today.status, kExitSuccess);
        QCOMPARE(today.err, std::string());
    }

    void upcoming_refusesBadDaysDatesAndOperands()
    {
        Folder f;
        for (const std::vector<std::string>& args : {
                 std::vector<std::string>{"--upcoming", "3661", f.book()},
                 {"--upcoming", "99999999999999999999", f.book()},
                 {"--upcoming", "--from", "2026-02-30", f.book()},
                 {"--upcoming", "--from", "20261207", f.book()},
                 {"--upcoming", "--from"},
                 {"--upcoming", "7", f.book(), "extra"},
                 {"--upcoming", "--format", "ical", f.book()},
                 {"--export", f.path("x.vcf"), "--from", "2026-12-07", f.book()},
             }) {
            const Outcome r = run(args);
            QVERIFY2(r.status == kExitUsage, args[1].c_str());
            QVERIFY(!r.err.empty());
            QCOMPARE(r.out, std::string());
        }
        QCOMPARE(readFile(f.book()), kBook);
        QVERIFY(!std::filesystem::exists(f.path("x.vcf")));
    }

    void upcoming_ofAMissingOrUnreadableBookFails()
    {
        Folder f;
        const Outcome missing = run({"--upcoming", f.path("none.qor")});
        QCOMPARE(missing.status, kExitFailure);
        QVERIFY(contains(missing.err, "none.qor"));
        QVERIFY(!std::filesystem::exists(f.path("none.qor")));
        QVERIFY(QDir().mkpath(QString::fromStdString(f.path("folder.qor"))));
        QCOMPARE(run({"--upcoming", f.path("folder.qor")}).status, kExitFailure);
        // A book larger than this machine opens (a hole, so the disk holds none of it) is a
        // failure with its reason, not an empty list or calendar.
        writeFile(f.path("huge.qor"), "CREATOR=QOR 1.0\r\n");
        std::filesystem::resize_file(f.path("huge.qor"), largestReadableBook() + 1);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"--upcoming", f.path("huge.qor")},
              std::vector<std::string>{"--export", f.path("huge.ics"), f.path("huge.qor")}}) {
            const Outcome huge = run(args);
            QCOMPARE(huge.status, kExitFailure);
            QVERIFY(contains(huge.err, "huge.qor"));
        }
        QVERIFY(!std::filesystem::exists(f.path("huge.ics")));
    }

    void upcoming_takesDigitsAsDaysSoABookNamedByDigitsIsAPath()
    {
        Folder f;
        writeFile(f.path("2026"), kBook);
        Outcome asDays, asBook;
        inFolder(f.path(""), [&] {
            asDays = run({"--upcoming", "2026"});
            asBook = run({"--upcoming", "1", "--from", "2026-12-31", "./2026"});
        });
        QCOMPARE(asDays.status, kExitFailure); // 2026 days of qor.qor, which is not there
        QCOMPARE(asBook.out, std::string("2026-12-31\tbirthday\tOld Year\t26\n"));
    }

    void upcoming_failsWhenItsOutputCannotBeWritten()
    {
        Folder f;
        const ParsedCommandLine parsed = parseCommandLine({"--upcoming", "--from", "2026-12-20", f.book()});
        std::ostringstream out, err;
        out.setstate(std::ios::badbit);
        QCOMPARE(runVerb(parsed.line, out, err), kExitFailure);
        QVERIFY(contains(err.str(), "cannot write"));
    }

    void export_byIcsNameOrFormatIcal_writesTheCalendar()
    {
        Folder f;
        QCOMPARE(run({"--export", f.path("dates.ICS"), f.book()}).status, kExitSuccess);
        const std::string calendar = readFile(f.path("dates.ICS"));
        QVERIFY(calendar.starts_with("BEGIN:VCALENDAR\r\n"));
        QCOMPARE(eventsIn(calendar), std::size_t(5));
        QVERIFY(contains(calendar, "SUMMARY:Birthday: Half Month\r\n"));
        QVERIFY(contains(calendar, "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1\r\n"));

        QCOMPARE(run({"--export", f.path("dates.txt"), "--format", "ical", f.book()}).status, kExitSuccess);
        QCOMPARE(eventsIn(readFile(f.path("dates.txt"))), std::size_t(5));
        const Outcome toOutput = run({"--export", "-", "--format=ical", f.book()});
        QCOMPARE(toOutput.status, kExitSuccess);
        QCOMPARE(eventsIn(toOutput.out), std::size_t(5));
        QCOMPARE(readFile(f.book()), kBook);

        QCOMPARE(run({"--export", f.path("none.ics"), f.path("none.qor")}).status, kExitFailure);
        QVERIFY(!std::filesystem::exists(f.path("none.ics")));
    }

    void export_ofAStreamedBook_isTheCalendarTheWindowWrites()
    {
        Folder f;
        const auto withoutStamp = [](const std::string& text) {
            std::string kept;
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);)
                if (!line.starts_with("DTSTAMP:"))
                    kept += line + '\n';
            return kept;
        };
        // What the window writes: its rows, taken through the form, newest first.
        const BookList list = readBookList(f.book());
        const ContactRows rows = rowsOf(list.rows);
        const std::string window = formatCalendar(rows.count, rows.row, 0);

        const Outcome exported = run({"--export", "-", "--format", "ical", f.book()});
        QCOMPARE(exported.status, kExitSuccess);
        QCOMPARE(withoutStamp(exported.out), withoutStamp(window));

        const BookCalendar calendar = readBookCalendar(f.book(), 0);
        QCOMPARE(calendar.status, ReadStatus::Read);
        QCOMPARE(calendar.contacts, std::size_t(6));
        QCOMPARE(calendar.text, window);
    }
};

QTEST_MAIN(DateCommandsTest)
#include "test_date_commands.moc"
