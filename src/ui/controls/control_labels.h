#pragma once

#include "dialog_template.h"

#include <span>

class QWidget;

namespace qor {

// The control that label `label` precedes in a template: the nearest edit field or combo box
// to its right on the same line, or null (a heading, such as "Home:" above the address).
const DialogControl* controlPrecededBy(const DialogControl& label, std::span<const DialogControl> controls);

// Gives every edit field and combo box of a template its label's text as accessible name,
// so that a screen reader announces each field by the label the user sees beside it. A label
// becomes the buddy of the control it precedes; a control with no label of its own before it
// (the month and year boxes of a date) is named after the label of its row. A combo box's
// edit field, which takes the focus, carries the name too.
// `widgets` are the template's controls and labels, in template order.
void nameControlsByTheirLabels(std::span<const DialogControl> controls, std::span<QWidget* const> widgets);

} // namespace qor
