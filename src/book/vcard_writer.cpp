#include "vcard_writer.h"

#include "display_name.h"
#include "exchange_dates.h"
#include "field_table.h"
#include "vcard_text.h"

#include <array>
#include <cstdint>

namespace qor {

namespace {

using F = ContactField;

constexpr std::string_view kProductId = "PRODID:-//QOR//QOR 1.0//EN\r\n";

// The fields vCard has no property for: written as X-QOR-<KEY>.
constexpr std::array kPrivateFields{F::OVERALL, F::LIKES, F::DISLIKES, F::RATING, F::BESTFEATURE, F::EYES,
                                    F::HAIR, F::HEIGHT, F::BODY, F::LOOKS, F::PERSONALITY, F::INBED};

// Writes the cards into one buffer that grows by doubling: a card costs a few hundred bytes,
// and building each line in a string of its own would cost more than the text it holds.
class CardWriter {
public:
    explicit CardWriter(std::string& out) : m_out(out) {}

    // A property whose value is one text.
    void text(std::string_view nameAndParams, std::string_view value)
    {
        if (value.empty())
            return;
        start(nameAndParams);
        appendVCardEscaped(m_out, value);
        finish();
    }
    // A property whose value is several texts separated by ';'; `prefix` comes before the
    // first ("" or ";;" for the two address fields QOR has none of).
    template <std::size_t N>
    void structured(std::string_view nameAndParams, std::string_view prefix,
                    const std::array<std::string_view, N>& parts, std::string_view suffix, bool evenIfEmpty)
    {
        bool any = evenIfEmpty;
        for (std::string_view p : parts)
            any = any || !p.empty();
        if (!any)
            return;
        start(nameAndParams);
        m_out += prefix;
        for (std::size_t i = 0; i < N; ++i) {
            if (i > 0)
                m_out += ';';
            appendVCardEscaped(m_out, parts[i]);
        }
        m_out += suffix;
        finish();
    }
    void raw(std::string_view line) { m_out += line; }

private:
    void start(std::string_view nameAndParams)
    {
        m_lineStart = m_out.size();
        m_out += nameAndParams;
        m_out += ':';
    }
    void finish()
    {
        foldVCardLine(m_out, m_lineStart);
        m_out += "\r\n";
    }

    std::string& m_out;
    std::size_t m_lineStart = 0;
};

// A UID that is the same for the same contact at the same position: two FNV-1a hashes of the
// texts and the position, shaped as a UUID.
std::string uidFor(const ContactRecord& record, std::size_t position)
{
    std::uint64_t a = 14695981039346656037ULL;
    std::uint64_t b = 0x9E3779B97F4A7C15ULL;
    const auto mix = [&](unsigned char c) {
        a = (a ^ c) * 1099511628211ULL;
        b = (b ^ c) * 0x100000001B3ULL + 0x2545F4914F6CDD1DULL;
    };
    for (const std::string& t : record.texts) {
        for (char c : t)
            mix(static_cast<unsigned char>(c));
        mix(0);
    }
    for (int i = 0; i < 8; ++i)
        mix(static_cast<unsigned char>(position >> (8 * i)));
    constexpr char kHex[] = "0123456789abcdef";
    std::string uid = "urn:uuid:";
    const auto hex = [&](std::uint64_t v, int digits) {
        for (int i = digits - 1; i >= 0; --i)
            uid += kHex[(v >> (4 * i)) & 0xF];
    };
    hex(a >> 32, 8);
    uid += '-';
    hex(a >> 16, 4);
    uid += '-';
    hex(0x8000 | ((a & 0xFFF)), 4); // version 8: a custom UUID
    uid += '-';
    hex(0x8000 | ((b >> 48) & 0x3FFF), 4); // the RFC 4122 variant
    uid += '-';
    hex(b, 12);
    return uid;
}

// BDAY or ANNIVERSARY when the date reads back exactly, else the X-QOR- lines of its parts.
void writeDate(CardWriter& card, const ContactRecord& r, VCardVersion version, std::string_view property,
               F dayField, F monthField, F yearField)
{
    const std::string& day = r[dayField];
    const std::string& month = r[monthField];
    const std::string& year = r[yearField];
    if (day.empty() && month.empty() && year.empty())
        return;
    const std::string date = version == VCardVersion::V4 ? vcard4Date(day, month, year) : isoDate(day, month, year);
    if (!date.empty()) {
        card.text(property, date);
        return;
    }
    for (F f : {dayField, monthField, yearField})
        if (!r[f].empty())
            card.text(std::string("X-QOR-") + std::string(fieldInfo(f).key), r[f]);
}

void writeCard(CardWriter& card, const ContactRecord& r, std::size_t position, VCardVersion version)
{
    const bool v4 = version == VCardVersion::V4;
    card.raw(v4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n");
    card.raw(kProductId);
    card.text("UID", uidFor(r, position));
    card.text("FN", displayName(r));
    // N is written even when empty, so that FN is never read back as the names.
    card.structured<2>("N", "", {r[F::SURNAME], r[F::FIRSTNAME]}, ";;;", true);
    card.text("NICKNAME", r[F::NICKNAME]);
    card.text("EMAIL", r[F::EMAIL]);
    card.text("TEL;TYPE=cell", r[F::MOBILE]);
    card.text("TEL;TYPE=home,voice", r[F::TEL]);
    card.text("TEL;TYPE=work,voice", r[F::WORKTEL]);
    card.structured<4>("ADR;TYPE=home", ";;", {r[F::HOMESTREET], r[F::HOMECITY], r[F::HOMESTATE], r[F::HOMEZIP]}, ";",
                       false);
    card.structured<4>("ADR;TYPE=work", ";;", {r[F::WORKSTREET], r[F::WORKCITY], r[F::WORKSTATE], r[F::WORKZIP]}, ";",
                       false);
    card.text("NOTE", r[F::COMMENTS]);
    writeDate(card, r, version, "BDAY", F::DOBDAY, F::DOBMON, F::DOBYEAR);
    writeDate(card, r, version, v4 ? "ANNIVERSARY" : "X-ANNIVERSARY", F::ANDAY, F::ANMON, F::ANYEAR);
    for (F f : kPrivateFields)
        if (!r[f].empty())
            card.text(std::string("X-QOR-") + std::string(fieldInfo(f).key), r[f]);
    card.raw("END:VCARD\r\n");
}

} // namespace

std::string writeVCards(const ContactRows& rows, VCardVersion version)
{
    std::string out;
    CardWriter card(out);
    for (std::size_t i = 0; i < rows.count; ++i)
        writeCard(card, rows.row(i), i, version);
    return out;
}

} // namespace qor
