#pragma once

#include "contact_record.h"

#include <array>
#include <optional>
#include <string_view>

namespace qor {

enum class ControlKind : std::uint8_t { None, Edit, Combo };

// One row of the field table: how a field is named in the book file, headed in the list
// and shown in the form.
struct FieldInfo {
    ContactField field;
    std::string_view heading; // the list column's heading, exactly as shown
    std::string_view key;     // the book file's key
    int controlId;            // the form control, 0 for none
    ControlKind kind;
    std::string_view label;   // the label beside the control
};

// The field table in column order.
const std::array<FieldInfo, kFieldCount>& fieldTable();

inline const FieldInfo& fieldInfo(ContactField f) { return fieldTable()[columnOf(f)]; }

// The field whose book file key is exactly `key` (upper case, byte for byte), if any.
std::optional<ContactField> fieldForKey(std::string_view key);

// The field bound to form control `controlId`, if any.
std::optional<ContactField> fieldForControl(int controlId);

} // namespace qor
