// The window's commands and its message table. Every command reads the form, does its work
// and shows the form again.
#include "book_dialog.h"

#include "contact_filter.h"
#include "contact_list_view.h"
#include "control_ids.h"
#include "contact_table.h"
#include "help_page.h"
#include "user_messages.h"

#include <QPushButton>

namespace qor {

namespace {

// The window's message table: which control runs which command.
struct CommandEntry {
    int controlId;
    void (BookDialog::*handler)();
};

constexpr CommandEntry kButtonCommands[] = {
    {kAddButton, &BookDialog::add},
    {kUpdateButton, &BookDialog::update},
    {kDeleteButton, &BookDialog::remove},
    {kSaveButton, &BookDialog::save},
    {kClearButton, &BookDialog::clearForm},
    {kHelpButton, &BookDialog::openHelpPage},
    {kOkButton, &BookDialog::accept},
};

} // namespace

void BookDialog::wireCommands()
{
    for (const CommandEntry& entry : kButtonCommands) {
        auto* button = qobject_cast<QPushButton*>(control(entry.controlId));
        connect(button, &QPushButton::clicked, this, [this, handler = entry.handler] { (this->*handler)(); });
    }
    connect(m_list, &ContactListView::clicked, this, &BookDialog::listClicked);
    connect(m_list, &ContactListView::markedByKey, this, &BookDialog::listClicked);
    connect(m_list, &ContactListView::entered, this, &BookDialog::listEntered);
}

void BookDialog::insertColumns()
{
    // The table's 34 columns and their headings come with the model; size them.
    autosizeColumns();
}

void BookDialog::autosizeColumns()
{
    m_list->autosizeColumns();
}

void BookDialog::addContact()
{
    readForm();
    m_session->add();
    autosizeColumns();
}

void BookDialog::showContact(int row)
{
    // A row that does not exist (no mark yet) leaves the form record as it was.
    m_session->showRow(row);
}

void BookDialog::updateContact()
{
    readForm();
    m_session->update();
    autosizeColumns();
}

void BookDialog::deleteContact()
{
    readForm();
    m_session->remove();
    showForm();
}

void BookDialog::add()
{
    readForm();
    addContact();
    showForm();
}

void BookDialog::update()
{
    readForm();
    if (markedRowIsHidden())
        return;
    updateContact();
    showForm();
}

void BookDialog::remove()
{
    readForm();
    if (markedRowIsHidden())
        return;
    deleteContact();
    showForm();
}

bool BookDialog::markedRowIsHidden()
{
    // Update and Delete act on the marked row only when the user can see it: a row find hides,
    // or no row at all, is left alone, and the window says why.
    const int marked = m_list->selectionMark();
    if (marked >= 0 && m_list->filter().shownRow(marked) >= 0) {
        showStatus({});
        return false;
    }
    showStatus(QString::fromUtf8(kSelectFirstText));
    return true;
}

void BookDialog::save()
{
    readForm();
    saveBook();
    if (m_unattended) { // the end came while the save asked something
        endWindow(Rejected);
        return;
    }
    showForm();
}

void BookDialog::clearForm()
{
    readForm();
    m_session->clearForm();
    showForm();
}

void BookDialog::openHelpPage()
{
    readForm();
    if (!openHelpPageInBrowser())
        m_messages->helpNotOpened(this, helpPageShownAddress());
    showForm();
}

void BookDialog::listClicked()
{
    readForm();
    showContact(m_list->selectionMark());
    showForm();
    showStatus({});
}

void BookDialog::listEntered()
{
    listClicked();
    control(kSurnameEdit)->setFocus(Qt::OtherFocusReason);
}

void BookDialog::accept()
{
    if (readForm())
        done(Accepted);
}

void BookDialog::done(int result)
{
    // Closing writes the book, whichever way the window is closed. When that fails the user
    // has seen why and chooses: close and lose the changes, or stay and put it right. When the
    // book changed on disk, the user may also go back to the window.
    if (m_closing || m_ended)
        return;
    if (m_session->nothingToSaveOnClose()) {
        endWindow(result);
        return;
    }
    m_closing = true;
    const SaveOutcome outcome = saveBook();
    const bool stay = !m_unattended
                   && (outcome == SaveOutcome::WentBack
                       || (outcome == SaveOutcome::Failed && !m_messages->closeWithoutSaving(this)));
    m_closing = false;
    if (!stay || m_unattended) // an end that came while a box was open ends the window too
        endWindow(result);
}

} // namespace qor
