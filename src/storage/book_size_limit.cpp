#include "book_size_limit.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qor {

namespace {

// What is assumed when the system does not say.
constexpr std::uint64_t kAssumedMemory = std::uint64_t{1} << 30;

// The size of the pieces a streamed book is read in: large enough that the system calls cost
// nothing next to the reading, small enough to be nothing next to a big book.
constexpr std::size_t kPieceSize = std::size_t{1} << 20;

std::uint64_t physicalMemory()
{
#if defined(_WIN32)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status) && status.ullTotalPhys > 0)
        return status.ullTotalPhys;
#else
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
#endif
    return kAssumedMemory;
}

BookBytes tooBig(std::string_view what, std::uint64_t size, std::uint64_t limit)
{
    BookBytes result;
    result.status = ReadStatus::TooBig;
    result.error = "the " + std::string(what) + " is " + std::to_string(size) + " bytes; this machine "
        + (what == "book" ? "opens books" : "reads files") + " of up to " + std::to_string(limit) + " bytes";
    return result;
}

BookBytes readWithin(const std::filesystem::path& path, std::uint64_t limit, std::string_view what)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > limit)
        return tooBig(what, size, limit);
    try {
        BookBytes bytes = readBookFile(path);
        if (bytes.status == ReadStatus::Read && bytes.size > limit) // it grew while it was read
            return tooBig(what, bytes.size, limit);
        return bytes;
    } catch (const std::bad_alloc&) {
        return tooBig(what, error ? 0 : size, limit);
    }
}

} // namespace

std::uint64_t largestBookFor(std::uint64_t physicalMemory)
{
    // A 32-bit process cannot address more than a fraction of its address space either.
    const std::uint64_t addressable = std::numeric_limits<std::size_t>::max() / 4;
    return std::min(physicalMemory / 4 / kOpenBookCost, addressable);
}

std::uint64_t largestReadableBook()
{
    return largestBookFor(physicalMemory());
}

BookBytes readBookFileWithin(const std::filesystem::path& path, std::uint64_t limit)
{
    return readWithin(path, limit, "book");
}

BookBytes readFileWithin(const std::filesystem::path& path, std::uint64_t limit)
{
    return readWithin(path, limit, "file");
}

BookBytes readBookFileInPiecesWithin(const std::filesystem::path& path, std::uint64_t limit,
                                     const PieceFunction& piece)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > limit)
        return tooBig("book", size, limit);
    BookBytes read = readBookFileInPieces(path, kPieceSize, piece);
    if (read.status == ReadStatus::Read && read.size > limit)
        return tooBig("book", read.size, limit);
    return read;
}

} // namespace qor
