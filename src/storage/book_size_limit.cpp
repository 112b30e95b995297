#include "book_size_limit.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>
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

BookBytes tooBig(std::uint64_t size, std::uint64_t limit)
{
    BookBytes result;
    result.status = ReadStatus::TooBig;
    result.error = "the book is " + std::to_string(size) + " bytes; this machine opens books of up to "
        + std::to_string(limit) + " bytes";
    return result;
}

} // namespace

std::uint64_t largestReadableBook()
{
    // A 32-bit process cannot address more than a fraction of its address space either.
    const std::uint64_t addressable = std::numeric_limits<std::size_t>::max() / 4;
    return std::min(physicalMemory() / 4, addressable);
}

BookBytes readBookFileWithin(const std::filesystem::path& path, std::uint64_t limit)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > limit)
        return tooBig(size, limit);
    try {
        BookBytes bytes = readBookFile(path);
        if (bytes.status == ReadStatus::Read && bytes.size > limit) // it grew while it was read
            return tooBig(bytes.size, limit);
        return bytes;
    } catch (const std::bad_alloc&) {
        return tooBig(error ? 0 : size, limit);
    }
}

BookBytes readBookFileInPiecesWithin(const std::filesystem::path& path, std::uint64_t limit,
                                     const PieceFunction& piece)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > limit)
        return tooBig(size, limit);
    BookBytes read = readBookFileInPieces(path, kPieceSize, piece);
    if (read.status == ReadStatus::Read && read.size > limit)
        return tooBig(read.size, limit);
    return read;
}

} // namespace qor
