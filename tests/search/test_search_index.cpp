#include "search_fold.h"
#include "search_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

ContactRecord named(std::string surname, std::string mobile = {})
{
    ContactRecord r;
    r[F::SURNAME] = std::move(surname);
    r[F::MOBILE] = std::move(mobile);
    return r;
}

// The rows of `records` that hold `query`, by folding every record afresh.
std::vector<int> expectedRows(const std::vector<ContactRecord>& records, std::string_view query)
{
    std::vector<int> rows;
    for (std::size_t r = 0; r < records.size(); ++r)
        if (searchTextMatches(searchTextOf(records[r]), foldForSearch(query)))
            rows.push_back(static_cast<int>(r));
    return rows;
}

} // namespace

TEST(SearchIndex, staysInStepWithInsertsReplacesAndRemoves)
{
    // Whatever the sequence, the index answers as folding every contact afresh would.
    // The index built on one thread, or in two halves on two (and then changed).
    for (std::size_t twoThreadsFrom : {std::size_t{1}, SearchIndex::kTwoThreadsFrom}) {
    SCOPED_TRACE(twoThreadsFrom);
    std::mt19937 random(11);
    const std::vector<std::string> names = {"Müller", "Mueller", "Ødegård", "Smith", "Dvořák", "ÉMILE", "mull"};
    auto pick = [&] { return names[random() % names.size()]; };
    std::vector<ContactRecord> records;
    for (int i = 0; i < 61; ++i)
        records.push_back(named(pick(), std::to_string(i)));
    SearchIndex index;
    index.build(records.size(), [&](std::size_t r, std::string& out) { out += searchTextOf(records[r]); }, twoThreadsFrom);
    ASSERT_EQ(index.size(), records.size());
    for (std::string_view query : {"mull", "ode", "4"})
        EXPECT_EQ(index.matchingRows(foldForSearch(query)), expectedRows(records, query)) << query;
    for (int step = 0; step < 400; ++step) {
        const int op = static_cast<int>(random() % 4);
        const int row = records.empty() ? -1 : static_cast<int>(random() % records.size());
        if (op == 0 || records.size() < 3) {
            records.insert(records.begin(), named(pick(), std::to_string(random() % 1000)));
            index.insertAtTop(records.front());
        } else if (op == 1) {
            records[static_cast<std::size_t>(row)] = named(pick());
            index.replace(row, records[static_cast<std::size_t>(row)]);
        } else if (op == 2) {
            records.erase(records.begin() + row);
            index.remove(row);
        } else {
            const std::vector<ContactRecord> batch = {named(pick()), named(pick())};
            records.insert(records.begin(), batch.begin(), batch.end());
            index.insertAtTop(batch.size(), [&](std::size_t r, std::string& out) { out += searchTextOf(batch[r]); });
        }
    }
    ASSERT_EQ(index.size(), records.size());
    for (std::string_view query : {"mull", "MÜLLER", "ode", "dvorak", "emile", "7", "zzz"})
        EXPECT_EQ(index.matchingRows(foldForSearch(query)), expectedRows(records, query)) << query;
    }
}

TEST(SearchIndex, aLongerQueryNarrowsTheShorterOnesRows)
{
    const std::vector<ContactRecord> records = {named("Müller"), named("Mullins"), named("Smith"), named("Muller-Lyer")};
    SearchIndex index;
    index.build(records.size(), [&](std::size_t r, std::string& out) { out += searchTextOf(records[r]); });
    std::vector<int> rows = index.matchingRows(foldForSearch("mul"));
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 3}));
    index.keepMatching(rows, foldForSearch("mulle"));
    EXPECT_EQ(rows, (std::vector<int>{0, 3}));
    index.keepMatching(rows, foldForSearch("muller-"));
    EXPECT_EQ(rows, (std::vector<int>{3}));
    // Rows that do not exist match nothing and change nothing.
    EXPECT_FALSE(index.matches(-1, ""));
    EXPECT_FALSE(index.matches(4, ""));
    index.replace(4, named("x"));
    index.remove(-1);
    EXPECT_EQ(index.size(), 4u);
}

TEST(SearchIndex, answersTheSameAfterReplacedTextsAreCleanedAway)
{
    // Replaced texts leave unused space that is reclaimed once it outweighs the texts in use;
    // every row must still hold its own text afterwards.
    std::vector<ContactRecord> records = {named("Anna"), named("Bert"), named("Carl")};
    SearchIndex index;
    index.build(records.size(), [&](std::size_t r, std::string& out) { out += searchTextOf(records[r]); });
    for (int round = 0; round < 6; ++round) {
        ContactRecord big = named("Big" + std::to_string(round));
        big[F::COMMENTS] = std::string(3u << 20, char('a' + round));
        records[1] = big;
        index.replace(1, big);
        index.remove(2);
        records.erase(records.begin() + 2);
        records.insert(records.begin(), named("New" + std::to_string(round)));
        index.insertAtTop(records.front());
        for (std::string_view query : {"anna", "big", "new", "bert", "aaaa", "ffff"})
            EXPECT_EQ(index.matchingRows(foldForSearch(query)), expectedRows(records, query)) << round << query;
    }
}
