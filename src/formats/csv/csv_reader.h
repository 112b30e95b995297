#pragma once

#include "contact_exchange.h"

#include <string_view>

namespace qor {

// Whether the first record of `bytes` is a header naming at least one column QOR reads.
bool looksLikeContactCsv(std::string_view bytes);

// Reads a CSV file of contacts: a header, then one contact per record. Columns are matched by
// their header names, never by position: QOR's 34 keys (which fill their fields exactly), and
// the names Google's and Outlook's address books (and Thunderbird's) use, in any case. Values are
// placed as ContactBuilder says (typed before untyped, Google's "* " mark first; a company's
// name is the surname of a row that names no one); Google's custom fields labelled with a
// personal field's name fill it. Values in columns QOR has no field for are counted in the
// account. UTF-8 with or without a byte-order mark, else Windows-1252; any line end; ',' or,
// when the header has none, ';' as separator. A cell whose leading
// apostrophe defuses a formula (an apostrophe, then perhaps more, then '=', '+', '-', '@', a
// tab or a CR; see restoreDefusedCsvValue in csv_text.h) loses that one apostrophe, in every
// layout: QOR's own export puts it there, and a Google or Outlook file may come from QOR too.
// Every other cell, a formula included, is taken as it is. Refuses, with the line at fault: a
// header naming no known column, an unclosed quote, binary bytes.
ImportResult readCsvContacts(std::string_view bytes);

} // namespace qor
