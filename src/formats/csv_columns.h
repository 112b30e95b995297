// What the names in a CSV file's header mean to QOR. Columns are matched by their names, never
// by position, so each name is looked up once, before any row is read, and the reader of rows
// works from what it was found to hold.
#pragma once

#include "contact_builder.h"
#include "field_table.h"

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
    EmailValue, AddressType, AddressPart, EventType, EventValue,
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

} // namespace qor::csv
