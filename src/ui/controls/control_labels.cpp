#include "control_labels.h"

#include "field_table.h"

#include <QAbstractItemView>
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
    // An editable combo box hands the focus to its edit field, and its list drops down as a
    // control of its own: both carry the box's name.
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->lineEdit())
            combo->lineEdit()->setAccessibleName(name);
        combo->view()->setAccessibleName(name);
    }
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

void nameFormControls(std::span<const DialogControl> controls, std::span<QWidget* const> widgets)
{
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].type == ControlType::Label) {
            // The label-of relation, for a screen reader that reads the label the user sees.
            if (const DialogControl* target = controlPrecededBy(controls[i], controls))
                qobject_cast<QLabel*>(widgets[i])->setBuddy(widgets[static_cast<std::size_t>(target - controls.data())]);
            continue;
        }
        if (!isFormControl(controls[i]))
            continue;
        if (const auto field = fieldForControl(controls[i].id)) {
            const std::string_view name = fieldInfo(*field).spokenName;
            setName(widgets[i], QString::fromUtf8(name.data(), qsizetype(name.size())));
        }
    }
}

} // namespace qor
