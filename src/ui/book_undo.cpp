// Undo and redo in the window: the keys and the commands. The form's fields keep their own undo
// of what was typed into them; only when a field has nothing of its own to undo or redo do
// the keys reach the list.
#include "book_dialog.h"

#include "contact_list_view.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>

namespace qor {

namespace {

const QKeySequence kRedoKeys[] = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)};

bool isUndoKey(const QKeyEvent& key) { return key.matches(QKeySequence::Undo); }

bool isRedoKey(const QKeyEvent& key)
{
    const QKeySequence pressed(key.keyCombination());
    return key.matches(QKeySequence::Redo) || pressed == kRedoKeys[0] || pressed == kRedoKeys[1];
}

// Lets an undo or redo key pass a line edit that has nothing of its own to undo or redo, so
// that the window's shortcut gets it.
class FieldUndoPassage : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* edit = qobject_cast<QLineEdit*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (edit && ((isUndoKey(*key) && !edit->isUndoAvailable()) || (isRedoKey(*key) && !edit->isRedoAvailable()))) {
            event->ignore();
            return true;
        }
        return false;
    }
};

} // namespace

void BookDialog::buildUndoKeys()
{
    auto* passage = new FieldUndoPassage(this);
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->installEventFilter(passage);
    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    connect(undoKey, &QShortcut::activated, this, &BookDialog::undo);
    for (const QKeySequence& keys : kRedoKeys) {
        auto* redoKey = new QShortcut(keys, this);
        connect(redoKey, &QShortcut::activated, this, &BookDialog::redo);
    }
}

void BookDialog::undo()
{
    readForm();
    if (m_session->undo())
        showListChange();
}

void BookDialog::redo()
{
    readForm();
    if (m_session->redo())
        showListChange();
}

void BookDialog::showListChange()
{
    autosizeColumns();
    // The session has marked the row the change put back, if any: the list shows it.
    if (m_session->mark().isSet())
        m_list->markRow(m_session->mark().row());
    showForm();
}

} // namespace qor
