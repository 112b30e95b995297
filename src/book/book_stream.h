#pragma once

#include "book_lines.h"
#include "book_text.h"
#include "contact_record.h"

#include <functional>
#include <string>
#include <string_view>

namespace qor {

// The book reader for a book that arrives in pieces, such as a file read a piece at a time:
// the records given to `commit`, and the encoding and isBook that finish() returns, are those
// readBookRecords gives for all the pieces joined, however the bytes are cut (inside a line,
// between CR and LF, inside a UTF-8 sequence or a UTF-16 pair, inside the byte-order mark).
// It holds only what has not been read yet: the last piece and the line it ends inside, so a
// big book is never held whole. A line as long as the book is held whole, as it must be.
class BookRecordStream {
public:
    // `commit` receives each record in file order; its memory is reused for the next one.
    BookRecordStream(const ContactRecord& initial, std::function<void(ContactRecord&)> commit);
    BookRecordStream(const BookRecordStream&) = delete;
    BookRecordStream& operator=(const BookRecordStream&) = delete;

    // The next bytes of the book. Reads every line they complete.
    void feed(std::string_view piece);

    // The end of the book: reads the last line and commits the last record (or `initial`, as
    // readBookRecords does). Call once, after the last piece.
    BookReading finish();

private:
    enum class Form { Undecided, EightBit, Utf16LE, Utf16BE };
    void decideForm(bool atEnd);
    void takeUtf16Units(bool atEnd);
    void readWholeLines(std::size_t newFrom);
    void noteValidity(std::string_view lines);

    std::function<void(ContactRecord&)> m_commit;
    BookLineReader m_lines; // after m_commit, which it refers to
    Form m_form = Form::Undecided;
    bool m_utf8Marked = false;
    bool m_allValidUtf8 = true;
    std::string m_units; // UTF-16 bytes not yet decoded, or the first bytes before the form is known
    std::string m_text;  // text after the last whole line read: UTF-8, or the book's own 8-bit bytes
};

} // namespace qor
