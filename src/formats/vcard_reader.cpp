#include "vcard_reader.h"

#include "charset_decoder.h"
#include "contact_builder.h"
#include "exchange_text.h"
#include "field_table.h"
#include "huge_pages.h"
#include "text_encoding.h"
#include "vcard_account.h"
#include "vcard_label.h"
#include "vcard_property.h"
#include "vcard_text.h"

#include <array>
#include <cstring>
#include <optional>

namespace qor {

namespace {

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

class CardReader {
public:
    // `loneCrs`: read as a file whose CRs may end lines alone (old Macintosh files, a mix);
    // otherwise read() tells whether it had any (see hadLoneCrs).
    CardReader(std::string_view bytes, bool loneCrs)
        : m_bytes(bytes), m_binaryAt(firstBinaryByte(bytes, m_crs)), m_lines(bytes, loneCrs),
          m_fileIsUtf8(isValidUtf8(bytes))
    {
        // Room for every card up front: growing a vector of a hundred thousand records moves
        // them again and again through fresh memory, which costs more than reading the cards.
        std::vector<ContactRecord>& contacts = m_result.contacts;
        contacts.reserve(cardsAtMost(bytes));
        adviseHugePages(contacts.data(), contacts.capacity() * sizeof(ContactRecord));
    }

    ImportResult read()
    {
        if (m_binaryAt != std::string_view::npos)
            return ImportResult::failure(lineAt(m_bytes, m_binaryAt), "binary data, not a vCard");
        std::string_view line;
        std::size_t number = 0;
        std::size_t cardLine = 0; // where the open card began, 0 outside a card
        bool afterBase64 = false;
        while (logicalLine(line, number)) {
            // Blank lines, and the end-of-file mark of old DOS files.
            if (line.find_first_not_of(" \t\x1A") == std::string_view::npos)
                continue;
            VCardProperty p;
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

    // Whether the file had a CR that ended a line alone, which a reader made without `loneCrs`
    // reads as part of a line: the CRs its lines ended with are not all the file's.
    bool hadLoneCrs() const { return m_lines.crsInLineEnds() != m_crs; }

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
    void joinSoftBreaks(VCardProperty& p, std::size_t& number)
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

    // The property's meaning. Properties are told apart by their first letter before their
    // names are compared: a card of QOR's own is mostly X-QOR- lines, which would otherwise be
    // compared with every name QOR knows.
    void take(const VCardProperty& p)
    {
        const std::string_view name = p.name;
        const auto is = [&name](std::string_view n) { return equalsIgnoringCase(name, n); };
        const int pref = p.pref == 0 ? kNotPreferred : p.pref;
        switch (name.empty() ? '\0' : asciiUpper(name[0])) {
        case 'A':
            if (is("ADR"))
                return address(p, pref);
            if (is("ANNIVERSARY"))
                return m_builder.anniversary(withoutOmittedYear(p));
            break;
        case 'B':
            if (is("BDAY"))
                return m_builder.birthday(withoutOmittedYear(p));
            break;
        case 'E':
            if (is("EMAIL"))
                return m_builder.email(text(p), pref);
            break;
        case 'F':
            if (is("FN"))
                return m_builder.fullName(text(p));
            break;
        case 'K':
            if (is("KIND"))
                return kind(p);
            break;
        case 'L':
            if (is("LABEL")) {
                const LabelAddress a = readVCardLabel(raw(p));
                return m_builder.label(addressKind(p.types), a.street, a.city, a.state, a.zip, !a.country.empty());
            }
            break;
        case 'N':
            if (is("N"))
                return names(p);
            if (is("NICKNAME"))
                return m_builder.nickname(text(p));
            if (is("NOTE"))
                return m_builder.note(text(p));
            break;
        case 'O':
            if (is("ORG"))
                return organisation(p);
            break;
        case 'T':
            if (is("TEL"))
                return phone(p, pref);
            break;
        case 'X':
            if (startsIgnoringCase(name, "X-QOR-"))
                return own(p);
            if (is("X-ABSHOWAS"))
                return kind(p);
            if (is("X-ANNIVERSARY") || is("X-MS-ANNIVERSARY") || is("X-EVOLUTION-ANNIVERSARY"))
                return m_builder.anniversary(withoutOmittedYear(p));
            break;
        default: break;
        }
        countUnplacedProperty(name, m_builder);
    }

    void names(const VCardProperty& p)
    {
        std::size_t extra = 0;
        auto parts = components<5>(raw(p), extra);
        if (!parts[2].empty() || !parts[3].empty() || !parts[4].empty() || extra > 0)
            m_builder.unplaced("name part", "name parts");
        m_builder.names(parts[0], parts[1]);
    }

    void organisation(const VCardProperty& p)
    {
        std::size_t extra = 0;
        auto parts = components<2>(raw(p), extra);
        if (!parts[1].empty() || extra > 0)
            m_builder.unplaced("department", "departments");
        m_builder.organisation(parts[0]);
    }

    // KIND:org (4.0) and Apple's X-ABShowAs:COMPANY: the card names an organisation.
    void kind(const VCardProperty& p)
    {
        const std::string_view kind = text(p);
        if (equalsIgnoringCase(kind, "org") || equalsIgnoringCase(kind, "organization")
            || equalsIgnoringCase(kind, "company"))
            m_builder.companyCard();
    }

    void phone(const VCardProperty& p, int pref)
    {
        std::string_view number = text(p);
        if (p.uri && startsIgnoringCase(number, "tel:"))
            number.remove_prefix(4);
        m_builder.phone(phoneKind(p.types), number, pref);
    }

    void address(const VCardProperty& p, int pref)
    {
        std::size_t extra = 0;
        auto parts = components<7>(raw(p), extra);
        if (!parts[0].empty() || !parts[1].empty() || extra > 0)
            m_builder.unplaced("address part", "address parts");
        if (!parts[6].empty())
            m_builder.unplaced("country", "countries");
        m_builder.address(addressKind(p.types), parts[2], parts[3], parts[4], parts[5], pref);
    }

    void own(const VCardProperty& p)
    {
        std::string key(p.name.substr(6));
        for (char& c : key)
            c = asciiUpper(c);
        if (const auto field = fieldForKey(key))
            m_builder.own(*field, text(p));
        else
            countUnplacedProperty(p.name, m_builder);
    }

    // The value decoded to UTF-8, its escapes still in it. A value whose charset could not be
    // decoded keeps its bytes and is counted.
    std::string_view raw(const VCardProperty& p)
    {
        if (!p.quotedPrintable && p.charset.empty() && m_fileIsUtf8)
            return p.value; // nearly every value: nothing to decode
        bool decoded = true;
        const std::string_view value = decodeValue(p, m_fileIsUtf8, m_charsets, m_decoded, decoded);
        if (!decoded) {
            std::string charset(p.charset);
            for (char& c : charset)
                c = asciiUpper(c);
            m_result.undecoded.add("value in charset " + charset, "values in charset " + charset);
        }
        return value;
    }

    std::string_view text(const VCardProperty& p) { return textOf(raw(p), m_unescaped); }

    // Apple's year-less date: "1604-05-17" with X-APPLE-OMIT-YEAR=1604 is "--05-17".
    std::string withoutOmittedYear(const VCardProperty& p)
    {
        std::string date(text(p));
        if (!p.omitYear.empty() && date.starts_with(p.omitYear))
            date.replace(0, p.omitYear.size(), "-");
        return date;
    }

    std::string_view m_bytes;
    std::size_t m_crs = 0; // every CR of the file
    std::size_t m_binaryAt;
    VCardLines m_lines;
    bool m_fileIsUtf8;
    ImportResult m_result;
    ContactBuilder m_builder{m_result.unplaced};
    std::string m_unfolded;
    std::string m_joined;
    CharsetDecoder m_charsets;
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
    bytes = withoutByteOrderMark(bytes);
    // Nearly every file ends its lines with LF or CR LF: it is read once, and read again only
    // when a CR turns out to end a line alone (or the first reading stopped at a fault before
    // it met every CR).
    CardReader once(bytes, false);
    ImportResult result = once.read();
    if (once.hadLoneCrs())
        return CardReader(bytes, true).read();
    return result;
}

} // namespace qor
