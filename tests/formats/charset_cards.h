// Cards of one property in a declared charset, as the charset tests build them.
#pragma once

#include "contact_exchange.h"

#include <string>
#include <string_view>

namespace qor::test {

// `bytes` quoted-printable, every byte as =HH (as Android and Outlook write non-ASCII text).
inline std::string quotedPrintable(std::string_view bytes)
{
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += '=';
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

// A vCard 2.1 of the lines given, CR LF.
inline ImportResult importCard(std::initializer_list<std::string> lines)
{
    std::string card = "BEGIN:VCARD\r\nVERSION:2.1\r\n";
    for (const std::string& line : lines)
        card += line + "\r\n";
    return importContacts(card + "END:VCARD\r\n");
}

} // namespace qor::test
