#include "csv_text.h"

#include "exchange_text.h"

#include <cstring>

namespace qor {

namespace {

bool beginsAFormula(char c) { return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r'; }

// "+44 (0)20 7946-0958": a number a spreadsheet may at worst add up, never a call or a reference.
bool isInternationalPhoneNumber(std::string_view value)
{
    if (!value.starts_with('+'))
        return false;
    bool digit = false;
    for (const char c : value.substr(1)) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != ' ' && c != '(' && c != ')' && c != '-' && c != '.' && c != '/')
            return false;
    }
    return digit;
}

// "--05-17": a date without a year as vCard 3.0 and Google write it, which a spreadsheet may at
// worst subtract, never call or refer to anything with.
bool isYearlessDate(std::string_view value)
{
    const auto digit = [&value](std::size_t i) { return value[i] >= '0' && value[i] <= '9'; };
    return value.size() == 7 && value.starts_with("--") && digit(2) && digit(3) && value[4] == '-' && digit(5)
        && digit(6);
}

// `text` as one field, after the apostrophe that defuses a formula when `defused`. One function
// for both, so that defusing costs an export no second pass or copy.
void appendField(std::string& out, bool defused, std::string_view text)
{
    bool quote = !text.empty() && (text.front() == ' ' || text.back() == ' ');
    for (std::size_t i = 0; i < text.size() && !quote; ++i) {
        const char c = text[i];
        quote = c == ',' || c == ';' || c == '"' || c == '\r' || c == '\n';
    }
    if (!quote) {
        if (defused)
            out += '\'';
        out += text;
        return;
    }
    out += '"';
    if (defused)
        out += '\'';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

void appendCsvField(std::string& out, std::string_view text)
{
    appendField(out, false, text);
}

bool startsAFormula(std::string_view value)
{
    const std::size_t start = value.find_first_not_of('\'');
    if (start == std::string_view::npos || !beginsAFormula(value[start]))
        return false;
    return !isInternationalPhoneNumber(value.substr(start)) && !isYearlessDate(value.substr(start));
}

void appendDefusedCsvField(std::string& out, std::string_view value)
{
    // Nearly every value begins with a letter, a digit or a space: its first byte settles it.
    const bool mayStartAFormula = !value.empty() && (value[0] == '\'' || beginsAFormula(value[0]));
    appendField(out, mayStartAFormula && startsAFormula(value), value);
}

void restoreDefusedCsvValue(std::string& cell)
{
    if (cell.starts_with('\'') && startsAFormula(cell))
        cell.erase(0, 1);
}

bool CsvRecords::next(std::vector<std::string>& fields)
{
    // The strings of `fields` are reused from record to record: a fresh string per cell costs
    // more than reading the cell.
    std::size_t count = 0;
    if (m_pos >= m_bytes.size() || !m_error.empty()) {
        fields.clear();
        return false;
    }
    m_recordLine = m_line;
    const std::size_t size = m_bytes.size();
    for (;;) {
        if (count == fields.size())
            fields.emplace_back();
        std::string& field = fields[count++];
        field.clear();
        if (m_pos < size && m_bytes[m_pos] == '"') {
            const std::size_t openLine = m_line;
            ++m_pos;
            for (;;) {
                const auto* quote = static_cast<const char*>(std::memchr(m_bytes.data() + m_pos, '"', size - m_pos));
                if (quote == nullptr) {
                    m_error = "a quoted field that begins here has no closing quote";
                    m_errorLine = openLine;
                    fields.clear();
                    return false;
                }
                const std::string_view part(m_bytes.data() + m_pos, static_cast<std::size_t>(quote - (m_bytes.data() + m_pos)));
                m_line += lineEndsIn(part);
                field.append(part);
                m_pos += part.size() + 1;
                if (m_pos < size && m_bytes[m_pos] == '"') {
                    field += '"';
                    ++m_pos;
                    continue;
                }
                break;
            }
        }
        // Unquoted text, or what follows a closing quote, up to the separator or line end.
        const std::size_t start = m_pos;
        while (m_pos < size && !m_stops[static_cast<unsigned char>(m_bytes[m_pos])])
            ++m_pos;
        field.append(m_bytes.data() + start, m_pos - start);
        if (m_pos < size && m_bytes[m_pos] == m_separator) {
            ++m_pos;
            continue;
        }
        // The end of the file, or a line end: LF, CR LF, CR CR LF or a CR alone.
        while (m_pos < size && m_bytes[m_pos] == '\r')
            ++m_pos;
        if (m_pos < size && m_bytes[m_pos] == '\n')
            ++m_pos;
        ++m_line;
        fields.resize(count);
        return true;
    }
}

} // namespace qor
