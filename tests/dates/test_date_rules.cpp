#include "date_rules.h"

#include <gtest/gtest.h>

using namespace qor;

namespace {

ContactDate date(int day, int month, int year = 0) { return {day, month, year}; }

} // namespace

TEST(DateRules, Month_byEnglishNameOrThreeLettersInAnyCaseOrNumber)
{
    EXPECT_EQ(readContactDate("17", "May", ""), date(17, 5));
    EXPECT_EQ(readContactDate("17", "may", ""), date(17, 5));
    EXPECT_EQ(readContactDate("1", "SEP", ""), date(1, 9));
    EXPECT_EQ(readContactDate("1", "September", ""), date(1, 9));
    EXPECT_EQ(readContactDate("1", "sEpTeMbEr", ""), date(1, 9));
    EXPECT_EQ(readContactDate("31", "dec", ""), date(31, 12));
    EXPECT_EQ(readContactDate("31", "12", ""), date(31, 12));
    EXPECT_EQ(readContactDate("3", "1", ""), date(3, 1));
    EXPECT_EQ(readContactDate("03", "01", ""), date(3, 1));
    EXPECT_EQ(readContactDate(" 3 ", "\tJan ", " 1999 "), date(3, 1, 1999));
}

TEST(DateRules, AnythingElse_isSkippedNeverGuessed)
{
    for (const char* month : {"", "Ju", "Ja", "Sept", "Janu", "Mayo", "0", "13", "-1", "+5", "5.", "M ay",
                              "\xC3\xA9t\xC3\xA9", "January1", "J\xC3\xA1n"})
        EXPECT_FALSE(readContactDate("10", month, "")) << month;
    for (const char* day : {"", "0", "32", "1st", "-3", "+3", "3.0", "x", "99999999999999999999", "1 2"})
        EXPECT_FALSE(readContactDate(day, "Mar", "")) << day;
}

TEST(DateRules, DayTheMonthDoesNotHave_isSkipped)
{
    EXPECT_FALSE(readContactDate("31", "Apr", ""));
    EXPECT_FALSE(readContactDate("31", "jun", "1990"));
    EXPECT_FALSE(readContactDate("30", "Feb", ""));
    EXPECT_EQ(readContactDate("30", "Apr", ""), date(30, 4));
    EXPECT_EQ(readContactDate("31", "Aug", ""), date(31, 8));
}

TEST(DateRules, Year_isOptionalAndOnlyFourDigits)
{
    EXPECT_EQ(readContactDate("5", "Jun", "1980"), date(5, 6, 1980));
    EXPECT_EQ(readContactDate("5", "Jun", "0001"), date(5, 6, 1));
    EXPECT_FALSE(readContactDate("5", "Jun", "").value().hasYear());
    // A year that is not four digits is no year: the day and month still count.
    for (const char* year : {"80", "19800", "0000", "198O", "1980s", "-1980", "circa"})
        EXPECT_EQ(readContactDate("5", "Jun", year), date(5, 6)) << year;
}

TEST(DateRules, TwentyNinthOfFebruary_needsALeapYearWhenTheYearIsGiven)
{
    EXPECT_EQ(readContactDate("29", "Feb", ""), date(29, 2));
    EXPECT_EQ(readContactDate("29", "Feb", "1980"), date(29, 2, 1980));
    EXPECT_EQ(readContactDate("29", "Feb", "2000"), date(29, 2, 2000));
    EXPECT_FALSE(readContactDate("29", "Feb", "1981"));
    EXPECT_FALSE(readContactDate("29", "Feb", "1900"));
}

TEST(DateRules, TwentyNinthOfFebruary_fallsOnThe28thInYearsWithoutIt)
{
    const ContactDate leapDay = date(29, 2, 1980);
    EXPECT_EQ(occurrenceIn(leapDay, 2024), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(occurrenceIn(leapDay, 2025), (CivilDate{2025, 2, 28}));
    EXPECT_EQ(occurrenceIn(leapDay, 2100), (CivilDate{2100, 2, 28}));
    EXPECT_EQ(occurrenceIn(date(28, 2), 2024), (CivilDate{2024, 2, 28}));
    EXPECT_EQ(occurrenceIn(date(1, 3), 2025), (CivilDate{2025, 3, 1}));
}

TEST(DateRules, ContactDate_readsTheBirthAndAnniversaryFields)
{
    ContactRecord r;
    r[ContactField::DOBDAY] = "17";
    r[ContactField::DOBMON] = "May";
    r[ContactField::DOBYEAR] = "1980";
    r[ContactField::ANDAY] = "2";
    r[ContactField::ANMON] = "Ju"; // June or July: not guessed
    EXPECT_EQ(contactDate(r, DateKind::Birthday), date(17, 5, 1980));
    EXPECT_FALSE(contactDate(r, DateKind::Anniversary));
    r[ContactField::ANMON] = "Jul";
    EXPECT_EQ(contactDate(r, DateKind::Anniversary), date(2, 7));
}

TEST(DateRules, DayNumbers_roundTripAcrossCenturiesAndLeapDays)
{
    EXPECT_EQ(daysSinceEpoch({1970, 1, 1}), 0);
    EXPECT_EQ(daysSinceEpoch({2000, 3, 1}) - daysSinceEpoch({2000, 2, 28}), 2);
    EXPECT_EQ(daysSinceEpoch({1900, 3, 1}) - daysSinceEpoch({1900, 2, 28}), 1);
    EXPECT_EQ(daysSinceEpoch({1969, 12, 31}), -1);
    for (std::int64_t d = daysSinceEpoch({1899, 12, 1}); d < daysSinceEpoch({2101, 2, 1}); d += 7) {
        const CivilDate c = dateFromDays(d);
        ASSERT_EQ(daysSinceEpoch(c), d);
        ASSERT_TRUE(c.day >= 1 && c.day <= daysInMonth(c.year, c.month));
    }
    EXPECT_EQ(dateFromDays(daysSinceEpoch(kLastCivilDate)), kLastCivilDate);
    EXPECT_EQ(dateFromDays(daysSinceEpoch(kFirstCivilDate)), kFirstCivilDate);
}

TEST(DateRules, IsoDate_acceptsOnlyRealDaysAsYyyyMmDd)
{
    EXPECT_EQ(parseIsoDate("2026-12-07"), (CivilDate{2026, 12, 7}));
    EXPECT_EQ(parseIsoDate("2024-02-29"), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(isoDate({987, 3, 4}), "0987-03-04");
    EXPECT_EQ(isoDate(*parseIsoDate("9999-12-31")), "9999-12-31");
    for (const char* text : {"", "2026-2-07", "2026-12-7", "26-12-07", "2026/12/07", "2025-02-29",
                             "2026-13-01", "2026-00-10", "2026-04-31", "0000-01-01", " 2026-12-07",
                             "2026-12-07T00:00", "+026-12-07", "2026-1a-07"})
        EXPECT_FALSE(parseIsoDate(text)) << text;
}

TEST(DateRules, LocalToday_isARealDay)
{
    const CivilDate today = localToday();
    EXPECT_GE(today.year, 2024);
    EXPECT_EQ(parseIsoDate(isoDate(today)), today);
}
