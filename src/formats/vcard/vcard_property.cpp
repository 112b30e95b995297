#include "vcard_property.h"

#include "charset_decoder.h"
#include "exchange_text.h"
#include "text_encoding.h"
#include "vcard_text.h"

#include <algorithm>

namespace qor {

namespace {

// A parameter value without the double quotes around it (RFC 6350 quotes lists and values
// that hold ':', ';' or ','): TYPE="work,voice" is TYPE=work,voice.
std::string_view unquoted(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

// TYPE's values, one or a comma-separated list, and 2.1's bare parameters, in any case.
void addTypes(VCardProperty& p, std::string_view list)
{
    list = unquoted(list);
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view t = unquoted(list.substr(0, comma));
        if (equalsIgnoringCase(t, "cell") || equalsIgnoringCase(t, "mobile") || equalsIgnoringCase(t, "iphone"))
            p.types |= kCell;
        else if (equalsIgnoringCase(t, "home"))
            p.types |= kHome;
        else if (equalsIgnoringCase(t, "work"))
            p.types |= kWork;
        else if (equalsIgnoringCase(t, "fax"))
            p.types |= kFax;
        else if (equalsIgnoringCase(t, "pager"))
            p.types |= kPager;
        else if (equalsIgnoringCase(t, "pref"))
            p.pref = 1;
        else if (equalsIgnoringCase(t, "quoted-printable"))
            p.quotedPrintable = true;
        else if (equalsIgnoringCase(t, "base64"))
            p.base64 = true;
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
}

// PREF=1 to PREF=100, the lower the more preferred; anything else is read as most preferred.
int preferenceOf(std::string_view value)
{
    int n = 0;
    for (char c : value) {
        if (c < '0' || c > '9' || n > 100)
            return 1;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= 100 ? n : 1;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = asciiUpper(c);
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

std::string decodeQuotedPrintable(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '=' && i + 2 < s.size()) {
            const int hi = hexDigit(s[i + 1]);
            const int lo = hexDigit(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                // "=0D", "=0A" and "=0D=0A" stay as they are: the contact builder turns every
                // line end into a space, the lone CR of old Macintosh writers included.
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

} // namespace

std::size_t VCardLines::nextAfterLoneCrs()
{
    const std::size_t size = m_bytes.size();
    std::size_t length = findControlByte<0x0E>(m_bytes.substr(m_pos), [](char c) { return c == '\r' || c == '\n'; });
    if (length == std::string_view::npos)
        length = size - m_pos;
    std::size_t end = m_pos + length;
    while (end < size && m_bytes[end] == '\r')
        ++end;
    if (end < size && m_bytes[end] == '\n')
        ++end;
    m_pos = end;
    return length;
}

bool parseProperty(std::string_view line, VCardProperty& p)
{
    p = VCardProperty{};
    std::size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':')
        ++i;
    if (i == line.size())
        return false;
    std::string_view name = line.substr(0, i);
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name = name.substr(dot + 1);
    p.name = name;
    while (line[i] == ';') {
        const std::size_t start = ++i;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ';' && line[i] != ':'))) {
            if (line[i] == '"')
                quoted = !quoted;
            ++i;
        }
        if (i == line.size())
            return false;
        const std::string_view param = line.substr(start, i - start);
        const std::size_t eq = param.find('=');
        if (eq == std::string_view::npos) {
            addTypes(p, param);
            continue;
        }
        const std::string_view key = param.substr(0, eq);
        const std::string_view value = param.substr(eq + 1);
        if (equalsIgnoringCase(key, "TYPE"))
            addTypes(p, value);
        else if (equalsIgnoringCase(key, "PREF"))
            p.pref = std::min(p.pref == 0 ? 100 : p.pref, preferenceOf(unquoted(value)));
        else if (equalsIgnoringCase(key, "ENCODING"))
            addTypes(p, equalsIgnoringCase(unquoted(value), "b") ? std::string_view("base64") : value);
        else if (equalsIgnoringCase(key, "CHARSET"))
            p.charset = unquoted(value);
        else if (equalsIgnoringCase(key, "VALUE"))
            p.uri = equalsIgnoringCase(unquoted(value), "uri");
        else if (equalsIgnoringCase(key, "X-APPLE-OMIT-YEAR"))
            p.omitYear = unquoted(value);
    }
    p.value = line.substr(i + 1);
    return true;
}

std::string_view decodeValue(const VCardProperty& p, bool fileIsUtf8, CharsetDecoder& charsets, std::string& scratch,
                             bool& decoded)
{
    decoded = true;
    // Nearly every value of a file in UTF-8 declares no charset, or UTF-8: it is taken as it is.
    const bool utf8 = p.charset.empty() || equalsIgnoringCase(p.charset, "UTF-8") || CharsetDecoder::namesUtf8(p.charset);
    if (!p.quotedPrintable && utf8 && fileIsUtf8)
        return p.value;
    const std::string bytes = p.quotedPrintable ? decodeQuotedPrintable(p.value) : std::string(p.value);
    if (utf8)
        scratch = isValidUtf8(bytes) ? bytes : windows1252ToUtf8(bytes);
    else
        decoded = charsets.decode(p.charset, bytes, scratch);
    return scratch;
}

template <std::size_t N>
std::array<std::string, N> components(std::string_view value, std::size_t& extra)
{
    std::array<std::string, N> parts;
    std::size_t index = 0;
    std::size_t start = 0;
    extra = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size() && value[i] == '\\') {
            ++i;
            continue;
        }
        if (i < value.size() && value[i] != ';')
            continue;
        const std::string_view part = value.substr(start, i - start);
        if (index < N)
            parts[index] = unescapeVCardText(part);
        else if (!part.empty())
            ++extra;
        ++index;
        start = i + 1;
    }
    return parts;
}

std::string_view textOf(std::string_view decoded, std::string& scratch)
{
    if (std::memchr(decoded.data(), '\\', decoded.size()) == nullptr)
        return decoded;
    scratch = unescapeVCardText(decoded);
    return scratch;
}

template std::array<std::string, 2> components<2>(std::string_view, std::size_t&);
template std::array<std::string, 5> components<5>(std::string_view, std::size_t&);
template std::array<std::string, 7> components<7>(std::string_view, std::size_t&);

} // namespace qor
