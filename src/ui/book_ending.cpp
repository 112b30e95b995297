// Ending the window without a question: a signal, the end of the desktop session, a window
// that went away. The list is saved as closing saves it, and nothing waits for an answer.
#include "book_dialog.h"

#include <QApplication>

namespace qor {

namespace {
// More boxes than the window ever stacks; a bound, so a box that will not close cannot hang.
constexpr int kMaxStackedBoxes = 16;
} // namespace

void BookDialog::endUnattended()
{
    if (m_ended)
        return;
    if (!m_loaded) {
        // Still opening (a box at start waits): the list is not there to save yet. The end
        // comes as soon as the window runs.
        m_endPending = true;
        closeOpenBoxes();
        return;
    }
    m_unattended = true;
    closeOpenBoxes();
    // A save under way finishes without asking, and the command that started it ends the window.
    if (m_saving)
        return;
    if (!m_session->nothingToSaveOnClose())
        saveBook();
    if (!m_closing) // else the close under way ends it when its question returns
        endWindow(Rejected);
}

void BookDialog::saveWithoutWindow()
{
    if (m_ended || !m_loaded)
        return;
    m_unattended = true;
    if (!m_session->nothingToSaveOnClose())
        saveBook();
    m_ended = true;
}

void BookDialog::closeOpenBoxes()
{
    // Each box runs an event loop of its own inside the window's; rejecting it ends that loop.
    for (int i = 0; i < kMaxStackedBoxes; ++i) {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box == this)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(box))
            dialog->reject();
        else
            box->close();
    }
}

void BookDialog::endWindow(int result)
{
    if (m_ended)
        return;
    m_ended = true;
    QDialog::done(result);
}

void BookDialog::setVisible(bool visible)
{
    // Only endWindow hides the window. Hidden any other way, its native window was destroyed
    // from outside: end as a signal would, so no process is left without a window and with
    // unsaved contacts.
    if (!visible && isVisible() && !m_ended && !m_closing) {
        endUnattended();
        if (!isVisible())
            return;
    }
    QDialog::setVisible(visible);
}

} // namespace qor
