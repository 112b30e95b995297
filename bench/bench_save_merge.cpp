// A save that finds the book changed by another window and merges: two sessions on one big
// book, each changing a few contacts; the second to save merges. Prints "name value unit" lines
// as bench_window does, for scripts/bench.
//   bench_save_merge [CONTACTS]    (100000 unless given)
#include "book_generator.h"
#include "book_session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void changeSome(qor::BookSession& session, int first, const std::string& mark)
{
    for (int row = first; row < first + 10; ++row) {
        session.showRow(row);
        session.form[qor::ContactField::COMMENTS] += mark;
        session.mark().set(row);
        session.update();
    }
    session.form = qor::ContactRecord{};
    session.form[qor::ContactField::SURNAME] = "Added" + mark;
    session.add();
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t contacts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qor-bench-merge-" + std::to_string(::getpid()));
    std::vector<double> merging, plain;
    for (int run = 0; run < 5; ++run) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const std::filesystem::path book = folder / "qor.qor";
        std::ofstream(book, std::ios::binary) << qor::generateBookBytes(contacts, 20240601);
        qor::BookSession one(book);
        qor::BookSession two(book);
        one.load();
        two.load();
        // Each session's first save is behind it, as in a window open for a while.
        two.save(qor::SaveMode::Attended);
        one.reloadFromDisk();
        one.save(qor::SaveMode::Attended);
        two.reloadFromDisk();

        changeSome(two, 100, " two");
        auto start = Clock::now();
        two.save(qor::SaveMode::Attended);
        plain.push_back(millisecondsSince(start));
        changeSome(one, 5000, " one");
        start = Clock::now();
        const qor::SaveResult saved = one.save(qor::SaveMode::Unattended);
        merging.push_back(millisecondsSince(start));
        if (!saved.merged)
            std::fprintf(stderr, "bench_save_merge: the save did not merge\n");
    }
    std::filesystem::remove_all(folder);
    std::sort(merging.begin(), merging.end());
    std::sort(plain.begin(), plain.end());
    const std::string n = std::to_string(contacts);
    std::printf("%-35s %10.3f ms\n", ("save_plain_" + n).c_str(), plain[plain.size() / 2]);
    std::printf("%-35s %10.3f ms\n", ("save_merging_" + n).c_str(), merging[merging.size() / 2]);
    return 0;
}
