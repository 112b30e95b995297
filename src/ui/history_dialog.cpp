#include "history_dialog.h"

#include "book_dialog.h"
#include "book_history.h"
#include "list_rows.h"
#include "message_box.h"
#include "undo_steps.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

namespace qor {

namespace {

constexpr int kStateNumberRole = Qt::UserRole;

enum StateColumn { kSavedColumn, kContactsColumn, kChangesColumn, kStateColumns };

QString savedText(std::int64_t time)
{
    return QDateTime::fromSecsSinceEpoch(time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString shownName(const ContactRecord& contact)
{
    const std::string name = listNameOf(contact);
    return name.empty() ? QStringLiteral("(no name)") : QString::fromStdString(name);
}

} // namespace

HistoryDialog::HistoryDialog(BookDialog& window) : QDialog(&window), m_window(window)
{
    setWindowTitle(QStringLiteral("History"));
    useWindowFont(*this, &window);

    m_states = new QTreeWidget(this);
    m_states->setObjectName(QStringLiteral("stateList"));
    m_states->setColumnCount(kStateColumns);
    m_states->setHeaderLabels({QStringLiteral("Saved"), QStringLiteral("Contacts"), QStringLiteral("Changes")});
    m_states->setRootIsDecorated(false);
    m_states->setUniformRowHeights(true);
    m_states->setSelectionMode(QAbstractItemView::SingleSelection);
    m_states->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* statesLabel = new QLabel(QStringLiteral("&Saved states, newest first:"), this);
    statesLabel->setBuddy(m_states);

    m_contacts = new QListWidget(this);
    m_contacts->setObjectName(QStringLiteral("stateContactList"));
    m_contacts->setUniformItemSizes(true);
    m_contacts->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* contactsLabel = new QLabel(QStringLiteral("Con&tacts in that state:"), this);
    contactsLabel->setBuddy(m_contacts);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("historyStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_restoreContact = buttons->addButton(QStringLiteral("&Restore this contact"), QDialogButtonBox::ActionRole);
    m_restoreContact->setObjectName(QStringLiteral("restoreContactButton"));
    m_restoreBook = buttons->addButton(QStringLiteral("Restore the &whole book"), QDialogButtonBox::ActionRole);
    m_restoreBook->setObjectName(QStringLiteral("restoreBookButton"));
    for (QPushButton* restore : {m_restoreContact, m_restoreBook})
        restore->setAutoDefault(false); // Enter closes the dialog; a restore is asked for by name
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setText(QStringLiteral("&Close"));
    close->setDefault(true);
    connect(m_restoreContact, &QPushButton::clicked, this, &HistoryDialog::restoreSelectedContact);
    connect(m_restoreBook, &QPushButton::clicked, this, &HistoryDialog::restoreWholeBook);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_states, &QTreeWidget::currentItemChanged, this, &HistoryDialog::showSelectedState);
    connect(m_contacts, &QListWidget::currentRowChanged, this, &HistoryDialog::enableButtons);

    auto* layout = new QGridLayout(this);
    layout->addWidget(statesLabel, 0, 0);
    layout->addWidget(m_states, 1, 0);
    layout->addWidget(contactsLabel, 0, 1);
    layout->addWidget(m_contacts, 1, 1);
    layout->addWidget(m_status, 2, 0, 1, 2);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 2);

    listStates();
    m_states->setFocus();
    resize(std::max(640, m_states->header()->length() * 5 / 3 + 60), 360);
}

QString HistoryDialog::statusText() const { return m_status->text(); }

void HistoryDialog::listStates()
{
    const HistoryListing listing = listHistory(m_window.bookPath());
    if (!listing.ok) {
        m_status->setText(
            QStringLiteral("The book's history cannot be read: %1.").arg(QString::fromStdString(listing.error)));
    } else if (listing.states.empty()) {
        m_status->setText(QStringLiteral("The book has no saved states yet: its history begins with its first save."));
    }
    QList<QTreeWidgetItem*> items;
    for (const HistoryState& state : listing.states) {
        auto* item = new QTreeWidgetItem({savedText(state.facts.time), QString::number(state.facts.contacts),
                                          QString::fromStdString(stateChangesText(state.facts))});
        item->setData(kSavedColumn, kStateNumberRole, state.number);
        item->setTextAlignment(kContactsColumn, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    m_states->addTopLevelItems(items);
    for (int column = 0; column < kStateColumns; ++column)
        m_states->resizeColumnToContents(column);
    if (!items.isEmpty())
        m_states->setCurrentItem(items.first());
    enableButtons();
}

void HistoryDialog::showSelectedState()
{
    m_contacts->clear();
    m_shownRows.clear();
    m_stateShown = false;
    const QTreeWidgetItem* item = m_states->currentItem();
    if (!item) {
        enableButtons();
        return;
    }
    StateContacts state = contactsOfState(m_window.bookPath(), item->data(kSavedColumn, kStateNumberRole).toInt());
    if (!state.error.empty()) {
        m_status->setText(QStringLiteral("This state cannot be shown: %1.").arg(QString::fromStdString(state.error)));
        enableButtons();
        return;
    }
    m_status->clear();
    m_shownRows = std::move(state.rows);
    m_stateShown = true;
    QStringList names;
    names.reserve(static_cast<qsizetype>(m_shownRows.size()));
    for (const ContactRecord& contact : m_shownRows)
        names << shownName(contact);
    m_contacts->addItems(names);
    if (!names.isEmpty())
        m_contacts->setCurrentRow(0);
    enableButtons();
}

void HistoryDialog::enableButtons()
{
    const int row = m_contacts->currentRow();
    m_restoreContact->setEnabled(row >= 0 && static_cast<std::size_t>(row) < m_shownRows.size());
    m_restoreBook->setEnabled(m_stateShown);
}

void HistoryDialog::restoreSelectedContact()
{
    const int row = m_contacts->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= m_shownRows.size())
        return;
    const ContactRecord& contact = m_shownRows[static_cast<std::size_t>(row)];
    m_window.restoreContact(contact);
    m_status->setText(QStringLiteral("%1 is back on top of the list.").arg(shownName(contact)));
}

void HistoryDialog::restoreWholeBook()
{
    if (!m_stateShown)
        return;
    m_stateShown = false;
    m_window.restoreWholeBook(std::move(m_shownRows));
    m_shownRows.clear();
    accept();
}

} // namespace qor
