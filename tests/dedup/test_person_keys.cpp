// What the duplicate finder reduces names, phone numbers and e-mail addresses to, and how alike
// it finds two names.
#include "name_likeness.h"
#include "person_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;

namespace {

using Words = std::vector<std::string>;

std::string joined(const Words& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

} // namespace

TEST(PersonKeys, namesAreFoldedIntoWordsOfSurnameAndFirstName)
{
    struct Row {
        const char* surname;
        const char* firstName;
        const char* wantSurname;
        const char* wantGiven;
    };
    const Row rows[] = {
        {"Doe", "John", "doe", "john"},
        {"Doe, John", "", "doe", "john"},          // the list's own way of writing a name
        {"  DOE ,  john  ", "", "doe", "john"},
        {"Müller", "Zoë", "muller", "zoe"},        // accents
        {"O'Brien", "J.", "obrien", "j"},          // apostrophes join, full stops go
        {"O\u2019Brien", "", "obrien", ""},        // a typographic apostrophe too
        {"Smith-Jones", "Mary Ann", "smith jones", "mary ann"},
        {"Ødegård", "", "odegard", ""},
        {"", "", "", ""},
        {"Lee, Ann", "Bea", "lee ann", "bea"},     // a first name given: the comma is punctuation
    };
    for (const Row& row : rows) {
        const PersonName name = normaliseName(row.surname, row.firstName);
        EXPECT_EQ(joined(name.surname), row.wantSurname) << row.surname;
        EXPECT_EQ(joined(name.given), row.wantGiven) << row.surname;
    }
    EXPECT_EQ(normaliseName("Doe, John", "").bag, normaliseName("john", "DOE").bag);
    EXPECT_TRUE(normaliseName(" ", ",").empty());
}

TEST(PersonKeys, phoneNumbersAgreeOnTheirLastNineDigits)
{
    struct Row {
        const char* phone;
        const char* want;
    };
    const Row rows[] = {
        {"+44 7700 900123", "700900123"},
        {"0044 7700 900123", "700900123"},
        {"07700 900123", "700900123"},
        {"+44(0)7700-900-123", "700900123"},
        {"(555) 123-4567", "551234567"},
        {"+1 555 123 4567", "551234567"},
        {"123456", "123456"},   // short numbers keep their digits
        {"12345", ""},          // too short to tell anyone apart
        {"ext. 12", ""},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(normalisePhone(row.phone), row.want) << row.phone;
}

TEST(PersonKeys, emailAddressesAreLowerCasedAndGoogleMailIsGmail)
{
    struct Row {
        const char* email;
        const char* want;
    };
    const Row rows[] = {
        {"Ann.Lee@Example.ORG", "ann.lee@example.org"},
        {"  ann@example.org ", "ann@example.org"},
        {"ann@googlemail.com", "ann@gmail.com"},
        {"ann@GoogleMail.com", "ann@gmail.com"},
        {"ann@notgooglemail.com", "ann@notgooglemail.com"},
        {"not an address", ""},
        {"@example.org", ""},
        {"ann@", ""},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(normaliseEmail(row.email), row.want) << row.email;
}

TEST(PersonKeys, oneEditIsAChangedAddedDroppedOrSwappedLetter)
{
    struct Row {
        const char* a;
        const char* b;
        bool within;
    };
    const Row rows[] = {
        {"smith", "smith", true}, {"smith", "smyth", true}, {"smith", "smiths", true}, {"smith", "mith", true},
        {"smith", "smiht", true}, {"smith", "msith", true}, {"smith", "smithes", false}, {"smith", "smtih", true},
        {"smith", "snyth", false}, {"smith", "jones", false}, {"", "a", true}, {"ab", "ba", true}, {"abc", "cba", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(withinOneEdit(row.a, row.b), row.within) << row.a << " " << row.b;
        EXPECT_EQ(withinOneEdit(row.b, row.a), row.within) << row.b << " " << row.a;
    }
}

TEST(NameLikeness, tellsTheSameNameFromATypoAnInitialAndAnotherPerson)
{
    using L = NameLikeness;
    struct Row {
        const char* surnameA;
        const char* firstA;
        const char* surnameB;
        const char* firstB;
        NameLikeness want;
    };
    const Row rows[] = {
        {"Doe", "John", "Doe, John", "", L::Same},
        {"Doe", "John", "john", "doe", L::Same},        // first and last name swapped
        {"Müller", "Zoë", "MULLER", "zoe", L::Same},
        {"Doe", "John", "Doe", "J.", L::Close},          // the first name's initial
        {"Doe", "John", "Doe", "Jon", L::Close},         // a letter dropped
        {"Smith", "Anna", "Smiht", "Anna", L::Close},    // two letters swapped
        {"Smith", "Jonathan", "Smiht", "Jonathon", L::Similar},
        {"Doe", "John", "Doe", "", L::Partial},
        {"Doe", "John", "", "", L::Unknown},
        {"Lee", "Bob", "Lee", "Robert", L::Related},
        {"Lee", "Ann", "Lee", "Jan", L::Related},        // short words a letter off stay apart
        {"Lee", "Ann", "Park", "Bob", L::Different},
    };
    for (const Row& row : rows) {
        const PersonName a = normaliseName(row.surnameA, row.firstA);
        const PersonName b = normaliseName(row.surnameB, row.firstB);
        EXPECT_EQ(compareNames(a, b), row.want) << row.surnameA << " " << row.firstA << " / " << row.surnameB << " " << row.firstB;
        EXPECT_EQ(compareNames(b, a), row.want) << "the other way round";
    }
}
