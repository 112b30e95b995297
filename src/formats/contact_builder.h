#pragma once

#include "contact_exchange.h"
#include "exchange_dates.h"

#include <string>
#include <string_view>

namespace qor {

// Where an imported value is meant to go, as its type says.
enum class PlaceKind { Unknown, Mobile, Home, Work, Other };

// Builds one imported contact from the values a reader finds, the same way for vCard and CSV:
// the first value of each kind fills its field, the rest are counted in the import's account.
// A phone with no known type goes to TEL, or to MOBILE when TEL is taken; an address with no
// known type to the home address, or to the work address when that is taken. Values from
// X-QOR- properties (or QOR's own CSV columns) are set apart and win over everything else.
class ContactBuilder {
public:
    explicit ContactBuilder(UnplacedAccount& account) : m_account(account) {}

    void names(std::string_view surname, std::string_view firstName);
    // A full name ("Ann Lee"), used for the names only when no names are given.
    void fullName(std::string_view name);
    void nickname(std::string_view value);
    void email(std::string_view value);
    void phone(PlaceKind kind, std::string_view value);
    void address(PlaceKind kind, std::string_view street, std::string_view city, std::string_view state,
                 std::string_view zip);
    void note(std::string_view value);
    // A birthday or anniversary as its text; one that cannot be read is counted.
    void birthday(std::string_view text);
    void anniversary(std::string_view text);
    // A value of QOR's own for `field`: wins over the standard property.
    void own(ContactField field, std::string_view value);
    // Something with no field, counted as `singular`/`plural`.
    void unplaced(std::string_view singular, std::string_view plural) { m_account.add(singular, plural); }

    // Moves the contact into `into` and resets the builder. Every text leaves with its line ends
    // (CR LF, LF, a lone CR) turned into spaces: this is where both readers' values pass, so
    // no imported value can end a line in the book or in a file QOR writes.
    void take(ContactRecord& into);

private:
    bool setOnce(ContactField field, std::string_view value);
    void date(std::string_view text, ContactField day, ContactField month, ContactField year,
              std::string_view singular, std::string_view plural);

    UnplacedAccount& m_account;
    ContactRecord m_record;
    ContactRecord m_own;
    std::array<bool, kFieldCount> m_hasOwn{};
    bool m_anyOwn = false;
    std::string m_fullName;
    bool m_hasNames = false;
};

} // namespace qor
