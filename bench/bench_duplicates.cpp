// The duplicate finder on a book of planted near-duplicates: the time to find the groups in
// the list's rows, and how right they are. Prints "name value unit" lines as bench_window
// does, for scripts/bench.
//   bench_duplicates [CONTACTS] [--seed N] [--explain]
//     CONTACTS 100000 unless given; --seed: another planted book (20261207 unless given);
//     --explain: the missed pairs and the false groups on standard error
#include "contact_store.h"
#include "display_name.h"
#include "duplicate_search.h"
#include "planted_duplicates.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void show(const qor::ContactRecord& r)
{
    using F = qor::ContactField;
    std::fprintf(stderr, "    %s | %s | %s | %s | %s/%s/%s | %s %s\n", r[F::SURNAME].c_str(), r[F::FIRSTNAME].c_str(),
                 r[F::EMAIL].c_str(), r[F::MOBILE].c_str(), r[F::DOBDAY].c_str(), r[F::DOBMON].c_str(),
                 r[F::DOBYEAR].c_str(), r[F::HOMESTREET].c_str(), r[F::HOMEZIP].c_str());
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t contacts = 100000;
    std::uint32_t seed = 20261207;
    bool explain = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--explain") == 0)
            explain = true;
        else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else
            contacts = std::strtoul(argv[i], nullptr, 10);
    }
    const qor::PlantedBook book = qor::plantDuplicates(contacts, seed);
    qor::ContactStore store;
    // The last of them goes on top: row i holds book.contacts[i].
    store.insertAllAtTop(std::vector<qor::ContactRecord>(book.contacts.rbegin(), book.contacts.rend()));

    std::vector<double> times;
    std::vector<qor::DuplicateGroup> groups;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        groups = qor::findDuplicatesInList(store);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());

    std::size_t foundPairs = 0, falseGroups = 0;
    std::set<std::size_t> grouped;
    for (const qor::DuplicateGroup& group : groups) {
        std::map<std::uint32_t, std::size_t> perPerson;
        for (const std::size_t row : group) {
            ++perPerson[book.person[row]];
            grouped.insert(row);
        }
        for (const auto& [person, count] : perPerson)
            foundPairs += count * (count - 1) / 2;
        if (perPerson.size() > 1) {
            ++falseGroups;
            if (explain) {
                std::fprintf(stderr, "false group:\n");
                for (const std::size_t row : group)
                    show(book.contacts[row]);
            }
        }
    }
    if (explain) {
        std::map<std::uint32_t, std::vector<std::size_t>> rowsOf;
        for (std::size_t row = 0; row < book.person.size(); ++row)
            rowsOf[book.person[row]].push_back(row);
        for (const auto& [person, rows] : rowsOf) {
            if (rows.size() < 2)
                continue;
            bool together = true;
            for (const std::size_t row : rows)
                together = together && grouped.count(row) > 0;
            if (!together) {
                std::fprintf(stderr, "missed:\n");
                for (const std::size_t row : rows)
                    show(book.contacts[row]);
            }
        }
    }
    const std::string n = std::to_string(contacts);
    std::printf("%-35s %10.3f ms\n", ("duplicates_find_" + n).c_str(), times[times.size() / 2]);
    std::printf("%-35s %10zu pairs\n", ("duplicates_planted_" + n).c_str(), book.plantedPairs);
    std::printf("%-35s %10.2f %%\n", ("duplicates_recall_" + n).c_str(),
                100.0 * static_cast<double>(foundPairs) / static_cast<double>(book.plantedPairs));
    std::printf("%-35s %10zu groups\n", ("duplicates_groups_" + n).c_str(), groups.size());
    std::printf("%-35s %10.2f per1000\n", ("duplicates_false_per_1000_" + n).c_str(),
                groups.empty() ? 0.0 : 1000.0 * static_cast<double>(falseGroups) / static_cast<double>(groups.size()));
    return 0;
}
