#pragma once

// Deterministic, realistic contact books for benchmarks: the same (count, seed) gives the same
// contacts on every machine and compiler (no standard distributions are used).

#include "book_text.h"
#include "contact_record.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// `n` contacts: names, phones, e-mail and street addresses, ratings, dates; some fields empty,
// some combo fields holding only a prefix of an entry ("bl", "6"), a few long comments, a few
// accented names (all characters Windows-1252 can hold).
std::vector<ContactRecord> generateContacts(std::size_t n, std::uint32_t seed);

// The book file of generateContacts(n, seed), as the writer formats it.
std::string generateBookBytes(std::size_t n, std::uint32_t seed,
                              TextEncoding encoding = TextEncoding::Utf8);

// The ASCII letters of `s` in lower case, as a generated e-mail address takes a name.
std::string asciiLower(std::string_view s);

// The process's peak resident memory so far (Linux), in KiB; -1 where it cannot be told.
long peakResidentKiB();

} // namespace qor
