#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The lexical layer of CSV (RFC 4180) shared by its reader and writer.

// Appends `text` as one field: quoted, with its quotes doubled, when it holds a separator, a
// quote, a line break or a space at either end; as it is otherwise.
void appendCsvField(std::string& out, std::string_view text);

// Reads a CSV file record by record. Fields are separated by `separator`, records by CR LF or
// LF; a quoted field may hold separators, doubled quotes and line breaks. Bytes are taken as
// they are: the caller refuses binary files first.
class CsvRecords {
public:
    CsvRecords(std::string_view bytes, char separator) : m_bytes(bytes), m_separator(separator) {}

    // The next record's fields, or false at the end of the file or at a fault (see error()).
    bool next(std::vector<std::string>& fields);
    // The line the last record began on (1-based).
    std::size_t line() const { return m_recordLine; }
    // Why reading stopped early; empty at the end of the file.
    const std::string& error() const { return m_error; }
    std::size_t errorLine() const { return m_errorLine; }

private:
    std::string_view m_bytes;
    char m_separator;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    std::size_t m_recordLine = 0;
    std::string m_error;
    std::size_t m_errorLine = 0;
};

} // namespace qor
