#pragma once

#include "control_bytes.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace qor {

class CharsetDecoder;

// The content lines of a vCard file: what its reader takes apart before it looks at a
// property's meaning.

// The file's physical lines, without their line ends, numbered from 1. A line ends at LF, CR LF,
// CR CR LF (some phones write it) or a CR that no LF follows (old Macintosh files), in any mix:
// a run of CRs, with the LF after it if there is one, is one line end. So no line this gives
// holds a CR or an LF, whatever the file's line ends.
class VCardLines {
public:
    // `loneCrs`: whether a CR may end a line alone. Without them a line is found with memchr
    // for its LF, which costs less than a search for either; a reader that assumed none checks
    // afterwards that crsInLineEnds() is every CR of the file.
    VCardLines(std::string_view bytes, bool loneCrs) : m_bytes(bytes), m_loneCrs(loneCrs) {}

    bool next(std::string_view& line, std::size_t& number)
    {
        const std::size_t size = m_bytes.size();
        if (m_pos >= size)
            return false;
        const char* start = m_bytes.data() + m_pos;
        std::size_t length = size - m_pos;
        if (!m_loneCrs) {
            // Every CR stands before an LF: the line runs to the LF, less the CRs before it.
            const auto* lf = static_cast<const char*>(std::memchr(start, '\n', length));
            if (lf != nullptr)
                length = static_cast<std::size_t>(lf - start);
            m_pos += length + (lf != nullptr ? 1 : 0);
            while (length > 0 && start[length - 1] == '\r') {
                --length; // CR LF, CR CR LF, or a CR at the end of the file
                ++m_crsInLineEnds;
            }
        } else {
            length = nextAfterLoneCrs();
        }
        line = std::string_view(start, length);
        number = ++m_number;
        return true;
    }
    // The CRs the lines given so far ended with (counted when no CR was to end a line alone).
    std::size_t crsInLineEnds() const { return m_crsInLineEnds; }
    // Whether the next line continues this one (begins with a space or a tab).
    bool continues() const
    {
        return m_pos < m_bytes.size() && (m_bytes[m_pos] == ' ' || m_bytes[m_pos] == '\t');
    }

private:
    // The length of the line at m_pos in a file whose CRs may end lines alone; moves m_pos past
    // the line's end. Out of line: the common case above stays small.
    std::size_t nextAfterLoneCrs();

    std::string_view m_bytes;
    bool m_loneCrs;
    std::size_t m_pos = 0;
    std::size_t m_number = 0;
    std::size_t m_crsInLineEnds = 0;
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
    int pref = 0;              // 1 (most preferred) to 100: PREF=n, TYPE=pref, bare PREF; 0 for none
    std::string_view value;
};

// Splits "group.NAME;PARAM=V;BARE:value" (the group is dropped). Parameters as every version
// writes them, in any case, mean the same: TYPE="work,voice" (4.0), TYPE=work,voice and
// TYPE=WORK;TYPE=VOICE (3.0), WORK;VOICE (2.1); PREF=1, TYPE=pref and a bare PREF.
// False when the line has no ':' after its name and parameters.
bool parseProperty(std::string_view line, VCardProperty& p);

// A property's raw value as UTF-8 text, before its escapes are removed: the value itself, or
// its decoded form (quoted-printable, then CHARSET= through `charsets`, Windows-1252 where a
// value with no charset is not UTF-8) in `scratch`. `decoded` is false when the charset could
// not be decoded: the value then keeps its bytes (see CharsetDecoder::decode).
std::string_view decodeValue(const VCardProperty& p, bool fileIsUtf8, CharsetDecoder& charsets, std::string& scratch,
                             bool& decoded);

// A text value without its escapes: the value itself when it has none, else its unescaped
// form in `scratch`.
std::string_view textOf(std::string_view decoded, std::string& scratch);

// Splits a structured value at its unescaped ';' into N unescaped parts; `extra` counts the
// non-empty parts after the Nth.
template <std::size_t N>
std::array<std::string, N> components(std::string_view value, std::size_t& extra);

} // namespace qor
