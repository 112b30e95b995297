// The form's exchange with `formRecord`: showForm puts the record into the controls, readForm
// takes the controls' texts back, in exchange order, stopping at a field over the limit.
#include "book_dialog.h"

#include "combo_entries.h"
#include "field_table.h"
#include "form_rules.h"
#include "input_limits.h"
#include "user_messages.h"

#include <QComboBox>
#include <QLineEdit>

namespace qor {

namespace {
QString toQString(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

void BookDialog::showForm()
{
    for (ContactField field : exchangeOrder()) {
        const std::string& text = formRecord[field];
        const FieldInfo& info = fieldInfo(field);
        if (info.kind == ControlKind::Edit) {
            setTextUnlimited(editFor(field), toQString(text));
            continue;
        }
        QComboBox* combo = comboFor(field);
        const int entry = findComboEntry(comboEntriesInListOrder(info.controlId), text);
        QLineEdit* edit = combo->lineEdit();
        const QValidator* validator = edit->validator();
        edit->setValidator(nullptr);
        // Set the text as well as the index: a typed text leaves the index where it was.
        combo->setCurrentIndex(entry);
        combo->setEditText(entry < 0 ? toQString(text) : combo->itemText(entry));
        edit->setValidator(validator);
    }
}

bool BookDialog::readForm()
{
    for (ContactField field : exchangeOrder()) {
        const bool isEdit = fieldInfo(field).kind == ControlKind::Edit;
        QLineEdit* edit = isEdit ? editFor(field) : comboFor(field)->lineEdit();
        formRecord[field] = edit->text().toStdString();
        if (exceedsFieldLimit(formRecord[field])) {
            m_messages->fieldTooLong(this);
            QWidget* offending = isEdit ? static_cast<QWidget*>(edit) : comboFor(field);
            offending->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            return false;
        }
    }
    return true;
}

} // namespace qor
