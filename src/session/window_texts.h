#pragma once

#include "save_result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qor {

// The sentences every window shows the user, in one place so that the Qt window and the Win32
// window say the same thing. UTF-8; each front end puts them in its own boxes.

// A field over the form's limit: typed into `fieldName` (`contacts` 0), or held by `contacts`
// contacts of the book, the first in `fieldName`. No name at all: the bare rule.
std::string fieldTooLongText(std::string_view fieldName, std::size_t contacts = 0);
// The book found at opening is not read, and will not be saved over: why, named `fileName`.
std::string bookRefusedText(BookRefusal why, std::string_view fileName);
// A close whose save failed asks this.
std::string closeWithoutSavingText();
// The book changed on disk since this window last read or wrote it; what the other side
// changed ("+3, -1") when it can be merged, else the file a save beside it would write.
std::string bookChangedText(bool canMerge, std::string_view otherSideChanges, std::string_view besideName);
std::string mergeToldText(std::string_view note);
std::string listRescuedText(std::string_view path);
std::string oldBookKeptText(std::size_t lines, std::string_view keptName);
// Reload from disk could not read the book (`error`): the list is as it was.
std::string reloadFailedText(std::string_view error);
std::string historyTroubleText(std::string_view error, std::string_view setAsideName);

} // namespace qor
