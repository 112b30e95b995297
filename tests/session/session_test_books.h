#pragma once

#include "contact_store.h"
#include "field_table.h"

#include <string>
#include <vector>

namespace qor::testing {

// A book file holding one record a surname, in file order, every other field empty, as the
// book writer writes it.
inline std::string bookOf(const std::vector<std::string>& surnames)
{
    std::string text;
    for (std::size_t i = 0; i < surnames.size(); ++i) {
        text += i == 0 ? "CREATOR=QOR 1.0\r\n" : "\r\n";
        for (const FieldInfo& info : fieldTable())
            text += std::string(info.key) + "=" + (info.field == ContactField::SURNAME ? surnames[i] : "") + "\r\n";
    }
    return text;
}

inline ContactRecord contact(const std::string& surname)
{
    ContactRecord record;
    record[ContactField::SURNAME] = surname;
    return record;
}

// The list's surnames, row 0 first.
inline std::vector<std::string> surnames(const ContactStore& store)
{
    std::vector<std::string> out;
    for (int row = 0; row < store.rowCount(); ++row)
        out.emplace_back(store.text(row, columnOf(ContactField::SURNAME)));
    return out;
}

} // namespace qor::testing
