#include "contact_builder.h"

#include "exchange_text.h"
#include "control_bytes.h"


namespace qor {

using F = ContactField;

void flattenImportedLineEnds(std::string& text)
{
    // Every text of every imported contact is asked, and nearly none has a line end.
    if (findControlByte<0x0E>(text, isLineEnd) == std::string::npos)
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

namespace {

// Into the strings the list keeps from card to card: no allocation once they are long enough.
template <typename Pending>
void setParts(Pending& p, std::string_view street, std::string_view city, std::string_view state, std::string_view zip)
{
    p.parts[0].assign(street);
    p.parts[1].assign(city);
    p.parts[2].assign(state);
    p.parts[3].assign(zip);
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
    anyPreferred = anyPreferred || pref != kNotPreferred;
    return p;
}

void ContactBuilder::PendingList::sort()
{
    if (!anyPreferred)
        return; // the file's order: nearly every card
    // An insertion sort, stable and without the buffer std::stable_sort allocates: a card has a
    // handful of values of a kind.
    order.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t j = i;
        for (; j > 0 && items[order[j - 1]].pref > items[i].pref; --j)
            order[j] = order[j - 1];
        order[j] = i;
    }
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

bool ContactBuilder::claims(Slot slot, int pref, std::string_view singular, std::string_view plural)
{
    int& there = m_slotPref[slot];
    if (there == 0) {
        there = pref;
        return true;
    }
    unplaced(singular, plural);
    if (pref >= there)
        return false;
    there = pref;
    return true;
}

void ContactBuilder::email(std::string_view value, int pref)
{
    if (!value.empty() && claims(kEmailSlot, pref, "more e-mail address", "more e-mail addresses"))
        m_record[F::EMAIL].assign(value);
}

void ContactBuilder::phone(PlaceKind kind, std::string_view value, int pref)
{
    if (value.empty())
        return;
    const auto typed = [&](Slot slot, F field) {
        if (claims(slot, pref, "more phone number", "more phone numbers"))
            m_record[field].assign(value);
    };
    switch (kind) {
    case PlaceKind::Mobile: typed(kMobileSlot, F::MOBILE); break;
    case PlaceKind::Home: typed(kHomeTelSlot, F::TEL); break;
    case PlaceKind::Work: typed(kWorkTelSlot, F::WORKTEL); break;
    case PlaceKind::Unknown: m_phones.add(kind, pref).parts[0].assign(value); break;
    case PlaceKind::Other: unplaced("more phone number", "more phone numbers"); break; // fax, pager...
    }
}

void ContactBuilder::setAddress(bool home, std::string_view street, std::string_view city, std::string_view state,
                                std::string_view zip)
{
    m_record[home ? F::HOMESTREET : F::WORKSTREET].assign(street);
    m_record[home ? F::HOMECITY : F::WORKCITY].assign(city);
    m_record[home ? F::HOMESTATE : F::WORKSTATE].assign(state);
    m_record[home ? F::HOMEZIP : F::WORKZIP].assign(zip);
}

void ContactBuilder::address(PlaceKind kind, std::string_view street, std::string_view city, std::string_view state,
                             std::string_view zip, int pref)
{
    if (street.empty() && city.empty() && state.empty() && zip.empty())
        return;
    if (kind == PlaceKind::Mobile || kind == PlaceKind::Other)
        kind = PlaceKind::Unknown;
    m_addressKinds |= 1u << static_cast<unsigned>(kind);
    if (kind == PlaceKind::Unknown) {
        setParts(m_addresses.add(kind, pref), street, city, state, zip);
        return;
    }
    const bool home = kind == PlaceKind::Home;
    if (claims(home ? kHomeSlot : kWorkSlot, pref, "more address", "more addresses"))
        setAddress(home, street, city, state, zip);
}

void ContactBuilder::label(PlaceKind kind, std::string_view street, std::string_view city, std::string_view state,
                           std::string_view zip, bool hasCountry)
{
    if (street.empty() && city.empty() && state.empty() && zip.empty())
        return;
    if (kind == PlaceKind::Mobile || kind == PlaceKind::Other)
        kind = PlaceKind::Unknown;
    Pending& a = m_addresses.add(kind, kNotPreferred);
    setParts(a, street, city, state, zip);
    a.fromLabel = true;
    a.hasCountry = hasCountry;
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

void ContactBuilder::take(ContactRecord& into)
{
    placeNames();
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
    for (PendingList* list : {&m_phones, &m_addresses}) {
        list->count = 0;
        list->anyPreferred = false;
    }
    m_slotPref = {};
    m_addressKinds = 0;
}

} // namespace qor
