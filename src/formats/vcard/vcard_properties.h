#pragma once

#include "charset_decoder.h"
#include "vcard_property.h"

#include <string>
#include <string_view>

namespace qor {

class ContactBuilder;
class UnplacedAccount;

// Gives each property of a card to the contact builder as what it means: N, FN, ORG, NICKNAME,
// EMAIL, TEL, ADR, LABEL, NOTE, BDAY, the anniversaries, KIND and QOR's own X-QOR- values; every
// other property is counted (see countUnplacedProperty). A value is decoded first
// (quoted-printable, then its CHARSET: see CharsetDecoder), then its escapes are read; a value
// whose charset could not be decoded keeps its bytes and is counted in `undecoded`.
class VCardProperties {
public:
    VCardProperties(ContactBuilder& builder, UnplacedAccount& undecoded, bool fileIsUtf8);
    void take(const VCardProperty& p);

private:
    void names(const VCardProperty& p);
    void organisation(const VCardProperty& p);
    void kind(const VCardProperty& p);
    void phone(const VCardProperty& p, int pref);
    void address(const VCardProperty& p, int pref);
    void own(const VCardProperty& p);
    // The value decoded to UTF-8, its escapes still in it.
    std::string_view raw(const VCardProperty& p);
    // The value as text, its escapes read.
    std::string_view text(const VCardProperty& p);
    std::string withoutOmittedYear(const VCardProperty& p);

    ContactBuilder& m_builder;
    UnplacedAccount& m_undecoded;
    bool m_fileIsUtf8;
    CharsetDecoder m_charsets;
    std::string m_decoded;
    std::string m_unescaped;
};

} // namespace qor
