#pragma once

#include "contact_exchange.h"
#include "exchange_dates.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Where an imported value is meant to go, as its type says.
enum class PlaceKind { Unknown, Mobile, Home, Work, Other };

// How much a value is preferred: 1 the most (vCard 4.0's PREF=1, 3.0's TYPE=pref, 2.1's bare
// PREF, the "* " of Google's CSV), up to 100; kNotPreferred for a value that says nothing.
inline constexpr int kNotPreferred = 101;

// Every line end in `text` as one space: CR LF, LF, a CR alone and a run of CRs with or without
// an LF after it (the readers' line ends, see endsALine), so "two\r\r\nlines" is "two lines".
void flattenImportedLineEnds(std::string& text);

// Builds one imported contact from the values a reader finds, the same way for vCard and CSV.
//
// Phones, e-mail addresses and addresses are placed as if all were known at once: typed values
// first (cell to MOBILE, home to TEL and the home address, work to WORKTEL and the work
// address), then untyped ones into the slots left (a phone to TEL, else MOBILE; an address to
// home, else work), held until the contact is taken; within each, the preferred first, else in
// the file's order. So the one e-mail field gets the preferred address, and no untyped value
// takes the slot of a typed one, whatever their order in the file. What finds no slot is
// counted in the account.
//
// The names come from the first N (or the CSV's name columns) that names anyone; failing that
// from the full name (FN, "Ann Lee": the last word is the surname); failing that, or when the
// card names a company (FN is the organisation, KIND:org, Apple's X-ABShowAs:COMPANY), the
// organisation is the surname. An organisation that names no one is counted.
//
// Values from X-QOR- properties (or QOR's own CSV columns) are set apart and win over
// everything else.
class ContactBuilder {
public:
    explicit ContactBuilder(UnplacedAccount& account) : m_account(account) {}

    void names(std::string_view surname, std::string_view firstName);
    void fullName(std::string_view name);
    void organisation(std::string_view name);
    void companyCard() { m_companyCard = true; }
    void nickname(std::string_view value);
    void email(std::string_view value, int pref = kNotPreferred);
    void phone(PlaceKind kind, std::string_view value, int pref = kNotPreferred);
    void address(PlaceKind kind, std::string_view street, std::string_view city, std::string_view state,
                 std::string_view zip, int pref = kNotPreferred);
    // An address a LABEL gives: used only when the card has no ADR of its type (an untyped
    // label, only when the card has no ADR at all); otherwise it is that ADR printed again.
    // Its country is counted when it is used.
    void label(PlaceKind kind, std::string_view street, std::string_view city, std::string_view state,
               std::string_view zip, bool hasCountry);
    void note(std::string_view value);
    // A birthday or anniversary as its text; one that cannot be read is counted.
    void birthday(std::string_view text);
    void anniversary(std::string_view text);
    // A value of QOR's own for `field`: wins over the standard property.
    void own(ContactField field, std::string_view value);
    // Something with no field, counted as `singular`/`plural`.
    void unplaced(std::string_view singular, std::string_view plural) { m_account.add(singular, plural); }

    // Moves the contact into `into` and resets the builder. Every text leaves with its line ends
    // (CR LF, LF, a lone CR, a run of CRs) turned into spaces: this is where both readers'
    // values pass, so no imported value can end a line in the book or in a file QOR writes.
    void take(ContactRecord& into);

private:
    // The one-value fields an exchanged value competes for.
    enum Slot { kMobileSlot, kHomeTelSlot, kWorkTelSlot, kEmailSlot, kHomeSlot, kWorkSlot, kSlotCount };

    // An untyped phone or address, or an address from a LABEL, waiting for take() to place it in
    // the slots the typed values left. A typed value (and an e-mail address) goes to its slot at
    // once (see claims): nearly every card has only those, and holding them too cost a fifth of
    // the import. The list's strings are kept from card to card.
    struct Pending {
        PlaceKind kind = PlaceKind::Unknown;
        int pref = kNotPreferred;
        bool fromLabel = false;
        bool hasCountry = false;
        std::array<std::string, 4> parts;
    };
    struct PendingList {
        std::vector<Pending> items;
        std::size_t count = 0;
        bool anyPreferred = false;
        std::vector<std::size_t> order; // when anyPreferred: the indexes, the preferred first
        Pending& add(PlaceKind kind, int pref);
        // Sorts `order` when a value is preferred; then at(k) is the k-th value to place.
        void sort();
        const Pending& at(std::size_t k) const { return items[anyPreferred ? order[k] : k]; }
    };

    bool setOnce(ContactField field, std::string_view value);
    // Whether a value of preference `pref` takes `slot`: when the slot is empty, or when the value
    // is preferred to the one there. The value that loses (this one, or the one it replaces) is
    // counted as `singular`.
    bool claims(Slot slot, int pref, std::string_view singular, std::string_view plural);
    void setAddress(bool home, std::string_view street, std::string_view city, std::string_view state,
                    std::string_view zip);
    void date(std::string_view text, ContactField day, ContactField month, ContactField year,
              std::string_view singular, std::string_view plural);
    void placePhones();
    void placeAddresses();
    void placeNames();

    UnplacedAccount& m_account;
    ContactRecord m_record;
    ContactRecord m_own;
    std::array<bool, kFieldCount> m_hasOwn{};
    bool m_anyOwn = false;
    std::string m_fullName;
    std::string m_organisation;
    bool m_hasNames = false;
    bool m_companyCard = false;
    bool m_hasOrganisation = false;
    std::array<int, kSlotCount> m_slotPref{}; // the preference of the value in each slot, 0: empty
    PendingList m_phones, m_addresses;
    unsigned m_addressKinds = 0; // bits of PlaceKind that an ADR (not a label) had
};

} // namespace qor
