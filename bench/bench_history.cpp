// The cost of the book's history on a big book: how long a session's save takes with its entry
// and without, and how big the history of many one-change saves grows. Prints its figures.
//   bench_history [CONTACTS] [SAVES]    (100000 and 1000 unless given)
#include "book_generator.h"
#include "book_history.h"
#include "book_session.h"
#include "book_stamp.h"
#include "book_text.h"

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t contacts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int saves = argc > 2 ? std::atoi(argv[2]) : 1000;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qor-bench-history-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path book = folder / "qor.qor";
    std::ofstream(book, std::ios::binary) << qor::generateBookBytes(contacts, 20240601);
    const std::uintmax_t bookSize = std::filesystem::file_size(book);

    // A window's saves: one contact changed between two saves, the first save of each session
    // (which reads and checks the whole history, and keeps the book found whole) left out of
    // the figures. Two sessions on two copies of the book, one without its history, take turns.
    const std::filesystem::path bare = folder / "bare.qor";
    std::filesystem::copy_file(book, bare);
    qor::BookSession session(book);
    qor::BookSession without(bare);
    without.keepHistory(false);
    for (qor::BookSession* s : {&session, &without}) {
        s->load();
        s->save(qor::SaveMode::Attended);
    }
    const auto changeAndSave = [](qor::BookSession& s, int i) {
        s.showRow(i);
        s.form[qor::ContactField::COMMENTS] += " changed";
        s.mark().set(i);
        s.update();
        const auto start = Clock::now();
        s.save(qor::SaveMode::Attended);
        return millisecondsSince(start);
    };
    std::vector<double> withTimes;
    std::vector<double> withoutTimes;
    const int timedSaves = 9;
    for (int i = 0; i < timedSaves; ++i) {
        withTimes.push_back(changeAndSave(session, i));
        withoutTimes.push_back(changeAndSave(without, i));
    }
    const double withHistory = median(withTimes);
    const double withoutHistory = median(withoutTimes);
    std::printf("book: %zu contacts, %.1f MB\n", contacts, static_cast<double>(bookSize) / 1e6);
    std::printf("save with history: %.1f ms; without: %.1f ms (medians of %d); ratio %.2f\n", withHistory,
                withoutHistory, timedSaves, withHistory / withoutHistory);
    std::printf("history after the session's saves: %.1f MB; peak resident memory so far: %ld MiB\n",
                static_cast<double>(std::filesystem::file_size(qor::historyPathFor(book))) / 1e6,
                qor::peakResidentKiB() / 1024);

    // A first save of a session on a book that has a history: it reads and checks it whole.
    {
        qor::BookSession fresh(book);
        fresh.load();
        const double first = changeAndSave(fresh, 0);
        std::printf("first save of a session, with a history: %.1f ms\n", first);
    }

    // Many one-change saves, recorded as the session records them.
    std::vector<qor::ContactRecord> list = qor::generateContacts(contacts, 20240601);
    const auto row = [&](std::size_t i) -> const qor::ContactRecord& { return list[i]; };
    std::string current = qor::formatBook(list.size(), row, qor::TextEncoding::Utf8).bytes;
    std::filesystem::remove(qor::historyPathFor(book));
    std::ofstream(book, std::ios::binary | std::ios::trunc) << current;
    qor::HistoryRecorder recorder;
    const auto start = Clock::now();
    for (int i = 0; i < saves; ++i) {
        list[static_cast<std::size_t>(i * 7919) % list.size()][qor::ContactField::COMMENTS] += " n" + std::to_string(i);
        std::string next = qor::formatBook(list.size(), row, qor::TextEncoding::Utf8).bytes;
        const qor::BookBefore before = recorder.bookBefore(book, qor::hashBytes(current));
        std::ofstream(book, std::ios::binary | std::ios::trunc) << next;
        recorder.record(book, before, next, std::time(nullptr), std::tm{});
        current.swap(next);
    }
    const std::uintmax_t historySize = std::filesystem::file_size(qor::historyPathFor(book));
    std::printf("%d saves of one change: history %.1f MB = %.2f times the book (%.0f ms a save formatted, written and recorded)\n", saves,
                static_cast<double>(historySize) / 1e6, static_cast<double>(historySize) / static_cast<double>(bookSize),
                millisecondsSince(start) / saves);
    const auto rebuild = Clock::now();
    const qor::RebuiltState oldest = qor::rebuildState(book, saves + 1);
    std::printf("rebuilding the oldest state: %.0f ms (%s)\n", millisecondsSince(rebuild), oldest.ok ? "ok" : "FAILED");
    std::filesystem::remove_all(folder);
    return 0;
}
