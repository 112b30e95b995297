#pragma once

#include "book_file.h"

#include <filesystem>
#include <string_view>

namespace qor {

// The folder for copies of the list that could not go beside the book (its folder takes no
// new file): $XDG_DATA_HOME/qor/rescue, else ~/.local/share/qor/rescue; on Windows
// %LOCALAPPDATA%\qor\rescue. Empty when the environment names no home at all.
std::filesystem::path rescueFolder();

// Writes `bytes` as a new file named `name` in the rescue folder, which is made (for its owner
// only) when missing, readable and writable by its owner only. Sets `written` to the file's
// path. On failure nothing is left there.
WriteResult writeRescueCopy(const std::filesystem::path& name, std::string_view bytes,
                            std::filesystem::path& written);

} // namespace qor
