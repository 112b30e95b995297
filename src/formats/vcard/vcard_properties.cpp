// What each property of a vCard means to QOR, once its line is read: its value decoded and
// handed to the contact builder.
#include "vcard_properties.h"

#include "contact_builder.h"
#include "exchange_text.h"
#include "field_table.h"
#include "vcard_account.h"
#include "vcard_label.h"

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

} // namespace

VCardProperties::VCardProperties(ContactBuilder& builder, UnplacedAccount& undecoded, bool fileIsUtf8)
    : m_builder(builder), m_undecoded(undecoded), m_fileIsUtf8(fileIsUtf8)
{
}

// Properties are told apart by their first letter before their names are compared: a card of
// QOR's own is mostly X-QOR- lines, which would otherwise be compared with every name QOR knows.
void VCardProperties::take(const VCardProperty& p)
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

void VCardProperties::names(const VCardProperty& p)
{
    std::size_t extra = 0;
    auto parts = components<5>(raw(p), extra);
    if (!parts[2].empty() || !parts[3].empty() || !parts[4].empty() || extra > 0)
        m_builder.unplaced("name part", "name parts");
    m_builder.names(parts[0], parts[1]);
}

void VCardProperties::organisation(const VCardProperty& p)
{
    std::size_t extra = 0;
    auto parts = components<2>(raw(p), extra);
    if (!parts[1].empty() || extra > 0)
        m_builder.unplaced("department", "departments");
    m_builder.organisation(parts[0]);
}

// KIND:org (4.0) and Apple's X-ABShowAs:COMPANY: the card names an organisation.
void VCardProperties::kind(const VCardProperty& p)
{
    const std::string_view kind = text(p);
    if (equalsIgnoringCase(kind, "org") || equalsIgnoringCase(kind, "organization")
        || equalsIgnoringCase(kind, "company"))
        m_builder.companyCard();
}

void VCardProperties::phone(const VCardProperty& p, int pref)
{
    std::string_view number = text(p);
    if (p.uri && startsIgnoringCase(number, "tel:"))
        number.remove_prefix(4);
    m_builder.phone(phoneKind(p.types), number, pref);
}

void VCardProperties::address(const VCardProperty& p, int pref)
{
    std::size_t extra = 0;
    auto parts = components<7>(raw(p), extra);
    if (!parts[0].empty() || !parts[1].empty() || extra > 0)
        m_builder.unplaced("address part", "address parts");
    if (!parts[6].empty())
        m_builder.unplaced("country", "countries");
    m_builder.address(addressKind(p.types), parts[2], parts[3], parts[4], parts[5], pref);
}

void VCardProperties::own(const VCardProperty& p)
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
std::string_view VCardProperties::raw(const VCardProperty& p)
{
    if (!p.quotedPrintable && p.charset.empty() && m_fileIsUtf8)
        return p.value; // nearly every value: nothing to decode
    bool decoded = true;
    const std::string_view value = decodeValue(p, m_fileIsUtf8, m_charsets, m_decoded, decoded);
    if (!decoded) {
        std::string charset(p.charset);
        for (char& c : charset)
            c = asciiUpper(c);
        m_undecoded.add("value in charset " + charset, "values in charset " + charset);
    }
    return value;
}

std::string_view VCardProperties::text(const VCardProperty& p) { return textOf(raw(p), m_unescaped); }

// Apple's year-less date: "1604-05-17" with X-APPLE-OMIT-YEAR=1604 is "--05-17".
std::string VCardProperties::withoutOmittedYear(const VCardProperty& p)
{
    std::string date(text(p));
    if (!p.omitYear.empty() && date.starts_with(p.omitYear))
        date.replace(0, p.omitYear.size(), "-");
    return date;
}

} // namespace qor
