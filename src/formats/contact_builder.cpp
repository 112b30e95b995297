#include "contact_builder.h"

#include "exchange_text.h"
#include "form_rules.h"

#include <algorithm>

namespace qor {

using F = ContactField;

namespace {

// Every line end in `text` as one space: CR LF, LF, a CR alone and a run of CRs with or without
// an LF after it (the readers' line ends, see endsALine), so "two\r\r\nlines" is "two lines".
void flattenImportedLineEnds(std::string& text)
{
    if (!holdsLineEnd(text))
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (isLineEnd(c)) {
            while (i + 1 < text.size() && text[i] == '\r' && isLineEnd(text[i + 1]))
                ++i;
            c = ' ';
        }
        text[kept++] = c;
    }
    text.resize(kept);
}

} // namespace

ContactBuilder::Pending& ContactBuilder::PendingList::add(PlaceKind kind, int pref)
{
    if (count == items.size())
        items.emplace_back();
    Pending& p = items[count++];
    p.kind = kind;
    p.pref = pref;
    p.fromLabel = false;
    p.hasCountry = false;
    return p;
}

const std::vector<std::size_t>& ContactBuilder::PendingList::inOrder(std::vector<std::size_t>& order) const
{
    order.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return items[a].pref < items[b].pref; });
    return order;
}

bool ContactBuilder::setOnce(F field, std::string_view value)
{
    std::string& target = m_record[field];
    if (!target.empty())
        return false;
    target.assign(value);
    return true;
}

void ContactBuilder::names(std::string_view surname, std::string_view firstName)
{
    if (m_hasNames) {
        if (!surname.empty() || !firstName.empty())
            unplaced("more name", "more names");
        return;
    }
    // "N:;;;;" names nobody: the full name or the organisation does.
    if (surname.empty() && firstName.empty())
        return;
    m_hasNames = true;
    m_record[F::SURNAME].assign(surname);
    m_record[F::FIRSTNAME].assign(firstName);
}

void ContactBuilder::fullName(std::string_view name)
{
    if (m_fullName.empty())
        m_fullName.assign(name);
}

void ContactBuilder::organisation(std::string_view name)
{
    if (name.empty())
        return;
    // After names (N comes first on nearly every card) it names no one: counted where it stands.
    if (m_hasOrganisation || m_hasNames) {
        unplaced("organisation", "organisations");
        return;
    }
    m_hasOrganisation = true;
    m_organisation.assign(name);
}

void ContactBuilder::nickname(std::string_view value)
{
    if (!value.empty() && !setOnce(F::NICKNAME, value))
        unplaced("more nickname", "more nicknames");
}

void ContactBuilder::email(std::string_view value, int pref)
{
    if (!value.empty())
        m_emails.add(PlaceKind::Unknown, pref).parts[0].assign(value);
}

void ContactBuilder::phone(PlaceKind kind, std::string_view value, int pref)
{
    if (value.empty())
        return;
    if (kind == PlaceKind::Other) // fax, pager...
        unplaced("more phone number", "more phone numbers");
    else
        m_phones.add(kind, pref).parts[0].assign(value);
}

void ContactBuilder::address(PlaceKind kind, std::string_view street, std::string_view city, std::string_view state,
                             std::string_view zip, int pref)
{
    if (street.empty() && city.empty() && state.empty() && zip.empty())
        return;
    if (kind == PlaceKind::Mobile || kind == PlaceKind::Other)
        kind = PlaceKind::Unknown;
    m_addressKinds |= 1u << static_cast<unsigned>(kind);
    Pending& a = m_addresses.add(kind, pref);
    a.parts = {std::string(street), std::string(city), std::string(state), std::string(zip)};
}

void ContactBuilder::label(PlaceKind kind, std::string_view street, std::string_view city, std::string_view state,
                           std::string_view zip, bool hasCountry)
{
    if (street.empty() && city.empty() && state.empty() && zip.empty())
        return;
    if (kind == PlaceKind::Mobile || kind == PlaceKind::Other)
        kind = PlaceKind::Unknown;
    Pending& a = m_addresses.add(kind, kNotPreferred);
    a.parts = {std::string(street), std::string(city), std::string(state), std::string(zip)};
    a.fromLabel = true;
    a.hasCountry = hasCountry;
}

void ContactBuilder::placeEmails()
{
    bool placed = false;
    for (std::size_t i : m_emails.inOrder(m_order)) {
        if (placed) {
            unplaced("more e-mail address", "more e-mail addresses");
            continue;
        }
        m_record[F::EMAIL].assign(m_emails.items[i].parts[0]);
        placed = true;
    }
}

void ContactBuilder::placePhones()
{
    const std::vector<std::size_t>& order = m_phones.inOrder(m_order);
    for (const bool typed : {true, false})
        for (std::size_t i : order) {
            const Pending& p = m_phones.items[i];
            if ((p.kind != PlaceKind::Unknown) != typed)
                continue;
            const std::string& number = p.parts[0];
            bool placed = false;
            switch (p.kind) {
            case PlaceKind::Mobile: placed = setOnce(F::MOBILE, number); break;
            case PlaceKind::Home: placed = setOnce(F::TEL, number); break;
            case PlaceKind::Work: placed = setOnce(F::WORKTEL, number); break;
            case PlaceKind::Unknown: placed = setOnce(F::TEL, number) || setOnce(F::MOBILE, number); break;
            case PlaceKind::Other: break;
            }
            if (!placed)
                unplaced("more phone number", "more phone numbers");
        }
}

bool ContactBuilder::placeAddress(const Pending& a, bool home)
{
    const std::array<F, 4> fields = home ? std::array{F::HOMESTREET, F::HOMECITY, F::HOMESTATE, F::HOMEZIP}
                                         : std::array{F::WORKSTREET, F::WORKCITY, F::WORKSTATE, F::WORKZIP};
    for (F f : fields)
        if (!m_record[f].empty())
            return false;
    for (std::size_t i = 0; i < fields.size(); ++i)
        m_record[fields[i]].assign(a.parts[i]);
    if (a.hasCountry)
        unplaced("country", "countries");
    return true;
}

void ContactBuilder::placeAddresses()
{
    const std::vector<std::size_t>& order = m_addresses.inOrder(m_order);
    for (const bool typed : {true, false})
        for (std::size_t i : order) {
            const Pending& a = m_addresses.items[i];
            if ((a.kind != PlaceKind::Unknown) != typed)
                continue;
            // A label beside an ADR of its type (or, untyped, beside any ADR) prints that ADR again.
            if (a.fromLabel && (typed ? (m_addressKinds & (1u << static_cast<unsigned>(a.kind))) != 0 : m_addressKinds != 0))
                continue;
            const bool placed = a.kind == PlaceKind::Home   ? placeAddress(a, true)
                                : a.kind == PlaceKind::Work ? placeAddress(a, false)
                                                            : placeAddress(a, true) || placeAddress(a, false);
            if (!placed)
                unplaced("more address", "more addresses");
        }
}

void ContactBuilder::note(std::string_view value)
{
    if (!value.empty() && !setOnce(F::COMMENTS, value))
        unplaced("more note", "more notes");
}

void ContactBuilder::date(std::string_view text, F day, F month, F year, std::string_view singular,
                          std::string_view plural)
{
    if (text.empty())
        return;
    FormDate d;
    if (!parseExchangeDate(text, d) || !m_record[day].empty() || !m_record[month].empty() || !m_record[year].empty()) {
        unplaced(singular, plural);
        return;
    }
    m_record[day] = std::move(d.day);
    m_record[month] = std::move(d.month);
    m_record[year] = std::move(d.year);
}

void ContactBuilder::birthday(std::string_view text)
{
    date(text, F::DOBDAY, F::DOBMON, F::DOBYEAR, "birthday", "birthdays");
}

void ContactBuilder::anniversary(std::string_view text)
{
    date(text, F::ANDAY, F::ANMON, F::ANYEAR, "anniversary", "anniversaries");
}

void ContactBuilder::own(F field, std::string_view value)
{
    m_hasOwn[columnOf(field)] = true;
    m_anyOwn = true;
    m_own[field].assign(value);
}

void ContactBuilder::placeNames()
{
    // A line end between the names separates them as a space does.
    flattenImportedLineEnds(m_fullName);
    flattenImportedLineEnds(m_organisation);
    const std::size_t first = m_fullName.find_first_not_of(' ');
    const std::string_view fullName = first == std::string::npos
        ? std::string_view()
        : std::string_view(m_fullName).substr(first, m_fullName.find_last_not_of(' ') + 1 - first);
    bool organisationNames = false;
    if (!m_hasNames) {
        const bool company = m_hasOrganisation && (m_companyCard || fullName.empty() || fullName == m_organisation);
        if (company) {
            m_record[F::SURNAME] = m_organisation;
            organisationNames = true;
        } else if (m_companyCard) {
            m_record[F::SURNAME] = fullName; // a company card without ORG: FN is the company
        } else if (!fullName.empty()) {
            // "Ann Lee": the last word is the surname; a single word is a first name.
            const std::size_t space = fullName.find_last_of(' ');
            if (space == std::string_view::npos) {
                m_record[F::FIRSTNAME] = fullName;
            } else {
                m_record[F::FIRSTNAME] = fullName.substr(0, fullName.find_last_not_of(' ', space) + 1);
                m_record[F::SURNAME] = fullName.substr(space + 1);
            }
        }
    }
    if (m_hasOrganisation && !organisationNames)
        unplaced("organisation", "organisations");
}

void ContactBuilder::take(ContactRecord& into)
{
    placeNames();
    placeEmails();
    placePhones();
    placeAddresses();
    if (m_anyOwn)
        for (std::size_t c = 0; c < kFieldCount; ++c)
            if (m_hasOwn[c]) {
                m_record[c].swap(m_own[c]);
                m_own[c].clear();
            }
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        std::string& text = m_record[c];
        flattenImportedLineEnds(text);
        into[c].swap(text);
        text.clear();
    }
    m_hasOwn = {};
    m_anyOwn = false;
    m_fullName.clear();
    m_organisation.clear();
    m_hasNames = false;
    m_companyCard = false;
    m_hasOrganisation = false;
    m_emails.count = m_phones.count = m_addresses.count = 0;
    m_addressKinds = 0;
}

} // namespace qor
