// The header names of the address books QOR imports from (Outlook's, Google's, Thunderbird's),
// kept apart from the reading of rows: they are knowledge of other programs, which grows as
// those programs change what they export.
#include "csv_columns.h"

#include "exchange_text.h"

#include <array>

namespace qor::csv {

namespace {

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
    Named{"Company", Role::Organisation}, Named{"Organization Name", Role::Organisation},
    Named{"Birthday", Role::Birthday}, Named{"Anniversary", Role::Anniversary},
    Named{"Notes", Role::Note},
    Named{"E-mail Type", Role::Ignored}, Named{"E-mail Display Name", Role::Ignored},
    Named{"E-mail 2 Type", Role::Ignored}, Named{"E-mail 2 Display Name", Role::Ignored},
    Named{"E-mail 3 Type", Role::Ignored}, Named{"E-mail 3 Display Name", Role::Ignored},
    Named{"Gender", Role::Ignored}, Named{"Priority", Role::Ignored}, Named{"Sensitivity", Role::Ignored},
    Named{"Private", Role::Ignored}, Named{"Group Membership", Role::Ignored}, Named{"Labels", Role::Ignored},
    Named{"Initials", Role::Ignored}, Named{"File As", Role::Ignored},
    Named{"User 1", Role::User}, Named{"User 2", Role::User}, Named{"User 3", Role::User}, Named{"User 4", Role::User},
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
        column.role = isType ? Role::EmailType : equalsIgnoringCase(part, "Value") ? Role::EmailValue : Role::None;
    } else if (equalsIgnoringCase(kind, "Custom Field")) {
        column.role = isType ? Role::CustomType : equalsIgnoringCase(part, "Value") ? Role::CustomValue : Role::None;
    } else if (equalsIgnoringCase(kind, "Organization") && equalsIgnoringCase(part, "Name")) {
        column.role = Role::Organisation;
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

constexpr std::array<PersonalField, 12> kPersonalFields{{
    {ContactField::OVERALL, "Overall"},
    {ContactField::LIKES, "Likes"},
    {ContactField::DISLIKES, "Dislikes"},
    {ContactField::RATING, "Rating"},
    {ContactField::BESTFEATURE, "Best feature"},
    {ContactField::EYES, "Eyes"},
    {ContactField::HAIR, "Hair"},
    {ContactField::HEIGHT, "Height"},
    {ContactField::BODY, "Body"},
    {ContactField::LOOKS, "Looks"},
    {ContactField::PERSONALITY, "Personality"},
    {ContactField::INBED, "In bed"},
}};

bool containsIgnoringCase(std::string_view s, std::string_view part)
{
    for (std::size_t i = 0; i + part.size() <= s.size(); ++i)
        if (equalsIgnoringCase(s.substr(i, part.size()), part))
            return true;
    return false;
}

} // namespace

const std::array<PersonalField, 12>& personalFields() { return kPersonalFields; }

std::optional<ContactField> personalFieldLabelled(std::string_view label)
{
    label = trimmedName(label);
    for (const PersonalField& p : kPersonalFields) {
        std::string_view formLabel = fieldInfo(p.field).label;
        if (formLabel.ends_with(':'))
            formLabel.remove_suffix(1);
        if (equalsIgnoringCase(label, p.label) || equalsIgnoringCase(label, fieldInfo(p.field).key)
            || (!formLabel.empty() && equalsIgnoringCase(label, formLabel)))
            return p.field;
    }
    return std::nullopt;
}

std::string_view takeLabelledNoteLines(std::string_view notes,
                                       const std::function<void(ContactField, std::string_view)>& take)
{
    for (;;) {
        std::size_t lineEnd = notes.size();
        while (lineEnd > 0 && notes[lineEnd - 1] != '\r' && notes[lineEnd - 1] != '\n')
            --lineEnd;
        if (lineEnd-- == 0)
            return notes; // one line: the comments alone
        const std::string_view line = notes.substr(lineEnd + 1);
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos)
            return notes;
        const std::string_view label = line.substr(0, colon);
        std::optional<ContactField> field = personalFieldLabelled(label);
        if (!field && equalsIgnoringCase(label, "Nickname"))
            field = ContactField::NICKNAME;
        if (!field)
            return notes;
        take(*field, line.substr(colon + 2));
        notes = notes.substr(0, lineEnd);
        while (!notes.empty() && (notes.back() == '\r' || notes.back() == '\n'))
            notes.remove_suffix(1);
    }
}

PlaceKind placeForLabel(std::string_view label)
{
    if (isPreferredLabel(label))
        label.remove_prefix(2);
    if (equalsIgnoringCase(label, "Mobile") || equalsIgnoringCase(label, "Cell"))
        return P::Mobile;
    if (equalsIgnoringCase(label, "Home"))
        return P::Home;
    if (equalsIgnoringCase(label, "Work"))
        return P::Work;
    if (containsIgnoringCase(label, "fax") || containsIgnoringCase(label, "pager"))
        return P::Other;
    return P::Unknown; // "Other", "Main", "Google Voice", a label of the user's own
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
            if (named.role == Role::User)
                column.field = kPersonalFields[static_cast<std::size_t>(name.back() - '1')].field;
            column.place = named.place;
            column.group = named.group;
            column.part = named.part;
            return column;
        }
    googleColumn(name, column);
    return column;
}

} // namespace qor::csv
