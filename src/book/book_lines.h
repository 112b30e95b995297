#pragma once

#include "book_text.h"
#include "contact_record.h"

#include <cstddef>
#include <functional>
#include <string_view>

namespace qor {

// The book reader's loop over lines, apart from where the lines come from: the reader of a
// whole book hands it every line at once, the reader of a book in pieces (book_stream.h) a
// run of whole lines at a time. The record being read and what has been seen carry over from
// one run to the next, so a run may end at any line end.
class BookLineReader {
public:
    // `checkEachValue`: the bytes are not known to be valid UTF-8 as a whole, so each value is
    // decoded on its own (UTF-8 when valid, else Windows-1252). When the whole book is valid
    // UTF-8 this gives the same texts as taking every value as it is. `commit` must outlive
    // the reader.
    BookLineReader(bool checkEachValue, const ContactRecord& initial,
                   const std::function<void(ContactRecord&)>& commit);

    // Reads the lines of `lines`, in the rules of book_text.h. The last line is taken as ending
    // where `lines` ends: give a line in two runs only at the end of the book.
    void read(std::string_view lines);

    // The end of the book: commits the pending record, or the initial one when no line of the
    // 34 fields was read. The encoding is Utf8 or Windows1252, as the values gave it.
    BookReading finish();

    // Makes the reader learn only what finish() tells, keeping no record: nothing is committed,
    // not even by finish(), and a value is looked at only when it must be decoded alone, which
    // tells the encoding.
    void keepNoRecords() { m_keepNone = true; }
    // Whether a line of the 34 fields has been read into the pending record.
    bool pending() const { return m_pending; }
    // Drops the record being read and starts an empty one, as after a commit: for reading
    // records one at a time, each from its SURNAME line to the next record's.
    void restart()
    {
        m_record.clear();
        m_pending = false;
    }
    // The record being read.
    ContactRecord& record() { return m_record; }

private:
    const std::function<void(ContactRecord&)>& m_commit;
    ContactRecord m_record;
    bool m_checkEach;
    bool m_pending = false; // a line of the 34 fields has been read into m_record
    std::size_t m_committed = 0;
    bool m_sawText = false;
    bool m_sawCreator = false;
    std::size_t m_unreadLines = 0;
    bool m_sawUtf8 = false;
    bool m_keepNone = false;
};

} // namespace qor
