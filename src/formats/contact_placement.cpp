// Where the values a ContactBuilder holds go when the contact is taken: the slots of phones,
// e-mail and addresses (typed first, then untyped, the preferred first within each), and the
// names.
#include "contact_builder.h"

#include "exchange_text.h"

namespace qor {

using F = ContactField;

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

} // namespace qor
