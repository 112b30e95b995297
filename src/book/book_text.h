#pragma once

#include "contact_record.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The byte encoding of a book file. Books from old Windows machines are Windows-1252; newer
// ones, and every new book, UTF-8. A book saved as "Unicode" by a Windows editor is UTF-16 with
// a byte-order mark, little- or big-endian, and is written back so.
enum class TextEncoding { Utf8, Windows1252, Utf16LE, Utf16BE };

// What the reader learnt about a book besides its records.
struct BookReading {
    TextEncoding encoding = TextEncoding::Utf8;
    // False for bytes that are not a book: they hold a line with text, yet neither a CREATOR
    // line nor a line of one of the 34 fields (random bytes, NUL bytes, some other file).
    bool isBook = true;
    // Lines with text that the reader did not take: without '=' or with a key that is neither
    // one of the 34 fields nor CREATOR. A save writes none of them back.
    std::size_t unreadLines = 0;
};

struct ParsedBook {
    // Records in the order the reader commits them (file order). Texts are UTF-8, exactly as
    // the reader's rules give them; the form's exchange has not been applied.
    std::vector<ContactRecord> records;
    TextEncoding encoding = TextEncoding::Utf8;
    bool isBook = true;
};

// Reads a book's bytes into records.
//  - A leading UTF-16 byte-order mark (FF FE or FE FF) makes the book UTF-16; a leading UTF-8
//    byte-order mark is a signature and is dropped. Other books are 8-bit: a book that is valid
//    UTF-8 is UTF-8; otherwise each field is decoded on its own, as UTF-8 when its bytes are
//    valid UTF-8 and as Windows-1252 when not (such fields are marked in windows1252Fields),
//    and the book is Windows-1252 unless a field holds UTF-8 beyond ASCII.
//  - A line ends at LF, CR LF or a lone CR; a last line without a line end is read too.
//  - Trailing white space (space, \t, \v, \f) is trimmed from each line.
//  - The key is every byte before the first '='; the value every byte after it, '=' included.
//    A line without '=' is all key, with an empty value.
//  - A SURNAME line commits the pending record when a line of the 34 fields has been read into
//    it, and the next record starts empty; a record never inherits fields from the one before.
//  - Any of the other 33 keys sets that field of the pending record; other keys are ignored.
//  - At the end the pending record is committed, and when there was none and nothing was
//    committed, `initial`: a book without a field line gives one record, `initial`.
// `initial` is the first pending record: the form's contents when the load begins.
ParsedBook parseBook(std::string_view bytes, const ContactRecord& initial);

// The same reader, record by record: `commit` receives each record as the reader commits it,
// in file order. The record's memory is reused for the next one, so a big book is never held
// twice.
BookReading readBookRecords(std::string_view bytes, const ContactRecord& initial,
                            const std::function<void(ContactRecord&)>& commit);

struct FormattedBook {
    std::string bytes;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Writes `rowCount` records, taken from `row(i)` for i = 0 .. rowCount-1, as a book:
// "CREATOR=QOR 1.0" once at the head, then each record's 34 KEY=VALUE lines in column order,
// an empty line between records, CR LF after every line including the last. No rows give
// 0 bytes. The book is written in `preferred`, unless a text cannot be written in Windows-1252
// so that it reads back as itself, in which case the book is UTF-8. In a UTF-8 book a field
// marked in windows1252Fields is written as Windows-1252 when it reads back as itself so (the
// bytes it was read from). A UTF-16 book begins with its byte-order mark.
FormattedBook formatBook(std::size_t rowCount,
                         const std::function<const ContactRecord&(std::size_t)>& row,
                         TextEncoding preferred);

// One row's texts as views, with its windows1252Fields (see ContactRecord).
struct BookRowTexts {
    std::array<std::string_view, kFieldCount> texts;
    std::bitset<kFieldCount> windows1252Fields;
};
// The same book from rows whose texts are kept elsewhere: `row(i, texts)` points `texts` at row
// i's, which must stay where they are until the next call. The writer passes over the rows
// twice (measuring, then writing); a row copied into a record on each pass cost more than
// writing it.
FormattedBook formatBook(std::size_t rowCount,
                         const std::function<void(std::size_t, BookRowTexts&)>& row,
                         TextEncoding preferred);

} // namespace qor
