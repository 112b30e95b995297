// The duplicate finder on a planted book: the people entered more than once are found, each
// group whole, and people who only look alike are not joined.
#include "duplicate_finder.h"
#include "duplicate_score.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

struct Entry {
    std::string person; // who it is: entries of one person share it
    ContactRecord record;
};

Entry entry(std::string person, std::initializer_list<std::pair<F, std::string>> fields)
{
    Entry e{std::move(person), {}};
    for (const auto& [field, text] : fields)
        e.record[field] = text;
    return e;
}

// The planted book: for each person, the entries that are theirs.
std::vector<Entry> plantedBook()
{
    std::vector<Entry> book = {
        entry("ann", {{F::SURNAME, "Lee"}, {F::FIRSTNAME, "Ann"}, {F::EMAIL, "ann@example.org"},
                      {F::MOBILE, "+44 7700 900123"}, {F::DOBDAY, "3"}, {F::DOBMON, "May"}, {F::DOBYEAR, "1980"}}),
        entry("john", {{F::SURNAME, "Doe"}, {F::FIRSTNAME, "John"}, {F::MOBILE, "07700 900999"}}),
        entry("ann", {{F::SURNAME, "Lee, Ann"}, {F::EMAIL, "ANN@example.org"}}),
        entry("zoe", {{F::SURNAME, "Müller"}, {F::FIRSTNAME, "Zoë"}, {F::EMAIL, "zoe@googlemail.com"}, {F::LIKES, "jazz"}}),
        entry("bob", {{F::SURNAME, "Lee"}, {F::FIRSTNAME, "Bob"}, {F::EMAIL, "lee.family@example.org"},
                      {F::TEL, "0113 496 0000"}}),
        entry("john", {{F::SURNAME, "Doe"}, {F::FIRSTNAME, "J."}, {F::MOBILE, "0044 7700 900999"}}),
        entry("sue", {{F::SURNAME, "Lee"}, {F::FIRSTNAME, "Sue"}, {F::EMAIL, "lee.family@example.org"},
                      {F::TEL, "0113 496 0000"}}),
        entry("zoe", {{F::SURNAME, "Zoe"}, {F::FIRSTNAME, "Muller"}, {F::EMAIL, "Zoe@gmail.com"}}),
        entry("mary1", {{F::SURNAME, "Smith"}, {F::FIRSTNAME, "Mary"}, {F::MOBILE, "07700 100001"},
                        {F::DOBDAY, "1"}, {F::DOBMON, "Jan"}, {F::DOBYEAR, "1970"}}),
        entry("mary2", {{F::SURNAME, "Smith"}, {F::FIRSTNAME, "Mary"}, {F::MOBILE, "07700 100002"},
                        {F::DOBDAY, "2"}, {F::DOBMON, "2"}, {F::DOBYEAR, "1985"}}),
        entry("jonathan", {{F::SURNAME, "Smiht"}, {F::FIRSTNAME, "Jonathan"}, {F::DOBDAY, "9"}, {F::DOBMON, "Sep"},
                           {F::HOMESTREET, "12 Mill Close"}, {F::HOMEZIP, "LS1 4AB"}}),
        entry("quinn", {{F::SURNAME, "Abernathy"}, {F::FIRSTNAME, "Quinn"}}),
        entry("jonathan", {{F::SURNAME, "Smith"}, {F::FIRSTNAME, "Jonathon"}, {F::DOBDAY, "09"}, {F::DOBMON, "9"},
                           {F::DOBYEAR, "1990"}, {F::HOMESTREET, "12 mill close"}, {F::HOMEZIP, "LS1 4AB"}}),
        entry("rosa", {{F::SURNAME, "Silva"}, {F::FIRSTNAME, "Rosa"}, {F::EMAIL, "rosa@example.pt"}}),
        entry("quinn", {{F::SURNAME, "ABERNATHY"}, {F::FIRSTNAME, "quinn"}}),
        entry("rosa", {{F::SURNAME, "Silva, Rosa"}, {F::EMAIL, "rosa@example.pt"}, {F::MOBILE, "+351 912 345 678"}}),
        entry("rosa", {{F::SURNAME, "Silvia"}, {F::FIRSTNAME, "Rosa"}, {F::MOBILE, "912345678"}}),
        // One name, two people: nothing else in common, and a comment each.
        entry("pat1", {{F::SURNAME, "Quigley"}, {F::FIRSTNAME, "Pat"}, {F::COMMENTS, "neighbour"}}),
        entry("pat2", {{F::SURNAME, "Quigley"}, {F::FIRSTNAME, "Pat"}, {F::COMMENTS, "dentist"}}),
        // Shares Ann's e-mail address, but is no Ann.
        entry("kim", {{F::SURNAME, "Park"}, {F::FIRSTNAME, "Kim"}, {F::EMAIL, "ann@example.org"}}),
    };
    // Nameless entries of a shared mailbox and switchboard, more than a block may hold: they
    // would score as one if compared, but such a block says nothing of who is who.
    for (int i = 0; i <= static_cast<int>(kLargestIdentifierBlock); ++i)
        book.push_back(entry("office" + std::to_string(i), {{F::EMAIL, "info@example.com"}, {F::MOBILE, "0800 123 4567"}}));
    return book;
}

// The groups, each as the people of its entries, and the rows of each person found together.
std::set<std::multiset<std::string>> peopleOf(const std::vector<DuplicateGroup>& groups, const std::vector<Entry>& book)
{
    std::set<std::multiset<std::string>> people;
    for (const DuplicateGroup& group : groups) {
        std::multiset<std::string> members;
        for (const std::size_t row : group)
            members.insert(book[row].person);
        people.insert(members);
    }
    return people;
}

std::vector<ContactRecord> recordsOf(const std::vector<Entry>& book)
{
    std::vector<ContactRecord> records;
    for (const Entry& e : book)
        records.push_back(e.record);
    return records;
}

} // namespace

TEST(DuplicateFinder, findsEachPlantedPersonWholeAndJoinsNobodyElse)
{
    const std::vector<Entry> book = plantedBook();
    const std::vector<DuplicateGroup> groups = findDuplicateGroups(recordsOf(book));
    const std::set<std::multiset<std::string>> want = {
        {"ann", "ann"}, {"john", "john"}, {"zoe", "zoe"}, {"jonathan", "jonathan"}, {"quinn", "quinn"},
        {"rosa", "rosa", "rosa"}};
    EXPECT_EQ(peopleOf(groups, book), want);
}

TEST(DuplicateFinder, groupsListTheirRowsAscendingAndComeInTheOrderOfTheirTopRows)
{
    const std::vector<DuplicateGroup> groups = findDuplicateGroups(recordsOf(plantedBook()));
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front(), (DuplicateGroup{0, 2})); // Ann
    for (std::size_t g = 0; g < groups.size(); ++g) {
        EXPECT_TRUE(std::is_sorted(groups[g].begin(), groups[g].end()));
        EXPECT_GE(groups[g].size(), 2u);
        if (g > 0) {
            EXPECT_LT(groups[g - 1].front(), groups[g].front());
        }
    }
}

TEST(DuplicateFinder, smallSharedMailboxesStillJoinAndPairsKeptApartAreNot)
{
    std::vector<Entry> book = plantedBook();
    book.resize(book.size() - kLargestIdentifierBlock + 1); // two office entries left
    std::set<std::multiset<std::string>> people = peopleOf(findDuplicateGroups(recordsOf(book)), book);
    EXPECT_TRUE(people.count({"office0", "office1"}));

    // Ann's two entries (rows 0 and 2) kept apart: they are no group any more, and nothing
    // else changes.
    const auto apart = [](std::size_t a, std::size_t b) { return (a == 0 && b == 2) || (a == 2 && b == 0); };
    people = peopleOf(findDuplicateGroups(recordsOf(book), apart), book);
    EXPECT_FALSE(people.count({"ann", "ann"}));
    EXPECT_TRUE(people.count({"rosa", "rosa", "rosa"}));
}

TEST(DuplicateScore, aCommonNameNeedsMoreThanARareOne)
{
    ContactRecord a, b;
    a[F::SURNAME] = b[F::SURNAME] = "Brown";
    a[F::FIRSTNAME] = b[F::FIRSTNAME] = "James";
    a[F::DOBDAY] = b[F::DOBDAY] = "4";
    a[F::DOBMON] = b[F::DOBMON] = "Jul";
    ContactTraits ta = traitsOf(a), tb = traitsOf(b);
    EXPECT_GE(duplicateScore(ta, tb), kDuplicateScore); // a rare name and a birthday
    ta.nameCount = tb.nameCount = kCommonNameCount + 1;
    EXPECT_LT(duplicateScore(ta, tb), kDuplicateScore); // a name half the book shares
    b[F::DOBDAY] = "5";
    EXPECT_LT(duplicateScore(traitsOf(a), traitsOf(b)), kDuplicateScore); // two birthdays: two people
}
