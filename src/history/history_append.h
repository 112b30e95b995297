#pragma once

#include "book_file.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace qor {

// Writes `bytes` into the file at `path` from byte `at` on, cutting off whatever stood there
// after `at` (the rest of a write that never ended), and syncs it before it returns. A missing
// file is created, readable and writable by its owner only (mode 0600), and its folder synced;
// an existing one keeps its identity. Never follows a symbolic link. The bytes before `at` are
// never written: a crash leaves them and at most part of the new bytes. On a failed write the
// file is cut back to `at` bytes (as far as the system lets it).
WriteResult writeHistoryTail(const std::filesystem::path& path, std::uint64_t at, std::string_view bytes);

} // namespace qor
