// Cards as the import tests build them: of the lines given, of one property in a declared
// charset.
#pragma once

#include "contact_exchange.h"

#include <gtest/gtest.h>

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

// A vCard of `version` of the lines given, CR LF.
inline std::string card(std::string_view version, std::initializer_list<std::string> lines)
{
    std::string text = "BEGIN:VCARD\r\nVERSION:" + std::string(version) + "\r\n";
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text + "END:VCARD\r\n";
}

// A vCard 2.1 of the lines given, imported.
inline ImportResult importCard(std::initializer_list<std::string> lines)
{
    return importContacts(card("2.1", lines));
}

// `bytes` imported, which must not fail.
inline ImportResult importOk(const std::string& bytes)
{
    ImportResult r = importContacts(bytes);
    EXPECT_TRUE(r.ok) << "line " << r.errorLine << ": " << r.error;
    return r;
}

} // namespace qor::test
