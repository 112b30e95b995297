#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace qor {

// The content lines of a vCard file: what its reader takes apart before it looks at a
// property's meaning.

// The file's physical lines, without their line ends, numbered from 1.
class VCardLines {
public:
    explicit VCardLines(std::string_view bytes) : m_bytes(bytes) {}

    bool next(std::string_view& line, std::size_t& number)
    {
        if (m_pos >= m_bytes.size())
            return false;
        const char* start = m_bytes.data() + m_pos;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', m_bytes.size() - m_pos));
        std::size_t size = lf ? static_cast<std::size_t>(lf - start) : m_bytes.size() - m_pos;
        m_pos += size + (lf ? 1 : 0);
        if (size > 0 && start[size - 1] == '\r')
            --size;
        line = std::string_view(start, size);
        number = ++m_number;
        return true;
    }
    // Whether the next line continues this one (begins with a space or a tab).
    bool continues() const
    {
        return m_pos < m_bytes.size() && (m_bytes[m_pos] == ' ' || m_bytes[m_pos] == '\t');
    }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
    std::size_t m_number = 0;
};

// Type bits from TYPE= values and 2.1's bare parameters.
enum VCardType : unsigned {
    kCell = 1, kHome = 2, kWork = 4, kFax = 8, kPager = 16,
};

struct VCardProperty {
    std::string_view name; // without its group
    unsigned types = 0;
    bool quotedPrintable = false;
    bool base64 = false;
    std::string_view charset;
    std::string_view omitYear; // Apple's X-APPLE-OMIT-YEAR
    bool uri = false;          // VALUE=uri: a TEL is "tel:..."
    std::string_view value;
};

// Splits "group.NAME;PARAM=V;BARE:value" (the group is dropped; parameter values may be quoted).
// False when the line has no ':' after its name and parameters.
bool parseProperty(std::string_view line, VCardProperty& p);

// A property's raw value as UTF-8 text, before its escapes are removed: the value itself, or
// its decoded form (quoted-printable, CHARSET=, Windows-1252 where not UTF-8) in `scratch`.
std::string_view decodeValue(const VCardProperty& p, bool fileIsUtf8, std::string& scratch);

// A text value without its escapes: the value itself when it has none, else its unescaped
// form in `scratch`.
std::string_view textOf(std::string_view decoded, std::string& scratch);

// Splits a structured value at its unescaped ';' into N unescaped parts; `extra` counts the
// non-empty parts after the Nth.
template <std::size_t N>
std::array<std::string, N> components(std::string_view value, std::size_t& extra);

} // namespace qor
