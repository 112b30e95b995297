// What the names in a CSV file's header mean to QOR. Columns are matched by their names, never
// by position, so each name is looked up once, before any row is read, and the reader of rows
// works from what it was found to hold.
#pragma once

#include "contact_builder.h"
#include "field_table.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qor::csv {

enum class Role {
    None,       // a column QOR reads nothing from, counted when it holds a value
    Ignored,    // a column that describes another (a type) or the file, never counted
    Own,        // one of QOR's keys
    Surname, FirstName, FullName, NamePart, Nickname, Email, Note, Birthday, Anniversary,
    Phone,      // `place` says which
    PhoneType,  // Google: the type of phone `group`
    PhoneValue, // Google: the number(s) of phone `group`
    EmailType,  // Google: the type of e-mail `group` ("* Home": the preferred one)
    EmailValue, AddressType, AddressPart, EventType, EventValue,
    Organisation, // a company's name: the surname of a row that names no one else
    CustomType, CustomValue, // Google's "Custom Field N - Type" and "- Value"
    User,       // Outlook's "User 1" to "User 4": the personal field `field`
};

enum Part { kStreet, kCity, kState, kZip, kExtra };

struct Column {
    Role role = Role::None;
    ContactField field = ContactField::SURNAME;
    PlaceKind place = PlaceKind::Unknown;
    int group = 0; // Google's "Phone 2 - Value" is group 2; Outlook's home address is group -1
    Part part = kStreet;
    std::string name;
};

// What the header name `rawName` (white space around it aside) says its column holds.
Column columnFor(std::string_view rawName);

// Where a label of Google's says a value goes ("* Home" is the preferred home value; "Other",
// "Main", a label of the user's own: untyped; fax and pager numbers: Other).
PlaceKind placeForLabel(std::string_view label);
// Whether a label bears Google's mark of the preferred value ("* ").
inline bool isPreferredLabel(std::string_view label) { return label.starts_with("* "); }

// The twelve personal fields QOR has and address books have not, in the order the foreign
// layouts carry them (Google's custom fields, Outlook's User 1 to 4 and notes), with the label
// they go by there.
struct PersonalField {
    ContactField field;
    std::string_view label;
};
const std::array<PersonalField, 12>& personalFields();
// Outlook's columns of the user's own ("User 1" to "User 4") hold the first personal fields.
inline constexpr std::size_t kOutlookUserColumns = 4;

// Splits off the end of a notes cell the lines "Label: value" whose label names the nickname or a
// personal field (as QOR's Outlook export writes them after the comments), giving each to
// `take(field, value)`; returns the notes before them.
std::string_view takeLabelledNoteLines(std::string_view notes,
                                       const std::function<void(ContactField, std::string_view)>& take);

// The personal field a custom field's label names: its label above, its book key or its label
// in the form, in any case.
std::optional<ContactField> personalFieldLabelled(std::string_view label);

} // namespace qor::csv
