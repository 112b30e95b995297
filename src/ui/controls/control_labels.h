#pragma once

#include "dialog_template.h"

#include <span>

class QWidget;

namespace qor {

// The control that label `label` precedes in a template: the nearest edit field or combo box
// to its right on the same line, or null (a heading, such as "Home:" above the address).
const DialogControl* controlPrecededBy(const DialogControl& label, std::span<const DialogControl> controls);

// Names every edit field and combo box of a template for screen readers: its field's spoken
// name (FieldInfo::spokenName), which tells apart controls whose labels read alike. The label
// the user sees beside a control becomes its buddy, so the label-of relation is there too; a
// heading such as "Home:" above the address is nobody's buddy.
// `widgets` are the template's controls and labels, in template order.
void nameFormControls(std::span<const DialogControl> controls, std::span<QWidget* const> widgets);

} // namespace qor
