// Reading a CSV file of contacts, row by row, from the columns its header names: the values of
// one contact may be spread over several columns (Google's numbered phones and addresses), so a
// row is gathered whole before its contact is built.
#include "csv_reader.h"

#include "contact_builder.h"
#include "csv_columns.h"
#include "csv_text.h"
#include "exchange_text.h"
#include "huge_pages.h"
#include "text_encoding.h"

#include <algorithm>

#include <array>

namespace qor {

namespace {

using namespace csv;
using P = PlaceKind;

// Google puts several values of one kind in one cell, separated by " ::: ".
std::vector<std::string> splitValues(const std::string& cell)
{
    std::vector<std::string> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t sep = cell.find(" ::: ", start);
        values.push_back(cell.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
        if (sep == std::string::npos)
            return values;
        start = sep + 5;
    }
}

struct AddressParts {
    PlaceKind place = P::Unknown;
    int pref = kNotPreferred;
    std::array<std::string, 4> parts;
    bool extra = false;
};

using Typed = std::pair<std::string, std::string>; // a type (or label) and a value

void reset(Typed& t)
{
    t.first.clear();
    t.second.clear();
}

void reset(AddressParts& a)
{
    a.place = P::Unknown;
    a.pref = kNotPreferred;
    for (std::string& part : a.parts)
        part.clear();
    a.extra = false;
}

// The values of Google's numbered columns (and Outlook's addresses), by group, in the order
// their columns come. Kept from row to row and found by a walk (a row has a few groups): a map
// of them made for each row cost more than reading the row.
template <typename T>
class Groups {
public:
    T& operator[](int group)
    {
        for (std::size_t i = 0; i < m_count; ++i)
            if (m_items[i].first == group)
                return m_items[i].second;
        if (m_count == m_items.size())
            m_items.emplace_back();
        std::pair<int, T>& item = m_items[m_count++];
        item.first = group;
        reset(item.second);
        return item.second;
    }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.begin() + static_cast<std::ptrdiff_t>(m_count); }
    void clear() { m_count = 0; }

private:
    std::vector<std::pair<int, T>> m_items;
    std::size_t m_count = 0;
};

class RowReader {
public:
    RowReader(std::vector<Column> columns, UnplacedAccount& account)
        : m_columns(std::move(columns)), m_builder(account)
    {
    }

    void read(std::vector<std::string>& cells, ContactRecord& into)
    {
        // Google's numbered columns, by group: a type (or label) and a value.
        for (Groups<Typed>* groups : {&m_phones, &m_emails, &m_events, &m_customs})
            groups->clear();
        m_addresses.clear();
        Groups<Typed>& phones = m_phones;
        Groups<Typed>& emails = m_emails;
        Groups<Typed>& events = m_events;
        Groups<Typed>& customs = m_customs;
        Groups<AddressParts>& addresses = m_addresses;
        std::string surname, firstName;
        bool hasNames = false;
        const std::size_t n = std::min(cells.size(), m_columns.size());
        for (std::size_t i = n; i < cells.size(); ++i)
            if (!cells[i].empty())
                m_builder.unplaced("value in a column with no name", "values in columns with no name");
        for (std::size_t i = 0; i < n; ++i) {
            std::string& cell = cells[i];
            const Column& c = m_columns[i];
            if (cell.empty() || c.role == Role::Ignored)
                continue;
            restoreDefusedCsvValue(cell);
            switch (c.role) {
            case Role::Own: m_builder.own(c.field, cell); break;
            case Role::Surname: surname = std::move(cell); hasNames = true; break;
            case Role::FirstName: firstName = std::move(cell); hasNames = true; break;
            case Role::FullName: m_builder.fullName(cell); break;
            case Role::NamePart: m_builder.unplaced("name part", "name parts"); break;
            case Role::Nickname: m_builder.nickname(cell); break;
            case Role::Organisation: m_builder.organisation(cell); break;
            case Role::Email: m_builder.email(cell); break;
            case Role::EmailType: emails[c.group].first.swap(cell); break;
            case Role::EmailValue: emails[c.group].second.swap(cell); break;
            case Role::Note:
                m_builder.note(takeLabelledNoteLines(cell, [this](ContactField f, std::string_view value) {
                    if (f == ContactField::NICKNAME)
                        m_builder.nickname(value);
                    else
                        m_builder.own(f, value);
                }));
                break;
            case Role::User: m_builder.own(c.field, cell); break;
            case Role::Birthday:
                if (cell != "0/0/00")
                    m_builder.birthday(cell);
                break;
            case Role::Anniversary:
                if (cell != "0/0/00")
                    m_builder.anniversary(cell);
                break;
            case Role::Phone: m_builder.phone(c.place, cell); break;
            case Role::PhoneType: phones[c.group].first.swap(cell); break;
            case Role::PhoneValue: phones[c.group].second.swap(cell); break;
            case Role::EventType: events[c.group].first.swap(cell); break;
            case Role::EventValue: events[c.group].second.swap(cell); break;
            case Role::CustomType: customs[c.group].first.swap(cell); break;
            case Role::CustomValue: customs[c.group].second.swap(cell); break;
            case Role::AddressType: {
                AddressParts& a = addresses[c.group];
                a.place = placeForLabel(cell);
                a.pref = isPreferredLabel(cell) ? 1 : kNotPreferred;
                break;
            }
            case Role::AddressPart: {
                AddressParts& a = addresses[c.group];
                if (c.group < 0)
                    a.place = c.place;
                if (c.part == kExtra)
                    a.extra = true;
                else
                    a.parts[c.part].swap(cell);
                break;
            }
            case Role::None:
                m_builder.unplaced("value in column \"" + c.name + "\"", "values in column \"" + c.name + "\"");
                break;
            case Role::Ignored: break;
            }
        }
        if (hasNames)
            m_builder.names(surname, firstName);
        // "* Home": the first value of the cell is the preferred one.
        for (auto& [group, email] : emails) {
            int pref = isPreferredLabel(email.first) ? 1 : kNotPreferred;
            for (std::string& v : splitValues(email.second)) {
                m_builder.email(v, pref);
                pref = kNotPreferred;
            }
        }
        for (auto& [group, phone] : phones) {
            int pref = isPreferredLabel(phone.first) ? 1 : kNotPreferred;
            for (std::string& v : splitValues(phone.second)) {
                m_builder.phone(placeForLabel(phone.first), v, pref);
                pref = kNotPreferred;
            }
        }
        for (auto& [group, event] : events) {
            if (event.second.empty())
                continue;
            if (equalsIgnoringCase(event.first, "Anniversary") || equalsIgnoringCase(event.first, "* Anniversary"))
                m_builder.anniversary(event.second);
            else
                m_builder.unplaced("other date", "other dates");
        }
        for (auto& [group, custom] : customs) {
            if (custom.second.empty())
                continue;
            if (const auto field = personalFieldLabelled(custom.first))
                m_builder.own(*field, custom.second);
            else
                m_builder.unplaced("custom field", "custom fields");
        }
        for (auto& [group, a] : addresses) {
            if (a.extra)
                m_builder.unplaced("address part", "address parts");
            m_builder.address(a.place, a.parts[kStreet], a.parts[kCity], a.parts[kState], a.parts[kZip], a.pref);
        }
        m_builder.take(into);
    }

private:
    std::vector<Column> m_columns;
    ContactBuilder m_builder;
    Groups<Typed> m_phones, m_emails, m_events, m_customs;
    Groups<AddressParts> m_addresses;
};

char separatorOf(std::string_view bytes)
{
    const std::string_view firstLine = bytes.substr(0, bytes.find_first_of("\r\n"));
    return firstLine.find(',') == std::string_view::npos && firstLine.find(';') != std::string_view::npos ? ';' : ',';
}

std::vector<Column> headerColumns(std::string_view bytes, bool& known)
{
    CsvRecords records(bytes, separatorOf(bytes));
    std::vector<std::string> header;
    std::vector<Column> columns;
    known = false;
    if (!records.next(header))
        return columns;
    for (const std::string& name : header) {
        columns.push_back(columnFor(name));
        known = known || columns.back().role != Role::None;
    }
    return columns;
}

} // namespace

bool looksLikeContactCsv(std::string_view bytes)
{
    bool known = false;
    headerColumns(withoutByteOrderMark(bytes), known);
    return known;
}

ImportResult readCsvContacts(std::string_view bytes)
{
    bytes = withoutByteOrderMark(bytes);
    if (const std::size_t at = firstBinaryByte(bytes); at != std::string_view::npos)
        return ImportResult::failure(lineAt(bytes, at), "binary data, not a CSV file");
    // A file from a spreadsheet that saved in the system's code page rather than UTF-8.
    std::string decoded;
    if (!isValidUtf8(bytes)) {
        decoded = windows1252ToUtf8(bytes);
        bytes = decoded;
    }
    CsvRecords records(bytes, separatorOf(bytes));
    std::vector<std::string> cells;
    if (!records.next(cells))
        return ImportResult::failure(records.error().empty() ? 1 : records.errorLine(),
                                     records.error().empty() ? "the file is empty" : records.error());
    std::vector<Column> columns;
    bool known = false;
    for (const std::string& name : cells) {
        columns.push_back(columnFor(name));
        known = known || columns.back().role != Role::None;
    }
    if (!known)
        return ImportResult::failure(1, "the header names no column QOR reads (such as SURNAME, "
                                        "First Name or Given Name)");
    ImportResult result;
    // Room for a contact per line, up front: growing a vector of a hundred thousand records
    // moves them again and again through fresh memory, which costs more than reading them.
    // A file of CR line ends (old Macintosh) holds no LF: its CRs are counted instead.
    auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    if (lines == 0)
        lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r'));
    result.contacts.reserve(lines + 1);
    adviseHugePages(result.contacts.data(), result.contacts.capacity() * sizeof(ContactRecord));
    RowReader rows(std::move(columns), result.unplaced);
    while (records.next(cells)) {
        if (cells.size() == 1 && cells[0].empty())
            continue; // a blank line
        rows.read(cells, result.contacts.emplace_back());
    }
    if (!records.error().empty())
        return ImportResult::failure(records.errorLine(), records.error());
    result.ok = true;
    return result;
}

} // namespace qor
