#include "upcoming_dates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

ContactRecord person(const std::string& first, const std::string& surname, const std::string& dob,
                     const std::string& anniversary = "")
{
    // Dates as "day month year" with the year optional.
    const auto put = [](ContactRecord& r, const std::string& text, F day, F month, F year) {
        std::vector<std::string> parts(3);
        std::size_t p = 0;
        for (char c : text) {
            if (c == ' ')
                ++p;
            else
                parts[p] += c;
        }
        r[day] = parts[0];
        r[month] = parts[1];
        r[year] = parts[2];
    };
    ContactRecord r;
    r[F::FIRSTNAME] = first;
    r[F::SURNAME] = surname;
    put(r, dob, F::DOBDAY, F::DOBMON, F::DOBYEAR);
    put(r, anniversary, F::ANDAY, F::ANMON, F::ANYEAR);
    return r;
}

std::vector<std::string> lines(const std::vector<ContactRecord>& book, CivilDate from, int days)
{
    std::vector<std::string> out;
    for (const UpcomingDate& d : upcomingDates(book.size(), [&](std::size_t i) -> const ContactRecord& { return book[i]; },
                                               from, days))
        out.push_back(upcomingLine(d));
    return out;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(UpcomingDates, ListsTheDaysFromTheFirstDayOnSortedByDateThenName)
{
    const std::vector<ContactRecord> book = {
        person("Zoe", "Adams", "10 Dec 1990", "8 12 2015"),
        person("adam", "Young", "9 december"),
        person("Bob", "Brown", "10 Dec"),
        person("Carl", "Cole", "8 Dec 2000"),  // the day before the listing
        person("Dora", "Dean", "17 Dec 1970"), // the day after it
    };
    EXPECT_EQ(lines(book, {2026, 12, 9}, 8), (Lines{
                                                 "2026-12-09\tbirthday\tadam Young\t",
                                                 "2026-12-10\tbirthday\tBob Brown\t",
                                                 "2026-12-10\tbirthday\tZoe Adams\t36",
                                             }));
    EXPECT_EQ(lines(book, {2026, 12, 8}, 1), (Lines{
                                                 "2026-12-08\tbirthday\tCarl Cole\t26",
                                                 "2026-12-08\tanniversary\tZoe Adams\t11",
                                             }));
    EXPECT_TRUE(lines(book, {2026, 12, 9}, 0).empty());
    EXPECT_TRUE(lines(book, {2026, 12, 9}, -5).empty());
}

TEST(UpcomingDates, SameDayAndName_birthdayFirstThenListOrder)
{
    const std::vector<ContactRecord> book = {
        person("Ann", "Lee", "", "3 Mar 2001"),
        person("Ann", "Lee", "3 Mar 1990"),
        person("Ann", "Lee", "3 Mar 1985"),
        person("ann", "lee", "3 Mar"),
        person("Ann", "Lea", "3 Mar"),
    };
    const auto found = upcomingDates(book.size(), [&](std::size_t i) -> const ContactRecord& { return book[i]; },
                                     {2027, 3, 3}, 1);
    ASSERT_EQ(found.size(), 5u);
    EXPECT_EQ(found[0].name, "Ann Lea");
    EXPECT_EQ(found[1].row, 1u);
    EXPECT_EQ(found[2].row, 2u);
    EXPECT_EQ(found[3].kind, DateKind::Anniversary);
    EXPECT_EQ(found[3].row, 0u);
    EXPECT_EQ(found[4].name, "ann lee"); // the same letters as "Ann Lee": bytes decide, "A" first

    // Lines that differ only in the years come in the order of the years, whatever the rows'.
    const std::vector<ContactRecord> same = {person("Ann", "Lee", "3 Mar 1985"), person("Ann", "Lee", "3 Mar 1990"),
                                             person("Ann", "Lee", "3 Mar")};
    EXPECT_EQ(lines(same, {2027, 3, 3}, 1), (Lines{
                                                "2027-03-03\tbirthday\tAnn Lee\t",
                                                "2027-03-03\tbirthday\tAnn Lee\t37",
                                                "2027-03-03\tbirthday\tAnn Lee\t42",
                                            }));
}

TEST(UpcomingDates, WrapsFromDecemberIntoJanuaryWithTheNewYearsAges)
{
    const std::vector<ContactRecord> book = {
        person("New", "Year", "1 Jan 2000"),
        person("Old", "Year", "31 Dec 2000"),
        person("Mid", "Year", "1 Jul 2000"),
    };
    EXPECT_EQ(lines(book, {2026, 12, 20}, 30), (Lines{
                                                   "2026-12-31\tbirthday\tOld Year\t26",
                                                   "2027-01-01\tbirthday\tNew Year\t27",
                                               }));
    // Over a year, a date comes round twice.
    EXPECT_EQ(lines(book, {2026, 12, 31}, 367), (Lines{
                                                    "2026-12-31\tbirthday\tOld Year\t26",
                                                    "2027-01-01\tbirthday\tNew Year\t27",
                                                    "2027-07-01\tbirthday\tMid Year\t27",
                                                    "2027-12-31\tbirthday\tOld Year\t27",
                                                    "2028-01-01\tbirthday\tNew Year\t28",
                                                }));
}

TEST(UpcomingDates, TwentyNinthOfFebruary_isListedOnThe28thInOtherYears)
{
    const std::vector<ContactRecord> book = {person("Leap", "Day", "29 Feb 1980"), person("No", "Year", "29 feb")};
    EXPECT_EQ(lines(book, {2027, 2, 27}, 3), (Lines{
                                                 "2027-02-28\tbirthday\tLeap Day\t47",
                                                 "2027-02-28\tbirthday\tNo Year\t",
                                             }));
    EXPECT_EQ(lines(book, {2028, 2, 28}, 2), (Lines{
                                                 "2028-02-29\tbirthday\tLeap Day\t48",
                                                 "2028-02-29\tbirthday\tNo Year\t",
                                             }));
    EXPECT_TRUE(lines(book, {2028, 2, 28}, 1).empty());
}

TEST(UpcomingDates, SkipsUnreadableDatesAndDaysBeforeTheYearInTheBook)
{
    const std::vector<ContactRecord> book = {
        person("Bad", "Month", "5 Ju 1990"),
        person("No", "Such", "31 Apr"),
        person("Future", "Wedding", "", "5 Jun 2028"),
        person("Born", "Today", "5 Jun 2027"),
    };
    EXPECT_EQ(lines(book, {2027, 6, 1}, 10), (Lines{"2027-06-05\tbirthday\tBorn Today\t0"}));
    EXPECT_EQ(lines(book, {2028, 6, 5}, 1), (Lines{
                                                "2028-06-05\tbirthday\tBorn Today\t1",
                                                "2028-06-05\tanniversary\tFuture Wedding\t0",
                                            }));
}

TEST(UpcomingDates, LinesAlwaysHaveFourColumnsAndTheDisplayName)
{
    ContactRecord r = person("", "", "1 Jan");
    r[F::NICKNAME] = "Tab\there\rand\nthere";
    const std::vector<ContactRecord> book = {r, person("", "", "1 Jan")};
    EXPECT_EQ(lines(book, {2027, 1, 1}, 1), (Lines{
                                                "2027-01-01\tbirthday\tTab here and there\t",
                                                "2027-01-01\tbirthday\tUnnamed\t",
                                            }));
}

TEST(UpcomingDates, LongSpansStopAtTheLimitAndTheLastDay)
{
    const std::vector<ContactRecord> book = {person("A", "B", "1 Jan")};
    // About ten years at most: 3660 days from 1 January 2000 reach 7 January 2010.
    EXPECT_EQ(lines(book, {2000, 1, 1}, 1000000).size(), 11u);
    EXPECT_EQ(lines(book, {2000, 1, 1}, 1000000), lines(book, {2000, 1, 1}, kMaxUpcomingDays));
    EXPECT_EQ(lines(book, {9999, 1, 1}, 3000), (Lines{"9999-01-01\tbirthday\tA B\t"}));
}
