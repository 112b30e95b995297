#pragma once

#include "contact_record.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qor {

// The foreign formats contacts travel in. An iCalendar file carries only the birthdays and
// anniversaries, and is written, never read.
enum class ExchangeFormat { VCard4, VCard3, QorCsv, GoogleCsv, OutlookCsv, ICalendar };

// The format a name on the command line gives ("vcard4", "vcard3", "csv", "google-csv",
// "outlook-csv", "ical"), if any.
std::optional<ExchangeFormat> formatNamed(std::string_view name);
// The format a file name's extension gives: ".vcf" vCard 4.0, ".csv" QOR CSV, ".ics"
// iCalendar (any case).
std::optional<ExchangeFormat> formatForFileName(std::string_view fileName);

// The rows to write, in order: `row(i)` for i = 0 .. count-1. A reference returned by `row` need
// only stay valid until the next call.
struct ContactRows {
    std::size_t count = 0;
    std::function<const ContactRecord&(std::size_t)> row;
    // The sum of the rows' text sizes, when the caller knows it without building each row: the
    // writers reserve their text from it instead of a first pass over the rows, which for rows
    // built on demand (copied out of the list's packed store) doubled the copying.
    std::optional<std::size_t> textBytes;
    // Where row 0 stands in the whole export, for rows written in parts that are joined
    // afterwards (a vCard's UID depends on its place).
    std::size_t firstPosition = 0;
};
ContactRows rowsOf(const std::vector<ContactRecord>& records);
// rows.textBytes, or the sum a pass over the rows finds.
std::size_t textBytesOf(const ContactRows& rows);

// Writes `rows` in `format`. Never fails: every text has a written form. An iCalendar file is
// stamped with the time of the call.
std::string exportContacts(const ContactRows& rows, ExchangeFormat format);

// What an import found no field for, counted by kind ("phone number", "URL"...), in the order
// the kinds were first met.
//
// A kind is found through a hash index, not by walking the kinds: every property QOR does not
// know is a kind of its own ("X-FOO property"), and a card of a million distinct ones walked a
// growing list a million times (80,000 took 27 s). add and countOf take constant time on
// average, describe time linear in its text.
class UnplacedAccount {
public:
    struct Entry {
        std::string singular;
        std::string plural;
        std::size_t count = 0;
    };
    void add(std::string_view singular, std::string_view plural, std::size_t count = 1);
    bool empty() const { return m_entries.empty(); }
    const std::vector<Entry>& entries() const { return m_entries; }
    std::size_t countOf(std::string_view singular) const;
    // "2 more phone numbers and 1 URL were not imported"; empty when nothing was left out.
    std::string describe() const { return describe("was not imported", "were not imported"); }
    // The same with another ending, after one thing and after several.
    std::string describe(std::string_view was, std::string_view were) const;

private:
    // Looks a kind up by a string_view without making a std::string of it.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> m_index; // singular -> entry
};

// An import's result. On failure `contacts` is empty: an import is all or nothing.
struct ImportResult {
    bool ok = false;
    std::vector<ContactRecord> contacts; // in the file's order
    UnplacedAccount unplaced;
    // Values whose declared charset QOR could not decode, counted by charset ("value in charset
    // X-MAC-JAPANESE"): they are imported with their bytes kept, never guessed at (see
    // CharsetDecoder::decode).
    UnplacedAccount undecoded;
    std::size_t errorLine = 0; // 1-based line of the fault, when !ok
    std::string error;         // what is wrong there, when !ok

    static ImportResult failure(std::size_t line, std::string message)
    {
        ImportResult r;
        r.errorLine = line;
        r.error = std::move(message);
        return r;
    }
};

// What an import says beside the number of contacts: the values kept undecoded, then what found
// no field ("1 value in charset X-FOO was not decoded and keeps its bytes; 2 more phone numbers
// were not imported"). Empty when there is nothing to say.
std::string importMessage(const ImportResult& result);

// Reads contacts from a vCard file (2.1, 3.0 or 4.0) or a CSV file (QOR, Google or Outlook
// columns), telling which from the content. A file in UTF-16 (with a byte-order mark, or
// without one when its first character is ASCII) is decoded first; every other file is UTF-8
// or Windows-1252, with the charsets its cards declare. Refuses, with the line at fault, a file
// that is neither format, binary bytes, and a card without END. Every imported text is UTF-8
// and holds no line end: a line end in the file ends the line, and a line break inside a value
// (CR LF, LF, a lone CR, raw in a quoted CSV cell or decoded from quoted-printable "=0D")
// becomes a space, so no value can forge lines in the book.
ImportResult importContacts(std::string_view bytes);

} // namespace qor
