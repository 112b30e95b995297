#include "vcard_reader.h"

#include "contact_builder.h"
#include "exchange_text.h"
#include "huge_pages.h"
#include "text_encoding.h"
#include "vcard_properties.h"
#include "vcard_property.h"


namespace qor {

namespace {

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
            m_properties.take(p);
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

    std::string_view m_bytes;
    std::size_t m_crs = 0; // every CR of the file
    std::size_t m_binaryAt;
    VCardLines m_lines;
    bool m_fileIsUtf8;
    ImportResult m_result;
    ContactBuilder m_builder{m_result.unplaced};
    VCardProperties m_properties{m_builder, m_result.undecoded, m_fileIsUtf8};
    std::string m_unfolded;
    std::string m_joined;
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
