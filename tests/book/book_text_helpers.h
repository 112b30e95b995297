// Makers of book texts and records shared by the tests of the book's reader, writer and
// encodings, so that each test says what it checks rather than how a book is spelled.
#pragma once

#include "book_text.h"
#include "field_table.h"

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

} // namespace qor::testing
