// The cost of the book's history on a big book: how long a save takes with its entry and
// without, and how big the history of many one-change saves grows. Prints its figures.
//   bench_history [CONTACTS] [SAVES]    (100000 and 1000 unless given)
#include "book_generator.h"
#include "book_history.h"
#include "book_session.h"
#include "book_text.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
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

    // A window's saves: one contact changed between two saves, the first save of the session
    // (which keeps the book found whole) left out of the figures.
    qor::BookSession session(book);
    session.load();
    session.save(qor::SaveMode::Attended);
    double withHistory = 0;
    double historyPart = 0;
    const int timedSaves = 5;
    for (int i = 0; i < timedSaves; ++i) {
        session.showRow(i);
        session.form[qor::ContactField::COMMENTS] += " changed";
        session.mark().set(i);
        session.update();
        const auto start = Clock::now();
        session.save(qor::SaveMode::Attended);
        withHistory += millisecondsSince(start);

        // The history's own part of such a save, made again on the same bytes.
        const std::string written(qor::readBookFile(book).bytes());
        const auto part = Clock::now();
        const qor::BookBefore before = qor::captureBookBefore(book);
        qor::recordSave(book, before, written, std::time(nullptr), std::tm{});
        historyPart += millisecondsSince(part);
    }
    withHistory /= timedSaves;
    historyPart /= timedSaves;
    std::printf("book: %zu contacts, %.1f MB\n", contacts, static_cast<double>(bookSize) / 1e6);
    std::printf("save with history: %.1f ms; its history part: %.1f ms; save without: %.1f ms; ratio %.2f\n",
                withHistory, historyPart, withHistory - historyPart, withHistory / (withHistory - historyPart));

    // Many one-change saves, recorded as the session records them.
    std::vector<qor::ContactRecord> list = qor::generateContacts(contacts, 20240601);
    const auto row = [&](std::size_t i) -> const qor::ContactRecord& { return list[i]; };
    std::string current = qor::formatBook(list.size(), row, qor::TextEncoding::Utf8).bytes;
    std::filesystem::remove(qor::historyPathFor(book));
    std::ofstream(book, std::ios::binary | std::ios::trunc) << current;
    const auto start = Clock::now();
    for (int i = 0; i < saves; ++i) {
        list[static_cast<std::size_t>(i * 7919) % list.size()][qor::ContactField::COMMENTS] += " n" + std::to_string(i);
        std::string next = qor::formatBook(list.size(), row, qor::TextEncoding::Utf8).bytes;
        const qor::BookBefore before = qor::captureBookBefore(book);
        std::ofstream(book, std::ios::binary | std::ios::trunc) << next;
        qor::recordSave(book, before, next, std::time(nullptr), std::tm{});
        current.swap(next);
    }
    const std::uintmax_t historySize = std::filesystem::file_size(qor::historyPathFor(book));
    std::printf("%d saves of one change: history %.1f MB = %.2f times the book (%.0f ms a save recorded)\n", saves,
                static_cast<double>(historySize) / 1e6, static_cast<double>(historySize) / static_cast<double>(bookSize),
                millisecondsSince(start) / saves);
    const auto rebuild = Clock::now();
    const qor::RebuiltState oldest = qor::rebuildState(book, saves + 1);
    std::printf("rebuilding the oldest state: %.0f ms (%s)\n", millisecondsSince(rebuild), oldest.ok ? "ok" : "FAILED");
    std::filesystem::remove_all(folder);
    return 0;
}
