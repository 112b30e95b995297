#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qor {

// The book file's name, relative to the working directory.
inline constexpr const char* kBookFileName = "qor.qor";

enum class ReadStatus {
    Read,       // the whole file was read
    Missing,    // there is no such file
    Unreadable, // something is there but could not be read whole (a directory, a pipe, a read
                // error, no permission): it must not be replaced by a save
    TooBig,     // larger than this machine can hold (see book_size_limit.h); left unread
};

struct BookBytes {
    ReadStatus status = ReadStatus::Missing;
    // The file's bytes, in a buffer that is never zero-filled first: for a big book that pass
    // over fresh memory costs as much as reading it.
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::string error; // why it could not be read, for Unreadable

    std::string_view bytes() const { return {data.get(), size}; }
};

// Reads the whole file at `path`. Follows symbolic links. Never blocks on a pipe or device.
BookBytes readBookFile(const std::filesystem::path& path);

// A seam for tests: stands in for write(2) on the temporary file.
using WriteFunction = std::function<long(int fd, const char* data, std::size_t size)>;

struct WriteResult {
    bool ok = false;
    std::string error;
};

// Replaces the file at `path` by `bytes` so that it is either the old file or the new one,
// never a mix: writes a temporary file in the same folder, checks every write, syncs it and
// renames it over `path`. A symbolic link at `path` is kept and the file it points to is
// replaced. A new file gets mode 0600; an existing one keeps its mode. Refuses, touching
// nothing, when `path` is read-only (no owner write bit), not a regular file, or cannot be
// written. On any failure the temporary file is removed and `path` is as it was.
WriteResult replaceFileSafely(const std::filesystem::path& path, std::string_view bytes,
                              const WriteFunction& write = {});

} // namespace qor
