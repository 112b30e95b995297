#pragma once

#include <iosfwd>

namespace qor {

struct CommandLine;

// qor --history [BOOK]: prints one tab-separated line per state the book's history keeps,
// newest first: its number (1 is the newest), the time of the save that wrote it (ISO 8601,
// local time with its offset), its contacts, and the contacts that save added and removed ("-"
// for a book QOR found written by another program, whose changes it does not know). Nothing
// for a book without a history. Reads only. Exit status 1 for a history that cannot be read or
// is damaged.
int runHistory(const CommandLine& line, std::ostream& out, std::ostream& err);

// qor --restore N [--to FILE] [BOOK]: makes state N the book again, as every writer does (the
// lock, the book read, the save, which is itself a new state), or, with --to, writes state N
// byte for byte to FILE (safely, as the book is written) and leaves the book alone; FILE may not
// be the book. Exit status 1 for a state that does not exist and for every refusal, with the
// book as it was; 2 for an N that is not a number from 1 on.
int runRestore(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace qor
