#include "csv_writer.h"

#include "csv_columns.h"
#include "csv_text.h"
#include "exchange_dates.h"
#include "exchange_text.h"
#include "field_table.h"
#include "huge_pages.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace qor {

namespace {

using namespace csv;
using F = ContactField;

// One column of a foreign layout: its header and how a contact fills it.
enum class Cell {
    Field,         // the text of `field`
    Fixed,         // `text`
    FullName,      // the two names only: a stand-in such as the nickname would come back as a name
    IsoDate,       // the date of `field`'s group (DOBDAY or ANDAY): "1980-05-17", "--05-17"
    UsDate,        // "5/17/1980", "5/17/1604" for none
    OutlookNotes,  // the comments, then the nickname and the personal fields past User 4, labelled
};
struct ForeignColumn {
    std::string header;
    Cell cell = Cell::Field;
    F field = F::SURNAME;
    std::string_view text = {};
};

// The date of the group whose day is `day`, as the date rules read it, if they do.
std::optional<ContactDate> dateOf(const ContactRecord& r, F day)
{
    const std::size_t d = columnOf(day);
    return readContactDate(r[d], r[d + 1], r[d + 2]);
}

// Outlook has four columns of the user's own and no nickname: the personal fields past the
// fourth and the nickname go to the notes, a line each (takeLabelledNoteLines reads them back).
std::string outlookNotes(const ContactRecord& r)
{
    std::string notes = r[F::COMMENTS];
    const auto line = [&notes](std::string_view label, const std::string& value) {
        if (value.empty())
            return;
        if (!notes.empty())
            notes += "\r\n";
        notes.append(label).append(": ").append(value);
    };
    line("Nickname", r[F::NICKNAME]);
    for (std::size_t i = kOutlookUserColumns; i < personalFields().size(); ++i)
        line(personalFields()[i].label, r[personalFields()[i].field]);
    return notes;
}

std::string cellOf(const ForeignColumn& column, const ContactRecord& r)
{
    switch (column.cell) {
    case Cell::Field: return r[column.field];
    case Cell::Fixed: return std::string(column.text);
    case Cell::FullName: {
        const std::string& first = r[F::FIRSTNAME];
        const std::string& surname = r[F::SURNAME];
        return first.empty() || surname.empty() ? first + surname : first + ' ' + surname;
    }
    case Cell::IsoDate: {
        const auto date = dateOf(r, column.field);
        return date ? isoDateOf(*date) : std::string();
    }
    case Cell::UsDate: {
        const auto date = dateOf(r, column.field);
        return date ? usDateOf(*date) : std::string();
    }
    case Cell::OutlookNotes: return outlookNotes(r);
    }
    return {};
}

ForeignColumn field(std::string header, F f) { return {std::move(header), Cell::Field, f}; }
ForeignColumn fixed(std::string header, std::string_view text) { return {std::move(header), Cell::Fixed, F::SURNAME, text}; }

// Google's columns (its older layout, which its importer still reads), with the personal
// fields as its custom fields, labelled, so that a round trip through Google keeps them.
const std::vector<ForeignColumn>& googleColumns()
{
    static const std::vector<ForeignColumn> columns = [] {
        std::vector<ForeignColumn> c{
            {"Name", Cell::FullName},
            field("Given Name", F::FIRSTNAME),
            field("Family Name", F::SURNAME),
            field("Nickname", F::NICKNAME),
            {"Birthday", Cell::IsoDate, F::DOBDAY},
            field("Notes", F::COMMENTS),
            fixed("E-mail 1 - Type", "Other"),
            field("E-mail 1 - Value", F::EMAIL),
            fixed("Phone 1 - Type", "Mobile"),
            field("Phone 1 - Value", F::MOBILE),
            fixed("Phone 2 - Type", "Home"),
            field("Phone 2 - Value", F::TEL),
            fixed("Phone 3 - Type", "Work"),
            field("Phone 3 - Value", F::WORKTEL),
            fixed("Address 1 - Type", "Home"),
            field("Address 1 - Street", F::HOMESTREET),
            field("Address 1 - City", F::HOMECITY),
            field("Address 1 - Region", F::HOMESTATE),
            field("Address 1 - Postal Code", F::HOMEZIP),
            fixed("Address 2 - Type", "Work"),
            field("Address 2 - Street", F::WORKSTREET),
            field("Address 2 - City", F::WORKCITY),
            field("Address 2 - Region", F::WORKSTATE),
            field("Address 2 - Postal Code", F::WORKZIP),
            fixed("Event 1 - Type", "Anniversary"),
            {"Event 1 - Value", Cell::IsoDate, F::ANDAY},
        };
        std::size_t n = 0;
        for (const PersonalField& p : personalFields()) {
            const std::string head = "Custom Field " + std::to_string(++n);
            c.push_back(fixed(head + " - Type", p.label));
            c.push_back(field(head + " - Value", p.field));
        }
        return c;
    }();
    return columns;
}

// Columns of Outlook's own export, in its order, and no others (its importer maps its own
// names by itself): the first four personal fields in User 1 to User 4, the rest in Notes.
const std::vector<ForeignColumn>& outlookColumns()
{
    static const std::vector<ForeignColumn> columns = [] {
        std::vector<ForeignColumn> c{
            field("First Name", F::FIRSTNAME),
            field("Last Name", F::SURNAME),
            field("Business Street", F::WORKSTREET),
            field("Business City", F::WORKCITY),
            field("Business State", F::WORKSTATE),
            field("Business Postal Code", F::WORKZIP),
            field("Home Street", F::HOMESTREET),
            field("Home City", F::HOMECITY),
            field("Home State", F::HOMESTATE),
            field("Home Postal Code", F::HOMEZIP),
            field("Business Phone", F::WORKTEL),
            field("Home Phone", F::TEL),
            field("Mobile Phone", F::MOBILE),
            {"Anniversary", Cell::UsDate, F::ANDAY},
            {"Birthday", Cell::UsDate, F::DOBDAY},
            field("E-mail Address", F::EMAIL),
            {"Notes", Cell::OutlookNotes},
        };
        for (std::size_t i = 0; i < kOutlookUserColumns; ++i)
            c.push_back(field("User " + std::to_string(i + 1), personalFields()[i].field));
        return c;
    }();
    return columns;
}

// Room for the longest the file can be, reserved once (see writeVCards): quoting at most
// doubles a text and adds its two quotes and a separator.
// A foreign row adds its fixed texts (types, labels), its separators and its labelled notes:
// `frame` a row. Memory reserved and never written is never touched.
std::size_t sizeAtMost(const ContactRows& rows, std::size_t frame = 0)
{
    constexpr std::size_t kHeader = 2048;
    return kHeader + rows.count * (frame + kFieldCount * 4) + textBytesOf(rows) * 2;
}

std::string writeForeign(const ContactRows& rows, const std::vector<ForeignColumn>& columns)
{
    constexpr std::size_t kForeignRowFrame = 512;
    const std::size_t N = columns.size();
    std::string out(kUtf8ByteOrderMark);
    out.reserve(sizeAtMost(rows, kForeignRowFrame));
    adviseHugePages(out.data(), out.capacity());
    for (std::size_t c = 0; c < N; ++c) {
        if (c > 0)
            out += ',';
        appendCsvField(out, columns[c].header);
    }
    out += "\r\n";
    for (std::size_t i = 0; i < rows.count; ++i) {
        const ContactRecord& r = rows.row(i);
        // A type column only when its value is there, so that an empty phone is not typed.
        bool typedValue = true;
        for (std::size_t c = 0; c < N; ++c) {
            if (c > 0)
                out += ',';
            const bool isType = columns[c].header.ends_with(" - Type");
            if (isType && c + 1 < N)
                typedValue = !cellOf(columns[c + 1], r).empty();
            if (!isType || typedValue)
                appendDefusedCsvField(out, cellOf(columns[c], r));
        }
        out += "\r\n";
    }
    return out;
}

std::string writeQor(const ContactRows& rows)
{
    std::string out;
    out.reserve(sizeAtMost(rows));
    adviseHugePages(out.data(), out.capacity());
    const auto& fields = fieldTable();
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        if (c > 0)
            out += ',';
        out += fields[c].key;
    }
    out += "\r\n";
    for (std::size_t i = 0; i < rows.count; ++i) {
        const ContactRecord& r = rows.row(i);
        for (std::size_t c = 0; c < kFieldCount; ++c) {
            if (c > 0)
                out += ',';
            appendDefusedCsvField(out, r[c]);
        }
        out += "\r\n";
    }
    return out;
}

} // namespace

std::string writeCsvContacts(const ContactRows& rows, CsvLayout layout)
{
    switch (layout) {
    case CsvLayout::Google: return writeForeign(rows, googleColumns());
    case CsvLayout::Outlook: return writeForeign(rows, outlookColumns());
    case CsvLayout::Qor: break;
    }
    return writeQor(rows);
}

} // namespace qor
