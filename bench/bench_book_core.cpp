#include "book_file.h"
#include "book_generator.h"
#include "book_stamp.h"
#include "book_text.h"
#include "contact_exchange.h"
#include "ical_writer.h"
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

BENCHMARK_MAIN();
