#include "control_labels.h"

#include "field_table.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace qor {

namespace {
bool isFormControl(const DialogControl& c)
{
    return c.type == ControlType::Edit || c.type == ControlType::Combo || c.type == ControlType::SortedCombo;
}

bool onSameLine(const DialogControl& a, const DialogControl& b)
{
    return a.y < b.y + b.height && b.y < a.y + a.height;
}

void setName(QWidget* widget, const QString& name)
{
    widget->setAccessibleName(name);
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(name);
}
} // namespace

const DialogControl* controlPrecededBy(const DialogControl& label, std::span<const DialogControl> controls)
{
    const DialogControl* nearest = nullptr;
    for (const DialogControl& c : controls) {
        // A combo box's template height is its dropped height; on the line it is one row high.
        DialogControl closed = c;
        if (c.type != ControlType::Edit)
            closed.height = kClosedComboHeight;
        if (isFormControl(c) && c.x > label.x && onSameLine(label, closed)
            && (!nearest || c.x < nearest->x))
            nearest = &c;
    }
    return nearest;
}

void nameControlsByTheirLabels(std::span<const DialogControl> controls, std::span<QWidget* const> widgets)
{
    std::vector<bool> named(controls.size(), false);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].type != ControlType::Label)
            continue;
        const DialogControl* target = controlPrecededBy(controls[i], controls);
        if (!target)
            continue;
        const auto t = static_cast<std::size_t>(target - controls.data());
        auto* label = qobject_cast<QLabel*>(widgets[i]);
        // The buddy gives the control its name and screen readers the label-of relation; a
        // combo box's edit field is not the buddy, so it is named as well.
        label->setBuddy(widgets[t]);
        if (auto* combo = qobject_cast<QComboBox*>(widgets[t]))
            combo->lineEdit()->setAccessibleName(label->text());
        named[t] = true;
    }
    // The other controls of a row (a date's month and year) take the label of their field.
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (!isFormControl(controls[i]) || named[i])
            continue;
        if (const auto field = fieldForControl(controls[i].id)) {
            const std::string_view label = fieldInfo(*field).label;
            setName(widgets[i], QString::fromUtf8(label.data(), qsizetype(label.size())));
        }
    }
}

} // namespace qor
