#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The lexical layer of CSV (RFC 4180) shared by its reader and writer.

// Appends `text` as one field: quoted, with its quotes doubled, when it holds a separator, a
// quote, a line break or a space at either end; as it is otherwise.
void appendCsvField(std::string& out, std::string_view text);

// Formulas. A spreadsheet that opens a CSV file runs a cell that begins with '=', '+', '-',
// '@', a tab or a CR as a formula, which can fetch web pages or start programs ("CSV
// injection"). Every value QOR writes to a CSV file is therefore defused: when the value,
// after any apostrophes it begins with, would start a formula, one apostrophe is written
// before it, which spreadsheets take as "this cell is text". So "=1+1" is written "'=1+1", and
// "'=1+1" (a value that really begins with an apostrophe) "''=1+1"; "'s-Hertogenbosch" and
// "Ann" are written as they are. A telephone number in the international form (a '+', then
// only digits, spaces and "()-./", with at least one digit: "+44 20 7946 0958") is left alone:
// it names no function and no cell, and the address books these files are made for would keep
// an apostrophe in the number. So is a date without a year as Google writes it ("--05-17").
//
// Reading undoes exactly this, so export and import give back every value: a cell that begins
// with an apostrophe loses that one apostrophe when what follows its apostrophes would start a
// formula; every other cell is kept as it is (a formula another program wrote is text to QOR).

// Whether `value` would start a formula, its leading apostrophes aside.
bool startsAFormula(std::string_view value);
// Appends `value` as one field (see appendCsvField), with an apostrophe before it when
// startsAFormula(value).
void appendDefusedCsvField(std::string& out, std::string_view value);
// Removes the apostrophe appendDefusedCsvField put before a value, if `cell` has one.
void restoreDefusedCsvValue(std::string& cell);

// Reads a CSV file record by record. Fields are separated by `separator`, records by any line
// end: LF, CR LF, CR CR LF or a CR alone, in any mix (see endsALine in exchange_text.h); a
// quoted field may hold separators, doubled quotes and line breaks, kept as they are. Bytes are taken as
// they are: the caller refuses binary files first.
class CsvRecords {
public:
    CsvRecords(std::string_view bytes, char separator) : m_bytes(bytes), m_separator(separator)
    {
        m_stops[static_cast<unsigned char>(separator)] = m_stops['\n'] = m_stops['\r'] = true;
    }

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
    std::array<bool, 256> m_stops{}; // the bytes that end an unquoted field: one look-up a byte
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    std::size_t m_recordLine = 0;
    std::string m_error;
    std::size_t m_errorLine = 0;
};

} // namespace qor
