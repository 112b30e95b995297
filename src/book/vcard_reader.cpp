#include "vcard_reader.h"

#include "contact_builder.h"
#include "exchange_text.h"
#include "field_table.h"
#include "huge_pages.h"
#include "text_encoding.h"
#include "vcard_text.h"

#include <array>
#include <cstring>
#include <optional>

namespace qor {

namespace {

using F = ContactField;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i]))
            return false;
    return true;
}

bool startsIgnoringCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

// The file's physical lines, without their line ends, numbered from 1.
class Lines {
public:
    explicit Lines(std::string_view bytes) : m_bytes(bytes) {}

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
enum TypeBit : unsigned {
    kCell = 1, kHome = 2, kWork = 4, kFax = 8, kPager = 16,
};

struct Property {
    std::string_view name; // without its group
    unsigned types = 0;
    bool quotedPrintable = false;
    bool base64 = false;
    std::string_view charset;
    std::string_view omitYear; // Apple's X-APPLE-OMIT-YEAR
    bool uri = false;          // VALUE=uri: a TEL is "tel:..."
    std::string_view value;
};

void addTypes(Property& p, std::string_view list)
{
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view t = list.substr(0, comma);
        if (t.size() >= 2 && t.front() == '"' && t.back() == '"')
            t = t.substr(1, t.size() - 2);
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
        else if (equalsIgnoringCase(t, "quoted-printable"))
            p.quotedPrintable = true;
        else if (equalsIgnoringCase(t, "base64"))
            p.base64 = true;
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
}

// Splits "group.NAME;PARAM=V;BARE:value". False when the line has no ':' before its value.
bool parseProperty(std::string_view line, Property& p)
{
    p = Property{};
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
        else if (equalsIgnoringCase(key, "ENCODING"))
            addTypes(p, equalsIgnoringCase(value, "b") ? std::string_view("base64") : value);
        else if (equalsIgnoringCase(key, "CHARSET"))
            p.charset = value;
        else if (equalsIgnoringCase(key, "VALUE"))
            p.uri = equalsIgnoringCase(value, "uri");
        else if (equalsIgnoringCase(key, "X-APPLE-OMIT-YEAR"))
            p.omitYear = value;
    }
    p.value = line.substr(i + 1);
    return true;
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
                // A lone "=0D" is the line break of old Macintosh writers.
                const char c = static_cast<char>(hi * 16 + lo);
                out += c == '\r' && !s.substr(i + 3).starts_with("=0A") && !s.substr(i + 3).starts_with("=0a") ? '\n' : c;
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// A property's raw value as UTF-8 text, before its escapes are removed: the value itself, or
// its decoded form in `scratch`.
std::string_view decodeValue(const Property& p, bool fileIsUtf8, std::string& scratch)
{
    if (!p.quotedPrintable && p.charset.empty() && fileIsUtf8)
        return p.value;
    const std::string bytes = p.quotedPrintable ? decodeQuotedPrintable(p.value) : std::string(p.value);
    const bool latin = equalsIgnoringCase(p.charset, "ISO-8859-1") || equalsIgnoringCase(p.charset, "windows-1252")
        || equalsIgnoringCase(p.charset, "cp1252") || equalsIgnoringCase(p.charset, "latin1");
    scratch = !latin && isValidUtf8(bytes) ? bytes : windows1252ToUtf8(bytes);
    return scratch;
}

// Splits a structured value at its unescaped ';' and unescapes each part.
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

// A text value without its escapes: the value itself when it has none, else its unescaped
// form in `scratch`.
std::string_view textOf(std::string_view decoded, bool mayHoldLineBreaks, std::string& scratch)
{
    // A line feed can only come from a decoded value: the file's own lines end at one.
    if (std::memchr(decoded.data(), '\\', decoded.size()) == nullptr
        && (!mayHoldLineBreaks || std::memchr(decoded.data(), '\n', decoded.size()) == nullptr))
        return decoded;
    scratch = unescapeVCardText(decoded);
    return scratch;
}

PlaceKind phoneKind(unsigned types)
{
    if (types & (kFax | kPager))
        return PlaceKind::Other;
    if (types & kCell)
        return PlaceKind::Mobile;
    if (types & kWork)
        return PlaceKind::Work;
    if (types & kHome)
        return PlaceKind::Home;
    return PlaceKind::Unknown;
}

PlaceKind addressKind(unsigned types)
{
    if (types & kWork)
        return PlaceKind::Work;
    if (types & kHome)
        return PlaceKind::Home;
    return PlaceKind::Unknown;
}

// Properties with no field, named for the account.
struct Noun {
    std::string_view property, singular, plural;
};
constexpr std::array kNouns{
    Noun{"URL", "URL", "URLs"},
    Noun{"ORG", "organisation", "organisations"},
    Noun{"TITLE", "job title", "job titles"},
    Noun{"ROLE", "role", "roles"},
    Noun{"PHOTO", "photo", "photos"},
    Noun{"LOGO", "logo", "logos"},
    Noun{"IMPP", "instant messaging address", "instant messaging addresses"},
    Noun{"GEO", "geographic position", "geographic positions"},
    Noun{"CATEGORIES", "category list", "category lists"},
    Noun{"RELATED", "related person", "related people"},
    Noun{"TZ", "time zone", "time zones"},
    Noun{"LANG", "language", "languages"},
    Noun{"GENDER", "gender", "genders"},
    Noun{"SOUND", "sound", "sounds"},
    Noun{"KEY", "key", "keys"},
};

// Properties that say something about the card, not the contact.
constexpr std::array<std::string_view, 15> kIgnored{
    "VERSION", "PRODID", "UID", "REV", "KIND", "LABEL", "SORT-STRING", "CLIENTPIDMAP", "SOURCE", "NAME",
    "MAILER", "X-ABLABEL", "X-ABUID", "PROFILE", "X-ABADR"};

class CardReader {
public:
    explicit CardReader(std::string_view bytes) : m_bytes(bytes), m_lines(bytes), m_fileIsUtf8(isValidUtf8(bytes))
    {
        // Room for every card up front: growing a vector of a hundred thousand records moves
        // them again and again through fresh memory, which costs more than reading the cards.
        std::vector<ContactRecord>& contacts = m_result.contacts;
        contacts.reserve(cardsAtMost(bytes));
        adviseHugePages(contacts.data(), contacts.capacity() * sizeof(ContactRecord));
    }

    ImportResult read()
    {
        if (const std::size_t at = firstBinaryByte(m_bytes); at != std::string_view::npos)
            return ImportResult::failure(lineAt(m_bytes, at), "binary data, not a vCard");
        std::string_view line;
        std::size_t number = 0;
        std::size_t cardLine = 0; // where the open card began, 0 outside a card
        bool afterBase64 = false;
        while (logicalLine(line, number)) {
            // Blank lines, and the end-of-file mark of old DOS files.
            if (line.find_first_not_of(" \t\x1A") == std::string_view::npos)
                continue;
            Property p;
            const bool parsed = parseProperty(line, p);
            if (parsed && equalsIgnoringCase(p.name, "BEGIN") && equalsIgnoringCase(trimmed(p.value), "VCARD")) {
                if (cardLine != 0)
                    return ImportResult::failure(number, "a card begins inside the card begun at line "
                                                             + std::to_string(cardLine));
                cardLine = number;
                continue;
            }
            if (parsed && equalsIgnoringCase(p.name, "END") && equalsIgnoringCase(trimmed(p.value), "VCARD")) {
                if (cardLine == 0)
                    return ImportResult::failure(number, "END:VCARD without BEGIN:VCARD");
                m_builder.take(m_result.contacts.emplace_back());
                cardLine = 0;
                continue;
            }
            if (cardLine == 0)
                return ImportResult::failure(number, "not a vCard line (outside BEGIN:VCARD ... END:VCARD)");
            if (!parsed) {
                // Lines of a 2.1 photo that its writer did not indent.
                if (!afterBase64)
                    m_builder.unplaced("line that could not be read", "lines that could not be read");
                continue;
            }
            afterBase64 = p.base64;
            if (p.quotedPrintable && p.value.ends_with('='))
                joinSoftBreaks(p, number);
            take(p);
        }
        if (cardLine != 0)
            return ImportResult::failure(cardLine, "the card that begins here has no END:VCARD");
        if (m_result.contacts.empty())
            return ImportResult::failure(1, "no vCard in the file");
        m_result.ok = true;
        return std::move(m_result);
    }

private:
    // One per "BEGIN:VCARD" as writers spell it; cards in other cases only make the vector grow.
    static std::size_t cardsAtMost(std::string_view bytes)
    {
        constexpr std::string_view kBegin = "BEGIN:VCARD";
        std::size_t count = 0;
        for (std::size_t at = bytes.find(kBegin); at != std::string_view::npos; at = bytes.find(kBegin, at + kBegin.size()))
            ++count;
        return count;
    }

    static std::string_view trimmed(std::string_view s)
    {
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.remove_suffix(1);
        return s;
    }

    // The next line with its continuation lines joined, or false at the end.
    bool logicalLine(std::string_view& line, std::size_t& number)
    {
        if (!m_lines.next(line, number))
            return false;
        if (m_lines.continues()) {
            m_unfolded.assign(line);
            std::string_view more;
            std::size_t ignored = 0;
            while (m_lines.continues() && m_lines.next(more, ignored))
                m_unfolded.append(more.substr(1));
            line = m_unfolded;
        }
        return true;
    }

    // Quoted-printable lines ending in '=' go on in the next line, which is not indented.
    void joinSoftBreaks(Property& p, std::size_t& number)
    {
        m_joined.assign(p.value);
        std::string_view more;
        while (m_joined.ends_with('=')) {
            m_joined.pop_back();
            if (!m_lines.next(more, number))
                break;
            m_joined.append(more);
        }
        p.value = m_joined;
    }

    void take(const Property& p)
    {
        const std::string_view name = p.name;
        const auto isName = [&name](std::string_view n) { return equalsIgnoringCase(name, n); };
        if (isName("N")) {
            std::size_t extra = 0;
            auto parts = components<5>(decodeValue(p, m_fileIsUtf8, m_decoded), extra);
            if (!parts[2].empty() || !parts[3].empty() || !parts[4].empty() || extra > 0)
                m_builder.unplaced("name part", "name parts");
            m_builder.names(parts[0], parts[1]);
        } else if (isName("FN")) {
            m_builder.fullName(text(p));
        } else if (isName("NICKNAME")) {
            m_builder.nickname(text(p));
        } else if (isName("EMAIL")) {
            m_builder.email(text(p));
        } else if (isName("TEL")) {
            std::string_view number = text(p);
            if (p.uri && startsIgnoringCase(number, "tel:"))
                number.remove_prefix(4);
            m_builder.phone(phoneKind(p.types), number);
        } else if (isName("ADR")) {
            std::size_t extra = 0;
            auto parts = components<7>(decodeValue(p, m_fileIsUtf8, m_decoded), extra);
            if (!parts[0].empty() || !parts[1].empty() || extra > 0)
                m_builder.unplaced("address part", "address parts");
            if (!parts[6].empty())
                m_builder.unplaced("country", "countries");
            m_builder.address(addressKind(p.types), parts[2], parts[3], parts[4], parts[5]);
        } else if (isName("NOTE")) {
            m_builder.note(text(p));
        } else if (isName("BDAY")) {
            std::string date(text(p));
            if (!p.omitYear.empty() && date.starts_with(p.omitYear))
                date.replace(0, p.omitYear.size(), "-"); // "1604-05-17" is "--05-17"
            m_builder.birthday(date);
        } else if (isName("ANNIVERSARY") || isName("X-ANNIVERSARY") || isName("X-MS-ANNIVERSARY")
                   || isName("X-EVOLUTION-ANNIVERSARY")) {
            m_builder.anniversary(text(p));
        } else if (startsIgnoringCase(name, "X-QOR-")) {
            std::string key(name.substr(6));
            for (char& c : key)
                c = asciiUpper(c);
            if (const auto field = fieldForKey(key))
                m_builder.own(*field, text(p));
            else
                countUnplaced(name);
        } else {
            countUnplaced(name);
        }
    }

    std::string_view text(const Property& p)
    {
        return textOf(decodeValue(p, m_fileIsUtf8, m_decoded), p.quotedPrintable, m_unescaped);
    }

    void countUnplaced(std::string_view name)
    {
        for (std::string_view ignored : kIgnored)
            if (equalsIgnoringCase(name, ignored))
                return;
        for (const Noun& noun : kNouns)
            if (equalsIgnoringCase(name, noun.property)) {
                m_builder.unplaced(noun.singular, noun.plural);
                return;
            }
        std::string upper(name);
        for (char& c : upper)
            c = asciiUpper(c);
        m_builder.unplaced(upper + " property", upper + " properties");
    }

    std::string_view m_bytes;
    Lines m_lines;
    bool m_fileIsUtf8;
    ImportResult m_result;
    ContactBuilder m_builder{m_result.unplaced};
    std::string m_unfolded;
    std::string m_joined;
    std::string m_decoded;
    std::string m_unescaped;
};

} // namespace

bool looksLikeVCard(std::string_view bytes)
{
    bytes = withoutByteOrderMark(bytes);
    const std::size_t start = bytes.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return false;
    return startsIgnoringCase(bytes.substr(start), "BEGIN:VCARD");
}

ImportResult readVCards(std::string_view bytes)
{
    return CardReader(withoutByteOrderMark(bytes)).read();
}

} // namespace qor
