#pragma once

#include "book_lines.h"
#include "book_text.h"
#include "contact_record.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Where each record of a book begins, found without keeping any record: the records can then be
// read one at a time, in any order and on several threads, and each reads exactly as
// readBookRecords gives it. A command that writes the book's contacts elsewhere (an export) reads
// each record once, straight into what it writes, instead of building a list of them first.
//
// Finding the records reads no line but the SURNAME lines, which a search for "SURNAME" finds
// far faster than the reader reads lines: every SURNAME line commits the record before it but
// one with no line of the fields before it. A big book is searched, and checked for UTF-8, in
// two halves on two threads.
class RecordIndex {
public:
    // Indexes `bytes` (a whole book file, as readBookRecords takes it). A UTF-16 book is decoded
    // first and the index holds its text; other books are looked at where they are, and must
    // outlive the index. May throw std::bad_alloc.
    explicit RecordIndex(std::string_view bytes);
    // The same, cut in two when the text is at least `twoThreadsFrom` bytes long (tests cut
    // small books).
    RecordIndex(std::string_view bytes, std::size_t twoThreadsFrom);
    RecordIndex(const RecordIndex&) = delete;
    RecordIndex& operator=(const RecordIndex&) = delete;

    // How many records readBookRecords commits: at least one.
    std::size_t count() const { return m_starts.size(); }
    // What readBookRecords tells besides the records. Reads every line: a pass over the book.
    BookReading reading() const;
    // reading().isBook, without that pass when the book has two records or more.
    bool isBook() const;
    // The bytes of record `k` (0 .. count()-1): the first runs from the head of the text.
    std::string_view bytesOf(std::size_t k) const;
    // Whether each value must be decoded alone (the text is not valid UTF-8 as a whole).
    bool checkEachValue() const { return m_checkEach; }

private:
    std::string m_decoded; // the text of a UTF-16 book
    std::string_view m_text;
    std::vector<std::size_t> m_starts; // m_starts[0] is 0
    bool m_checkEach = false;
    bool m_utf16 = false;
    bool m_utf8Marked = false;
    TextEncoding m_markedEncoding = TextEncoding::Utf8; // of a UTF-16 book
};

// Reads the records of a RecordIndex one at a time, each as readBookRecords gives it; record 0
// begins as `initial`, as the reader's first record does. One reader serves one thread.
class IndexedRecordReader {
public:
    IndexedRecordReader(const RecordIndex& index, const ContactRecord& initial);
    // Record `k`, valid until the next call.
    ContactRecord& read(std::size_t k);

private:
    const RecordIndex& m_index;
    const ContactRecord& m_initial;
    ContactRecord m_first;
    std::function<void(ContactRecord&)> m_takeFirst;
    std::function<void(ContactRecord&)> m_noCommit = [](ContactRecord&) {};
    BookLineReader m_lines; // reads every record but the first
};

} // namespace qor
