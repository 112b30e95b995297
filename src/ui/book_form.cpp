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
// A one-line edit lays out its whole text on every change, which for a text of millions of
// characters (a damaged book) takes minutes. Such a field shows its beginning; the form holds
// the whole text and reads it back as long as the user leaves the field alone, and after an
// edit of the beginning the rest follows it unchanged.
constexpr std::size_t kMaxShownFieldBytes = 64 * 1024;

// How many of a text's bytes its field shows: all, or a beginning that ends between characters.
std::size_t shownBytes(const std::string& text)
{
    if (text.size() <= kMaxShownFieldBytes)
        return text.size();
    std::size_t end = kMaxShownFieldBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end; // not inside a character
    return end;
}

QString shownPart(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(shownBytes(text)));
}
} // namespace

void BookDialog::putInControl(QLineEdit* edit, const std::string& text, const QString& shown)
{
    setTextUnlimited(edit, shown);
    m_shownTexts.insert(edit, shown);
    // Shown from its first character, as a Windows edit control shows a text it is given.
    edit->setCursorPosition(0);
    if (text.size() > kMaxShownFieldBytes)
        m_heldTexts.insert(edit, HeldText{text, shownBytes(text)});
    else
        m_heldTexts.remove(edit);
}

void BookDialog::takeFromControl(QLineEdit* edit, ContactField field)
{
    // setText clears the modified flag; any edit by the user sets it.
    const auto held = m_heldTexts.constFind(edit);
    if (held == m_heldTexts.constEnd()) {
        // The input limits already make a typed, pasted or dropped line end a space; a text put
        // into the control past them (setTextUnlimited) must not end a line of the book either.
        std::string text = edit->text().toStdString();
        flattenLineEnds(text);
        formRecord.setText(columnOf(field), text);
    } else if (!edit->isModified()) {
        formRecord.setText(columnOf(field), held->text); // no copy of a long text that is there
    } else {
        std::string text = edit->text().toStdString() + held->text.substr(held->shownBytes);
        flattenLineEnds(text);
        formRecord.setText(columnOf(field), text);
    }
}

void BookDialog::showForm()
{
    for (ContactField field : exchangeOrder()) {
        const std::string& text = formRecord[field];
        const FieldInfo& info = fieldInfo(field);
        if (info.kind == ControlKind::Edit) {
            putInControl(editFor(field), text, shownPart(text));
            continue;
        }
        QComboBox* combo = comboFor(field);
        const int entry = findComboEntry(comboEntriesInListOrder(info.controlId), text);
        QLineEdit* edit = combo->lineEdit();
        const QValidator* validator = edit->validator();
        edit->setValidator(nullptr);
        // Set the text as well as the index: a typed text leaves the index where it was.
        combo->setCurrentIndex(entry);
        if (entry < 0)
            putInControl(edit, text, shownPart(text));
        else
            putInControl(edit, {}, combo->itemText(entry));
        edit->setValidator(validator);
    }
}

QString BookDialog::fieldName(ContactField field) const
{
    // The field's name as a screen reader says it: "Home street", where the label reads "Street".
    const std::string_view name = fieldInfo(field).spokenName;
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

bool BookDialog::readForm()
{
    for (ContactField field : exchangeOrder()) {
        const bool isEdit = fieldInfo(field).kind == ControlKind::Edit;
        QLineEdit* edit = isEdit ? editFor(field) : comboFor(field)->lineEdit();
        takeFromControl(edit, field);
        if (exceedsFieldLimit(formRecord[field]) && edit->text() != m_shownTexts.value(edit)) {
            m_messages->fieldTooLong(this, fieldName(field));
            QWidget* offending = isEdit ? static_cast<QWidget*>(edit) : comboFor(field);
            offending->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            return false;
        }
    }
    return true;
}

} // namespace qor
