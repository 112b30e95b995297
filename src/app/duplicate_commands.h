#pragma once

#include <iosfwd>

namespace qor {

struct CommandLine;

// qor --duplicates [BOOK]: prints the groups of contacts that look like one person entered
// more than once, one block a group and one line a contact (its display name, e-mail address
// and mobile number, tab-separated, in list order), the blocks separated by an empty line.
// Prints nothing when there are none. Reads only. Exit status 0, also with no groups; 1 for a
// book that is not there or cannot be read.
int runDuplicates(const CommandLine& line, std::ostream& out, std::ostream& err);

// qor --merge-duplicates [BOOK]: merges the groups whose contacts are equal but for empty
// fields into one contact each, through the safe save as every writer, and prints how many it
// merged and how many need a choice in the window. Exit status 1 for every refusal, with the
// book as it was.
int runMergeDuplicates(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace qor
