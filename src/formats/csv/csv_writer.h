#pragma once

#include "contact_exchange.h"

#include <string>

namespace qor {

enum class CsvLayout { Qor, Google, Outlook };

// Writes a header and one record per row, RFC 4180 quoting, CR LF, UTF-8. In every layout a
// value that a spreadsheet would run as a formula (it begins with '=', '+', '-', '@', a tab or
// a CR, after any apostrophes) is written with one apostrophe before it; an international
// telephone number ("+44 20 7946 0958") is not (the rule is appendDefusedCsvField's, in
// csv_text.h). The reader takes that apostrophe away again.
//  - Qor: the 34 keys in column order, every field as it is but for that apostrophe; reading
//    it back gives every field unchanged.
//  - Google and Outlook: the columns their importers expect, with a byte-order mark so that
//    spreadsheets read the accents. Google's layout carries the twelve personal fields as
//    custom fields labelled with their names, so a round trip keeps every field; Outlook's has
//    only columns of Outlook's own export, the first four personal fields in User 1 to User 4
//    and the nickname and the others in Notes, a labelled line each after the comments (read
//    back by the CSV reader). A date is every date the date rules read, a year-less one too
//    (Google "--05-17", Outlook "5/17/1604").
std::string writeCsvContacts(const ContactRows& rows, CsvLayout layout);

} // namespace qor
