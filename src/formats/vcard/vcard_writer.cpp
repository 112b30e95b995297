#include "vcard_writer.h"

#include "display_name.h"
#include "exchange_dates.h"
#include "field_table.h"
#include "huge_pages.h"
#include "vcard_text.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace qor {

namespace {

using F = ContactField;

constexpr std::string_view kProductId = "PRODID:-//QOR//QOR 1.0//EN\r\n";

// The fields vCard has no property for: written as X-QOR-<KEY>.
constexpr std::array kPrivateFields{F::OVERALL, F::LIKES, F::DISLIKES, F::RATING, F::BESTFEATURE, F::EYES,
                                    F::HAIR, F::HEIGHT, F::BODY, F::LOOKS, F::PERSONALITY, F::INBED};

// "X-QOR-<KEY>" for every field, made once.
const std::string& privateName(F field)
{
    static const std::array<std::string, kFieldCount> names = [] {
        std::array<std::string, kFieldCount> n;
        for (std::size_t c = 0; c < kFieldCount; ++c)
            n[c] = "X-QOR-" + std::string(fieldTable()[c].key);
        return n;
    }();
    return names[columnOf(field)];
}

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

// The fields that tell one person from another, hashed into the UID.
constexpr std::array kIdentityFields{F::SURNAME, F::FIRSTNAME, F::NICKNAME, F::EMAIL, F::MOBILE,
                                     F::TEL,     F::WORKTEL,   F::DOBDAY,   F::DOBMON, F::DOBYEAR};

// A UID that is the same for the same contact at the same position: two 64-bit hashes of the
// identifying texts, their lengths and the position, shaped as a UUID. Only those texts are
// hashed, eight bytes at a time: hashing every byte of the card cost as much as writing it.
std::string uidFor(const ContactRecord& record, std::size_t position)
{
    std::uint64_t a = 0xCBF29CE484222325ULL ^ position;
    std::uint64_t b = 0x9E3779B97F4A7C15ULL + position;
    const auto mix = [&a, &b](std::uint64_t word) {
        a = (a ^ word) * 0x100000001B3ULL;
        a ^= a >> 29;
        b = (b + word) * 0xBF58476D1CE4E5B9ULL;
        b ^= b >> 31;
    };
    for (F f : kIdentityFields) {
        const std::string& t = record[f];
        mix(t.size());
        std::size_t i = 0;
        for (; i + 8 <= t.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, t.data() + i, 8);
            mix(word);
        }
        if (i < t.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, t.data() + i, t.size() - i);
            mix(word);
        }
    }
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
    hex(0x8000 | (a & 0xFFF), 4); // version 8: a custom UUID
    uid += '-';
    hex(0x8000 | ((b >> 48) & 0x3FFF), 4); // the RFC 4122 variant
    uid += '-';
    hex(b, 12);
    return uid;
}

// BDAY or ANNIVERSARY when the date reads back exactly. Otherwise the X-QOR- lines of its parts,
// which QOR reads back exactly, and, when the date rules read a date from them ("march", "05",
// a year of two digits counted as none), that date too, for every other program.
void writeDate(CardWriter& card, const ContactRecord& r, VCardVersion version, std::string_view property,
               F dayField, F monthField, F yearField)
{
    const std::string& day = r[dayField];
    const std::string& month = r[monthField];
    const std::string& year = r[yearField];
    if (day.empty() && month.empty() && year.empty())
        return;
    const bool v4 = version == VCardVersion::V4;
    const std::string omitYear = std::string(property) + ";X-APPLE-OMIT-YEAR=" + std::to_string(kOmittedYear);
    const std::string exact = v4 ? vcard4Date(day, month, year) : isoDate(day, month, year);
    if (!exact.empty()) {
        card.text(property, exact);
        return;
    }
    const std::optional<ContactDate> ruled = readContactDate(day, month, year);
    if (!v4 && ruled && !ruled->hasYear() && isCanonicalDate(day, month, year) && year.empty()) {
        card.text(omitYear, appleDateOf(*ruled)); // reads back as "--05-17": exactly these texts
        return;
    }
    if (ruled) {
        if (v4)
            card.text(property, vcard4DateOf(*ruled));
        else
            card.text(ruled->hasYear() ? std::string(property) : omitYear, appleDateOf(*ruled));
    }
    for (F f : {dayField, monthField, yearField})
        if (!r[f].empty())
            card.text(privateName(f), r[f]);
}

void writeCard(CardWriter& card, const ContactRecord& r, std::size_t position, VCardVersion version)
{
    const bool v4 = version == VCardVersion::V4;
    card.raw(v4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n");
    card.raw(kProductId);
    card.text("UID", uidFor(r, position));
    card.text("FN", displayName(r));
    // N is written even when empty. An importer takes the names of a card whose N is empty
    // from FN; QOR's own empty names say so in X-QOR- lines, which win over both.
    card.structured<2>("N", "", {r[F::SURNAME], r[F::FIRSTNAME]}, ";;;", true);
    if (r[F::SURNAME].empty() && r[F::FIRSTNAME].empty())
        card.raw("X-QOR-SURNAME:\r\nX-QOR-FIRSTNAME:\r\n");
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
            card.text(privateName(f), r[f]);
    card.raw("END:VCARD\r\n");
}

} // namespace

std::string writeVCards(const ContactRows& rows, VCardVersion version)
{
    std::string out;
    appendVCards(out, rows, version);
    return out;
}

void appendVCards(std::string& out, const ContactRows& rows, VCardVersion version)
{
    // Room for the longest the cards can be, reserved once: growing the text by doubling
    // copies it again and again into fresh memory, which costs more than writing it. Memory
    // that is reserved but never written is never touched.
    constexpr std::size_t kCardFrame = 512;    // BEGIN to END around the values, UID, FN, N
    constexpr std::size_t kPropertyFrame = 48; // a property's name, parameters and line end
    // Escapes double a text at most; folds add.
    const std::size_t bound = rows.count * (kCardFrame + kFieldCount * kPropertyFrame) + textBytesOf(rows) * 3;
    if (out.capacity() - out.size() < bound) {
        out.reserve(out.size() + bound);
        adviseHugePages(out.data(), out.capacity());
    }
    CardWriter card(out);
    for (std::size_t i = 0; i < rows.count; ++i)
        writeCard(card, rows.row(i), rows.firstPosition + i, version);
}

} // namespace qor
