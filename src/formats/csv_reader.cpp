#include "csv_reader.h"

#include "contact_builder.h"
#include "csv_text.h"
#include "exchange_text.h"
#include "field_table.h"
#include "huge_pages.h"
#include "text_encoding.h"

#include <algorithm>

#include <array>
#include <map>

namespace qor {

namespace {

using F = ContactField;

enum class Role {
    None,       // a column QOR reads nothing from, counted when it holds a value
    Ignored,    // a column that describes another (a type) or the file, never counted
    Own,        // one of QOR's keys
    Surname, FirstName, FullName, NamePart, Nickname, Email, Note, Birthday, Anniversary,
    Phone,      // `place` says which
    PhoneType,  // Google: the type of phone `group`
    PhoneValue, // Google: the number(s) of phone `group`
    EmailValue, AddressType, AddressPart, EventType, EventValue,
};

enum Part { kStreet, kCity, kState, kZip, kExtra };

struct Column {
    Role role = Role::None;
    F field = F::SURNAME;
    PlaceKind place = PlaceKind::Unknown;
    int group = 0; // Google's "Phone 2 - Value" is group 2; Outlook's home address is group -1
    Part part = kStreet;
    std::string name;
};

struct Named {
    std::string_view name;
    Role role;
    PlaceKind place = PlaceKind::Unknown;
    int group = 0;
    Part part = kStreet;
};

constexpr int kHomeGroup = -1, kWorkGroup = -2, kOtherGroup = -3;
using P = PlaceKind;

// The columns of Outlook's, Google's (both layouts) and Thunderbird's address books that QOR
// reads or knows to skip. Compared without regard to case.
constexpr std::array kNamedColumns{
    Named{"First Name", Role::FirstName}, Named{"Given Name", Role::FirstName},
    Named{"Last Name", Role::Surname}, Named{"Family Name", Role::Surname},
    Named{"Name", Role::FullName}, Named{"Display Name", Role::FullName},
    Named{"Middle Name", Role::NamePart}, Named{"Additional Name", Role::NamePart},
    Named{"Title", Role::NamePart}, Named{"Suffix", Role::NamePart}, Named{"Name Prefix", Role::NamePart},
    Named{"Name Suffix", Role::NamePart},
    Named{"Nickname", Role::Nickname},
    Named{"E-mail Address", Role::Email}, Named{"E-mail 2 Address", Role::Email},
    Named{"E-mail 3 Address", Role::Email}, Named{"Primary Email", Role::Email},
    Named{"Secondary Email", Role::Email}, Named{"Email", Role::Email}, Named{"E-mail", Role::Email},
    Named{"Mobile Phone", Role::Phone, P::Mobile}, Named{"Mobile Number", Role::Phone, P::Mobile},
    Named{"Home Phone", Role::Phone, P::Home}, Named{"Home Phone 2", Role::Phone, P::Home},
    Named{"Business Phone", Role::Phone, P::Work}, Named{"Business Phone 2", Role::Phone, P::Work},
    Named{"Work Phone", Role::Phone, P::Work},
    Named{"Other Phone", Role::Phone, P::Unknown}, Named{"Primary Phone", Role::Phone, P::Unknown},
    Named{"Car Phone", Role::Phone, P::Other}, Named{"Company Main Phone", Role::Phone, P::Other},
    Named{"Business Fax", Role::Phone, P::Other}, Named{"Home Fax", Role::Phone, P::Other},
    Named{"Other Fax", Role::Phone, P::Other}, Named{"Fax Number", Role::Phone, P::Other},
    Named{"Pager", Role::Phone, P::Other}, Named{"Pager Number", Role::Phone, P::Other},
    Named{"Assistant's Phone", Role::Phone, P::Other}, Named{"Callback", Role::Phone, P::Other},
    Named{"ISDN", Role::Phone, P::Other}, Named{"Radio Phone", Role::Phone, P::Other},
    Named{"TTY/TDD Phone", Role::Phone, P::Other}, Named{"Telex", Role::Phone, P::Other},
    Named{"Home Street", Role::AddressPart, P::Home, kHomeGroup, kStreet},
    Named{"Home Address", Role::AddressPart, P::Home, kHomeGroup, kStreet},
    Named{"Home City", Role::AddressPart, P::Home, kHomeGroup, kCity},
    Named{"Home State", Role::AddressPart, P::Home, kHomeGroup, kState},
    Named{"Home Postal Code", Role::AddressPart, P::Home, kHomeGroup, kZip},
    Named{"Home ZipCode", Role::AddressPart, P::Home, kHomeGroup, kZip},
    Named{"Home Street 2", Role::AddressPart, P::Home, kHomeGroup, kExtra},
    Named{"Home Street 3", Role::AddressPart, P::Home, kHomeGroup, kExtra},
    Named{"Home Address 2", Role::AddressPart, P::Home, kHomeGroup, kExtra},
    Named{"Home Address PO Box", Role::AddressPart, P::Home, kHomeGroup, kExtra},
    Named{"Home Country/Region", Role::AddressPart, P::Home, kHomeGroup, kExtra},
    Named{"Home Country", Role::AddressPart, P::Home, kHomeGroup, kExtra},
    Named{"Business Street", Role::AddressPart, P::Work, kWorkGroup, kStreet},
    Named{"Work Address", Role::AddressPart, P::Work, kWorkGroup, kStreet},
    Named{"Business City", Role::AddressPart, P::Work, kWorkGroup, kCity},
    Named{"Work City", Role::AddressPart, P::Work, kWorkGroup, kCity},
    Named{"Business State", Role::AddressPart, P::Work, kWorkGroup, kState},
    Named{"Work State", Role::AddressPart, P::Work, kWorkGroup, kState},
    Named{"Business Postal Code", Role::AddressPart, P::Work, kWorkGroup, kZip},
    Named{"Work ZipCode", Role::AddressPart, P::Work, kWorkGroup, kZip},
    Named{"Business Street 2", Role::AddressPart, P::Work, kWorkGroup, kExtra},
    Named{"Business Street 3", Role::AddressPart, P::Work, kWorkGroup, kExtra},
    Named{"Work Address 2", Role::AddressPart, P::Work, kWorkGroup, kExtra},
    Named{"Business Address PO Box", Role::AddressPart, P::Work, kWorkGroup, kExtra},
    Named{"Business Country/Region", Role::AddressPart, P::Work, kWorkGroup, kExtra},
    Named{"Work Country", Role::AddressPart, P::Work, kWorkGroup, kExtra},
    Named{"Other Street", Role::AddressPart, P::Unknown, kOtherGroup, kStreet},
    Named{"Other City", Role::AddressPart, P::Unknown, kOtherGroup, kCity},
    Named{"Other State", Role::AddressPart, P::Unknown, kOtherGroup, kState},
    Named{"Other Postal Code", Role::AddressPart, P::Unknown, kOtherGroup, kZip},
    Named{"Other Country/Region", Role::AddressPart, P::Unknown, kOtherGroup, kExtra},
    Named{"Birthday", Role::Birthday}, Named{"Anniversary", Role::Anniversary},
    Named{"Notes", Role::Note},
    Named{"E-mail Type", Role::Ignored}, Named{"E-mail Display Name", Role::Ignored},
    Named{"E-mail 2 Type", Role::Ignored}, Named{"E-mail 2 Display Name", Role::Ignored},
    Named{"E-mail 3 Type", Role::Ignored}, Named{"E-mail 3 Display Name", Role::Ignored},
    Named{"Gender", Role::Ignored}, Named{"Priority", Role::Ignored}, Named{"Sensitivity", Role::Ignored},
    Named{"Private", Role::Ignored}, Named{"Group Membership", Role::Ignored}, Named{"Labels", Role::Ignored},
    Named{"Initials", Role::Ignored},
};


std::string_view trimmedName(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Google's numbered columns: "Phone 2 - Value", "Address 1 - City", "E-mail 1 - Label".
bool googleColumn(std::string_view name, Column& column)
{
    const std::size_t dash = name.find(" - ");
    if (dash == std::string_view::npos)
        return false;
    std::string_view head = name.substr(0, dash);
    const std::string_view part = name.substr(dash + 3);
    const std::size_t space = head.rfind(' ');
    if (space == std::string_view::npos)
        return false;
    const std::string_view number = head.substr(space + 1);
    const std::string_view kind = head.substr(0, space);
    int group = 0;
    for (char c : number) {
        if (c < '0' || c > '9' || group > 100000)
            return false;
        group = group * 10 + (c - '0');
    }
    column.group = group;
    const bool isType = equalsIgnoringCase(part, "Type") || equalsIgnoringCase(part, "Label");
    if (equalsIgnoringCase(kind, "Phone")) {
        column.role = isType ? Role::PhoneType : equalsIgnoringCase(part, "Value") ? Role::PhoneValue : Role::None;
    } else if (equalsIgnoringCase(kind, "E-mail")) {
        column.role = isType ? Role::Ignored : equalsIgnoringCase(part, "Value") ? Role::EmailValue : Role::None;
    } else if (equalsIgnoringCase(kind, "Event")) {
        column.role = isType ? Role::EventType : equalsIgnoringCase(part, "Value") ? Role::EventValue : Role::None;
    } else if (equalsIgnoringCase(kind, "Address")) {
        column.role = Role::AddressPart;
        if (isType)
            column.role = Role::AddressType;
        else if (equalsIgnoringCase(part, "Street"))
            column.part = kStreet;
        else if (equalsIgnoringCase(part, "City"))
            column.part = kCity;
        else if (equalsIgnoringCase(part, "Region"))
            column.part = kState;
        else if (equalsIgnoringCase(part, "Postal Code"))
            column.part = kZip;
        else if (equalsIgnoringCase(part, "Formatted"))
            column.role = Role::Ignored; // the same address again, as one text
        else
            column.part = kExtra;
    } else {
        column.role = isType ? Role::Ignored : Role::None;
    }
    return true;
}

Column columnFor(std::string_view rawName)
{
    Column column;
    const std::string_view name = trimmedName(rawName);
    column.name = std::string(name);
    // QOR's own keys, exactly as QOR writes them.
    if (const auto field = fieldForKey(name)) {
        column.role = Role::Own;
        column.field = *field;
        return column;
    }
    for (const Named& named : kNamedColumns)
        if (equalsIgnoringCase(name, named.name)) {
            column.role = named.role;
            column.place = named.place;
            column.group = named.group;
            column.part = named.part;
            return column;
        }
    googleColumn(name, column);
    return column;
}

PlaceKind placeForLabel(std::string_view label)
{
    if (label.starts_with("* "))
        label.remove_prefix(2);
    if (equalsIgnoringCase(label, "Mobile") || equalsIgnoringCase(label, "Cell"))
        return P::Mobile;
    if (equalsIgnoringCase(label, "Home"))
        return P::Home;
    if (equalsIgnoringCase(label, "Work"))
        return P::Work;
    if (label.empty() || equalsIgnoringCase(label, "Other") || equalsIgnoringCase(label, "Main"))
        return P::Unknown;
    return P::Other; // fax, pager...
}

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
    std::array<std::string, 4> parts;
    bool extra = false;
};

class RowReader {
public:
    RowReader(std::vector<Column> columns, UnplacedAccount& account)
        : m_columns(std::move(columns)), m_builder(account)
    {
    }

    void read(std::vector<std::string>& cells, ContactRecord& into)
    {
        std::map<int, std::pair<std::string, std::string>> phones; // group: type, value
        std::map<int, std::pair<std::string, std::string>> events;
        std::map<int, AddressParts> addresses;
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
            switch (c.role) {
            case Role::Own: m_builder.own(c.field, cell); break;
            case Role::Surname: surname = std::move(cell); hasNames = true; break;
            case Role::FirstName: firstName = std::move(cell); hasNames = true; break;
            case Role::FullName: m_builder.fullName(cell); break;
            case Role::NamePart: m_builder.unplaced("name part", "name parts"); break;
            case Role::Nickname: m_builder.nickname(cell); break;
            case Role::Email: m_builder.email(cell); break;
            case Role::EmailValue:
                for (std::string& v : splitValues(cell))
                    m_builder.email(v);
                break;
            case Role::Note: m_builder.note(cell); break;
            case Role::Birthday:
                if (cell != "0/0/00")
                    m_builder.birthday(cell);
                break;
            case Role::Anniversary:
                if (cell != "0/0/00")
                    m_builder.anniversary(cell);
                break;
            case Role::Phone: m_builder.phone(c.place, cell); break;
            case Role::PhoneType: phones[c.group].first = std::move(cell); break;
            case Role::PhoneValue: phones[c.group].second = std::move(cell); break;
            case Role::EventType: events[c.group].first = std::move(cell); break;
            case Role::EventValue: events[c.group].second = std::move(cell); break;
            case Role::AddressType: addresses[c.group].place = placeForLabel(cell); break;
            case Role::AddressPart: {
                AddressParts& a = addresses[c.group];
                if (c.group < 0)
                    a.place = c.place;
                if (c.part == kExtra)
                    a.extra = true;
                else
                    a.parts[c.part] = std::move(cell);
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
        for (auto& [group, phone] : phones)
            for (std::string& v : splitValues(phone.second))
                m_builder.phone(placeForLabel(phone.first), v);
        for (auto& [group, event] : events) {
            if (event.second.empty())
                continue;
            if (equalsIgnoringCase(event.first, "Anniversary") || equalsIgnoringCase(event.first, "* Anniversary"))
                m_builder.anniversary(event.second);
            else
                m_builder.unplaced("other date", "other dates");
        }
        for (auto& [group, a] : addresses) {
            if (a.extra)
                m_builder.unplaced("address part", "address parts");
            m_builder.address(a.place == P::Mobile ? P::Unknown : a.place, a.parts[kStreet], a.parts[kCity],
                              a.parts[kState], a.parts[kZip]);
        }
        m_builder.take(into);
    }

private:
    std::vector<Column> m_columns;
    ContactBuilder m_builder;
};

char separatorOf(std::string_view bytes)
{
    const std::string_view firstLine = bytes.substr(0, bytes.find('\n'));
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
    result.contacts.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
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
