#include "book_file.h"
#include "book_generator.h"
#include "book_stamp.h"
#include "book_text.h"
#include "contact_exchange.h"
#include "contact_store.h"
#include "ical_writer.h"
#include "merge_lists.h"
#include "text_encoding.h"
#include "upcoming_dates.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr std::uint32_t kSeed = 20240601;

void parseBenchmark(benchmark::State& state, qor::TextEncoding encoding)
{
    const std::string bytes = qor::generateBookBytes(static_cast<std::size_t>(state.range(0)), kSeed, encoding);
    const qor::ContactRecord initial;
    for (auto _ : state) {
        qor::ParsedBook book = qor::parseBook(bytes, initial);
        benchmark::DoNotOptimize(book.records.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
    state.counters["book_MB"] = static_cast<double>(bytes.size()) / 1e6;
}

void BM_ParseBookUtf8(benchmark::State& state) { parseBenchmark(state, qor::TextEncoding::Utf8); }
void BM_ParseBookWindows1252(benchmark::State& state) { parseBenchmark(state, qor::TextEncoding::Windows1252); }

void formatBenchmark(benchmark::State& state, qor::TextEncoding encoding)
{
    const std::vector<qor::ContactRecord> records = qor::generateContacts(static_cast<std::size_t>(state.range(0)), kSeed);
    const auto row = [&](std::size_t i) -> const qor::ContactRecord& { return records[i]; };
    std::size_t size = 0;
    for (auto _ : state) {
        qor::FormattedBook book = qor::formatBook(records.size(), row, encoding);
        size = book.bytes.size();
        benchmark::DoNotOptimize(book.bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
}

void BM_FormatBookUtf8(benchmark::State& state) { formatBenchmark(state, qor::TextEncoding::Utf8); }
void BM_FormatBookWindows1252(benchmark::State& state) { formatBenchmark(state, qor::TextEncoding::Windows1252); }

void BM_ValidateUtf8(benchmark::State& state)
{
    const std::string bytes = qor::generateBookBytes(static_cast<std::size_t>(state.range(0)), kSeed);
    for (auto _ : state)
        benchmark::DoNotOptimize(qor::isValidUtf8(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

void BM_HashBook(benchmark::State& state)
{
    const std::string bytes = qor::generateBookBytes(static_cast<std::size_t>(state.range(0)), kSeed);
    for (auto _ : state)
        benchmark::DoNotOptimize(qor::hashBytes(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

// What every save adds to check the book on disk: read it again (from the page cache, as
// right after the last save) and hash it.
void BM_StampBookOnDisk(benchmark::State& state)
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("qor-bench-stamp-" + std::to_string(::getpid()) + ".qor");
    const std::string bytes = qor::generateBookBytes(static_cast<std::size_t>(state.range(0)), kSeed);
    std::ofstream(path, std::ios::binary) << bytes;
    for (auto _ : state)
        benchmark::DoNotOptimize(qor::stampOnDisk(path).hash);
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

// Export and import of the same contacts the book benchmarks use.
void exportBenchmark(benchmark::State& state, qor::ExchangeFormat format)
{
    const std::vector<qor::ContactRecord> records = qor::generateContacts(static_cast<std::size_t>(state.range(0)), kSeed);
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string bytes = qor::exportContacts(qor::rowsOf(records), format);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
}

void importBenchmark(benchmark::State& state, qor::ExchangeFormat format)
{
    const std::vector<qor::ContactRecord> records = qor::generateContacts(static_cast<std::size_t>(state.range(0)), kSeed);
    const std::string bytes = qor::exportContacts(qor::rowsOf(records), format);
    for (auto _ : state) {
        qor::ImportResult result = qor::importContacts(bytes);
        if (!result.ok || result.contacts.size() != records.size())
            state.SkipWithError("the import failed");
        benchmark::DoNotOptimize(result.contacts.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

// One card with `range(0)` properties QOR does not know, each a kind of its own in the
// import's account (13 MB for a million): the account's tally must not walk the kinds.
void BM_ImportUnknownProperties(benchmark::State& state)
{
    const auto kinds = static_cast<std::size_t>(state.range(0));
    std::string card = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Lee;;;;\r\n";
    for (std::size_t i = 0; i < kinds; ++i)
        card += "X-P" + std::to_string(i) + ":v\r\n";
    card += "END:VCARD\r\n";
    for (auto _ : state) {
        qor::ImportResult result = qor::importContacts(card);
        if (!result.ok || result.unplaced.entries().size() != kinds)
            state.SkipWithError("the import failed");
        benchmark::DoNotOptimize(result.unplaced.describe().size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(card.size()));
}

void BM_ExportVCard4(benchmark::State& state) { exportBenchmark(state, qor::ExchangeFormat::VCard4); }
void BM_ImportVCard4(benchmark::State& state) { importBenchmark(state, qor::ExchangeFormat::VCard4); }
void BM_ExportCsv(benchmark::State& state) { exportBenchmark(state, qor::ExchangeFormat::QorCsv); }
void BM_ImportCsv(benchmark::State& state) { importBenchmark(state, qor::ExchangeFormat::QorCsv); }

// The next 30 days of birthdays and anniversaries from the middle of December, so that the
// listing runs into the next year.
void BM_UpcomingDates(benchmark::State& state)
{
    const std::vector<qor::ContactRecord> records = qor::generateContacts(static_cast<std::size_t>(state.range(0)), kSeed);
    const auto row = [&](std::size_t i) -> const qor::ContactRecord& { return records[i]; };
    std::size_t found = 0;
    for (auto _ : state) {
        const auto dates = qor::upcomingDates(records.size(), row, {2026, 12, 15}, qor::kDefaultUpcomingDays);
        found = dates.size();
        benchmark::DoNotOptimize(dates.data());
    }
    benchmark::DoNotOptimize(found);
}

void BM_FormatCalendar(benchmark::State& state)
{
    const std::vector<qor::ContactRecord> records = qor::generateContacts(static_cast<std::size_t>(state.range(0)), kSeed);
    const auto row = [&](std::size_t i) -> const qor::ContactRecord& { return records[i]; };
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string calendar = qor::formatCalendar(records.size(), row, 1796625660);
        size = calendar.size();
        benchmark::DoNotOptimize(calendar.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
}

// Two windows' lists after a day's work on one book, as a save that finds the book changed
// merges them: ours updated every 100th contact in place, deleted every 200th and added 100 on
// top; theirs updated every 150th, deleted every 250th and imported 1,000. So some contacts are
// changed on both sides, and some deleted on both.
struct MergeInput {
    std::vector<qor::ContactRecord> base, ours, theirs;
};

MergeInput mergeInput(std::size_t n)
{
    MergeInput in;
    in.base = qor::generateContacts(n, kSeed);
    const auto changed = [&](std::size_t updateEvery, std::size_t deleteEvery, std::size_t added, std::uint32_t seed) {
        std::vector<qor::ContactRecord> list = qor::generateContacts(added, seed);
        list.reserve(added + n);
        for (std::size_t i = 0; i < n; ++i) {
            if (i % deleteEvery == 3)
                continue;
            list.push_back(in.base[i]);
            if (i % updateEvery == 0)
                list.back()[qor::ContactField::COMMENTS] += " (updated " + std::to_string(seed) + ")";
        }
        return list;
    };
    in.ours = changed(100, 200, 100, kSeed + 1);
    in.theirs = changed(150, 250, 1000, kSeed + 2);
    return in;
}

void BM_MergeLists(benchmark::State& state)
{
    const MergeInput in = mergeInput(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const qor::MergedList merged = qor::mergeLists(in.base, in.ours, in.theirs);
        benchmark::DoNotOptimize(merged.rows.data());
    }
}

// The window's way: our list read row by row from the packed store, the result as a plan.
void BM_MergePlanFromStore(benchmark::State& state)
{
    const MergeInput in = mergeInput(static_cast<std::size_t>(state.range(0)));
    qor::ContactStore store;
    store.insertAllAtTop(std::vector<qor::ContactRecord>(in.ours.rbegin(), in.ours.rend()));
    qor::ContactRecord record;
    const qor::MergeRows ours{in.ours.size(), [&](std::size_t i) -> const qor::ContactRecord& {
                                  store.copyRecord(static_cast<int>(i), record);
                                  return record;
                              }};
    for (auto _ : state) {
        const qor::MergePlan plan = qor::planMerge(qor::mergeRowsOf(in.base), ours, qor::mergeRowsOf(in.theirs));
        benchmark::DoNotOptimize(plan.rows.data());
    }
}

} // namespace

// The CSV report takes its columns from the first run: the reader, with its book_MB counter,
// comes first, and no later benchmark adds a counter.
BENCHMARK(BM_ParseBookUtf8)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseBookWindows1252)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatBookUtf8)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatBookWindows1252)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidateUtf8)->Arg(100000)->Unit(benchmark::kMillisecond);

// After the reader's benchmarks: the CSV report takes its columns from the first one.
BENCHMARK(BM_ExportVCard4)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportVCard4)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsv)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportCsv)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportUnknownProperties)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashBook)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StampBookOnDisk)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpcomingDates)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatCalendar)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeLists)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergePlanFromStore)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
