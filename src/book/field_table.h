#pragma once

#include "contact_record.h"

#include <array>
#include <optional>
#include <string_view>

namespace qor {

enum class ControlKind : std::uint8_t { None, Edit, Combo };

// One row of the field table: how a field is named in the book file, headed in the list,
// shown in the form and named to a screen reader.
struct FieldInfo {
    ContactField field;
    std::string_view heading; // the list column's heading, exactly as shown
    std::string_view key;     // the book file's key
    int controlId;            // the form control, 0 for none
    ControlKind kind;
    std::string_view label;   // the label beside the control
    // The control's accessible name, unique in the form and spelled correctly: the labels alone
    // do not tell the controls apart (two "Street" fields, three boxes behind "DOB:", "Home:"
    // both above the address and beside a phone number).
    std::string_view spokenName;
};

// The field table in column order.
const std::array<FieldInfo, kFieldCount>& fieldTable();

inline const FieldInfo& fieldInfo(ContactField f) { return fieldTable()[columnOf(f)]; }

// The field whose book file key is exactly `key` (upper case, byte for byte), if any.
std::optional<ContactField> fieldForKey(std::string_view key);

// The field bound to form control `controlId`, if any.
std::optional<ContactField> fieldForControl(int controlId);

} // namespace qor
