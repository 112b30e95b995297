#pragma once

#include "book_session.h"
#include "field_table.h"
#include "temp_folder.h"

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

// A contact named `surname`; with `rest`, every other field holds `rest` and its column number.
inline ContactRecord contact(const std::string& surname, const std::string& rest = {})
{
    ContactRecord record;
    record[ContactField::SURNAME] = surname;
    for (std::size_t c = 1; c < kFieldCount && !rest.empty(); ++c)
        record[c] = rest + std::to_string(c);
    return record;
}

// A session on a book in a fresh folder, opened: the book holds `bytes`, or is missing.
struct OpenBook {
    explicit OpenBook(const std::string* bytes)
    {
        if (bytes)
            writeFile(path, *bytes);
        report = session.load();
    }
    TempFolder folder{"qor-session-"};
    std::filesystem::path path = folder.path() / "qor.qor";
    BookSession session{path};
    LoadReport report;
};

// The list's surnames, row 0 first.
inline std::vector<std::string> surnames(const ContactStore& store)
{
    std::vector<std::string> out;
    for (int row = 0; row < store.rowCount(); ++row)
        out.emplace_back(store.text(row, columnOf(ContactField::SURNAME)));
    return out;
}

// Every row of the list, top to bottom.
inline std::vector<ContactRecord> rowsOf(const ContactStore& store)
{
    std::vector<ContactRecord> rows(static_cast<std::size_t>(store.rowCount()));
    for (int row = 0; row < store.rowCount(); ++row)
        store.copyRecord(row, rows[static_cast<std::size_t>(row)]);
    return rows;
}

} // namespace qor::testing
