#include "csv_text.h"

#include "exchange_text.h"

namespace qor {

void appendCsvField(std::string& out, std::string_view text)
{
    bool quote = !text.empty() && (text.front() == ' ' || text.back() == ' ');
    for (std::size_t i = 0; i < text.size() && !quote; ++i) {
        const char c = text[i];
        quote = c == ',' || c == ';' || c == '"' || c == '\r' || c == '\n';
    }
    if (!quote) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

bool CsvRecords::next(std::vector<std::string>& fields)
{
    fields.clear();
    if (m_pos >= m_bytes.size() || !m_error.empty())
        return false;
    m_recordLine = m_line;
    const std::size_t size = m_bytes.size();
    std::string field;
    for (;;) {
        // One field.
        field.clear();
        if (m_pos < size && m_bytes[m_pos] == '"') {
            const std::size_t openLine = m_line;
            ++m_pos;
            for (;;) {
                if (m_pos >= size) {
                    m_error = "a quoted field that begins here has no closing quote";
                    m_errorLine = openLine;
                    return false;
                }
                const char c = m_bytes[m_pos++];
                if (c == '"') {
                    if (m_pos < size && m_bytes[m_pos] == '"') {
                        field += '"';
                        ++m_pos;
                        continue;
                    }
                    break;
                }
                if (c == '\n')
                    ++m_line;
                field += c;
            }
        }
        // Unquoted text, or what follows a closing quote, up to the separator or line end.
        const std::size_t start = m_pos;
        while (m_pos < size && m_bytes[m_pos] != m_separator && m_bytes[m_pos] != '\n')
            ++m_pos;
        std::size_t end = m_pos;
        if (m_pos < size && m_bytes[m_pos] == '\n' && end > start && m_bytes[end - 1] == '\r')
            --end;
        else if (m_pos == size && end > start && m_bytes[end - 1] == '\r')
            --end;
        field.append(m_bytes.data() + start, end - start);
        if (hasBinaryByte(field)) {
            m_error = "binary data, not a CSV file";
            m_errorLine = m_line;
            return false;
        }
        fields.push_back(std::move(field));
        if (m_pos >= size)
            return true;
        if (m_bytes[m_pos++] == '\n') {
            ++m_line;
            return true;
        }
    }
}

} // namespace qor
