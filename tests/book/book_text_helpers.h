// Makers of book texts and records shared by the tests of the book's reader, writer and
// encodings, so that each test says what it checks rather than how a book is spelled.
#pragma once

#include "book_text.h"
#include "field_table.h"
#include "text_encoding.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qor::testing {

inline std::string joinLines(std::initializer_list<std::string_view> lines, std::string_view end = "\r\n")
{
    std::string s;
    for (std::string_view line : lines)
        s.append(line).append(end);
    return s;
}

inline ContactRecord recordWith(std::initializer_list<std::pair<ContactField, std::string>> texts)
{
    ContactRecord r;
    for (const auto& [f, text] : texts)
        r[f] = text;
    return r;
}

// A record's 34 lines, as a hand-made book file would hold them, values given as raw bytes.
inline std::string recordLines(std::initializer_list<std::pair<ContactField, std::string_view>> values)
{
    std::string s;
    for (const FieldInfo& info : fieldTable()) {
        std::string_view value;
        for (const auto& [f, v] : values)
            if (f == info.field)
                value = v;
        s.append(info.key).append("=").append(value).append("\r\n");
    }
    return s;
}

inline FormattedBook format(const std::vector<ContactRecord>& rows, TextEncoding preferred = TextEncoding::Utf8)
{
    return formatBook(rows.size(), [&](std::size_t i) -> const ContactRecord& { return rows[i]; },
                      preferred);
}

inline std::size_t countLines(const std::string& bytes)
{
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

inline const ContactRecord kEmpty{};

inline std::vector<ContactRecord> parse(std::string_view bytes, const ContactRecord& initial = kEmpty)
{
    return parseBook(bytes, initial).records;
}

// The records' texts alone, without the marks of fields read from Windows-1252 bytes.
inline std::vector<ContactRecord> textsOf(std::vector<ContactRecord> records)
{
    for (ContactRecord& r : records)
        r.windows1252Fields.reset();
    return records;
}

// What the reader of a whole book gives: every record it commits, in order, and what it tells
// besides; what every other way of reading a book is held to.
struct WholeReading {
    std::vector<ContactRecord> records;
    BookReading reading;
};

inline WholeReading readWhole(std::string_view bytes, const ContactRecord& initial)
{
    WholeReading r;
    r.reading = readBookRecords(bytes, initial, [&r](ContactRecord& record) { r.records.push_back(record); });
    return r;
}

// "" when `got` holds the records of `expected`, texts and Windows-1252 marks alike; else which
// record differs first, or that the counts differ.
inline std::string firstDifference(const std::vector<ContactRecord>& got, const std::vector<ContactRecord>& expected)
{
    if (got.size() != expected.size())
        return std::to_string(got.size()) + " records, not " + std::to_string(expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i].texts != expected[i].texts || got[i].windows1252Fields != expected[i].windows1252Fields)
            return "record " + std::to_string(i) + " differs";
    return {};
}

inline std::string utf16(std::string_view utf8, bool bigEndian)
{
    return std::string(bigEndian ? "\xFE\xFF" : "\xFF\xFE") + utf8ToUtf16(utf8, bigEndian);
}

// Books whose reading depends on what lies beyond a cut (of a piece, or between threads): line ends of every kind (and CR LF
// cut in two), the marks, UTF-8 and Windows-1252 side by side, UTF-16 pairs and odd bytes.
inline std::vector<std::pair<const char*, std::string>> oddBooks()
{
    using F = ContactField;
    const std::string two = "CREATOR=QOR 1.0\r\n" + recordLines({{F::SURNAME, "Lee"}, {F::DOBDAY, "5"}})
        + "\r\n" + recordLines({{F::SURNAME, "M\xC3\xBCller"}, {F::COMMENTS, std::string(3000, 'x')}});
    const std::string emoji = recordLines({{F::SURNAME, "\xF0\x9F\x98\x80 Smile"}, {F::FIRSTNAME, "\xE2\x82\xAC"}});
    return {
        {"empty", ""},
        {"white space only", " \r\n\t\r\n"},
        {"CR LF", two},
        {"LF only", joinLines({"SURNAME=A", "TEL=1", "SURNAME=B", "TEL=2"}, "\n")},
        {"CR only, no last line end", "SURNAME=A\rTEL=1\rSURNAME=B\rTEL=2"},
        {"blank and trailing space", "SURNAME=A  \r\n\r\n\r\nSURNAME\t\r\nFIRSTNAME=B \t\r\n"},
        {"UTF-8 mark", "\xEF\xBB\xBF" + two},
        {"Windows-1252 beside UTF-8", "SURNAME=Jos\xE9\r\nLIKES=caf\xC3\xA9\r\nSURNAME=\x93q\x94\r\n"},
        {"Windows-1252 only", "SURNAME=Jos\xE9\r\nXKEY=\xC3\xA9\r\n"},
        {"invalid outside values", "CREATOR=QOR \xFF\r\nSURNAME=A\r\n"},
        {"not a book", "just some words\r\nand more\r\n"},
        {"NUL bytes", std::string(40, '\0')},
        {"UTF-16 LE", utf16(two + emoji, false)},
        {"UTF-16 BE", utf16(emoji + two, true)},
        {"UTF-16 odd last byte", utf16(emoji, false) + "A"},
        {"UTF-16 lone halves", std::string("\xFF\xFE", 2) + std::string("S\0=\0\x3D\xD8\n\0\x00\xDC", 10)},
        {"a mark alone", "\xFF\xFE"},
        {"half a mark", "\xEF\xBB"},
    };
}

} // namespace qor::testing
