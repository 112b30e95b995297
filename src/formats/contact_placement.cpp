// Where the values a ContactBuilder holds go when the contact is taken: the slots the typed
// values left to the untyped phones and addresses (the preferred first), and the names.
#include "contact_builder.h"

#include "exchange_text.h"

namespace qor {

using F = ContactField;

// The untyped phones, the preferred first: to TEL, else MOBILE, when no typed one took it.
void ContactBuilder::placePhones()
{
    m_phones.sort();
    for (std::size_t k = 0; k < m_phones.count; ++k) {
        const Pending& p = m_phones.at(k);
        if (m_slotPref[kHomeTelSlot] == 0) {
            m_slotPref[kHomeTelSlot] = p.pref;
            m_record[F::TEL] = p.parts[0];
        } else if (m_slotPref[kMobileSlot] == 0) {
            m_slotPref[kMobileSlot] = p.pref;
            m_record[F::MOBILE] = p.parts[0];
        } else {
            unplaced("more phone number", "more phone numbers");
        }
    }
}

// The typed labels of a kind no ADR had, then the untyped addresses (and untyped labels of a card
// without ADR), the preferred first: to home, else work, when no typed one took it. A label
// beside an ADR of its type (or, untyped, beside any ADR) prints that ADR again: it is dropped.
void ContactBuilder::placeAddresses()
{
    m_addresses.sort();
    for (const bool typed : {true, false})
        for (std::size_t k = 0; k < m_addresses.count; ++k) {
            const Pending& a = m_addresses.at(k);
            if ((a.kind != PlaceKind::Unknown) != typed)
                continue;
            if (a.fromLabel && (typed ? (m_addressKinds & (1u << static_cast<unsigned>(a.kind))) != 0 : m_addressKinds != 0))
                continue;
            const bool homeFree = m_slotPref[kHomeSlot] == 0 && a.kind != PlaceKind::Work;
            const bool workFree = m_slotPref[kWorkSlot] == 0 && a.kind != PlaceKind::Home;
            if (!homeFree && !workFree) {
                unplaced("more address", "more addresses");
                continue;
            }
            m_slotPref[homeFree ? kHomeSlot : kWorkSlot] = a.pref;
            setAddress(homeFree, a.parts[0], a.parts[1], a.parts[2], a.parts[3]);
            if (a.hasCountry)
                unplaced("country", "countries");
        }
}

void ContactBuilder::placeNames()
{
    if (m_hasNames) {
        if (m_hasOrganisation)
            unplaced("organisation", "organisations");
        return;
    }
    // A line end between the names separates them as a space does.
    flattenImportedLineEnds(m_fullName);
    flattenImportedLineEnds(m_organisation);
    const std::size_t first = m_fullName.find_first_not_of(' ');
    const std::string_view fullName = first == std::string::npos
        ? std::string_view()
        : std::string_view(m_fullName).substr(first, m_fullName.find_last_not_of(' ') + 1 - first);
    if (m_hasOrganisation && (m_companyCard || fullName.empty() || fullName == m_organisation)) {
        m_record[F::SURNAME] = m_organisation; // a company's card
        return;
    }
    if (m_hasOrganisation)
        unplaced("organisation", "organisations");
    if (m_companyCard) {
        m_record[F::SURNAME] = fullName; // a company's card without ORG: FN is the company
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

} // namespace qor
