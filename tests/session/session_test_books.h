#pragma once

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

} // namespace qor::testing
