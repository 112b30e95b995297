// Find: the field along the bottom of the window that filters the list as the user types.
// It only changes what the list shows; the commands and the book work on the whole table.
#include "book_dialog.h"

#include "contact_filter.h"
#include "contact_list_view.h"
#include "contact_store.h"
#include "find_bar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QShortcut>

namespace qor {

void BookDialog::buildFindBar()
{
    // A line of its own below the footer: the window grows by it while find is open, and no
    // control of the form moves.
    m_formSize = size();
    m_findBar = new FindBar(this);
    m_findBar->hide();

    FindField& field = m_findBar->field();
    connect(&field, &QLineEdit::textChanged, this, &BookDialog::findQueryChanged);
    connect(&field, &FindField::entered, this, &BookDialog::findEntered);
    connect(&field, &FindField::escaped, this, &BookDialog::closeFind);
    connect(&field, &FindField::downPressed, this, [this] {
        m_list->setFocus(Qt::OtherFocusReason);
        if (!m_list->currentIndex().isValid() && m_list->model()->rowCount() > 0)
            m_list->selectionModel()->setCurrentIndex(m_list->model()->index(0, 0), QItemSelectionModel::NoUpdate);
    });
    connect(&m_list->filter(), &ContactFilter::countsChanged, this, &BookDialog::showFindCounts);

    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(shortcut, &QShortcut::activated, this, &BookDialog::openFind);
}

void BookDialog::placeFindBar(bool open)
{
    const QRect list = m_list->geometry();
    const int line = m_findBar->sizeHint().height();
    const int gap = 4;
    setFixedSize(m_formSize.width(), m_formSize.height() + (open ? line + 2 * gap : 0));
    m_findBar->setGeometry(list.left(), m_formSize.height() + gap, list.width(), line);
    m_findBar->setVisible(open);
}

void BookDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_findBar->isVisible()) {
        event->accept();
        closeFind();
        return;
    }
    QDialog::keyPressEvent(event);
}

QLineEdit* BookDialog::findField() const
{
    return &m_findBar->field();
}

void BookDialog::openFind()
{
    QWidget* focus = QApplication::focusWidget();
    if (focus != findField() && focus && isAncestorOf(focus))
        m_focusBeforeFind = focus;
    // Each contact is folded for search once, here rather than on the first keystroke, so
    // typing stays quick; opening a book never pays for it.
    m_session->store().searchIndex();
    placeFindBar(true);
    findField()->setFocus(Qt::ShortcutFocusReason);
    findField()->selectAll();
}

void BookDialog::closeFind()
{
    findField()->clear(); // shows every row again
    placeFindBar(false);
    if (m_list->selectionMark() >= 0)
        m_list->scrollTo(m_list->model()->index(m_list->filter().shownRow(m_list->selectionMark()), 0));
    if (m_focusBeforeFind)
        m_focusBeforeFind->setFocus(Qt::OtherFocusReason);
    m_focusBeforeFind.clear();
}

void BookDialog::findQueryChanged(const QString& text)
{
    m_list->filter().setQuery(text.toStdString());
}

void BookDialog::findEntered()
{
    // As a click on the first contact shown.
    const int first = m_list->filter().tableRow(0);
    if (first < 0)
        return;
    m_list->markRow(first);
    listClicked();
}

void BookDialog::showFindCounts()
{
    const ContactFilter& filter = m_list->filter();
    m_findBar->showCounts(filter.filtering(), filter.shownCount(), m_session->store().rowCount());
}

} // namespace qor
