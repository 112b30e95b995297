#include "duplicates_dialog.h"

#include "book_dialog.h"
#include "book_duplicates.h"
#include "duplicate_search.h"
#include "field_table.h"
#include "message_box.h"
#include "not_duplicates_file.h"
#include "undo_steps.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

namespace qor {

namespace {

QString fieldName(std::size_t column)
{
    const FieldInfo& info = fieldTable()[column];
    return info.spokenName.empty() ? QStringLiteral("Rating (not in the form)")
                                   : QString::fromUtf8(info.spokenName.data(), static_cast<qsizetype>(info.spokenName.size()));
}

QString groupName(const GroupMembers& members)
{
    return QStringLiteral("\"%1\" x %2").arg(QString::fromStdString(listNameOf(members.front()))).arg(members.size());
}

} // namespace

DuplicatesDialog::DuplicatesDialog(BookDialog& window) : QDialog(&window), m_window(window)
{
    setWindowTitle(QStringLiteral("Duplicates"));
    useWindowFont(*this, &window);

    m_groups = new QListWidget(this);
    m_groups->setObjectName(QStringLiteral("duplicateGroupList"));
    m_groups->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* groupsLabel = new QLabel(QStringLiteral("&People entered more than once:"), this);
    groupsLabel->setBuddy(m_groups);

    m_fields = new QTableWidget(this);
    m_fields->setObjectName(QStringLiteral("duplicateFieldGrid"));
    m_fields->setRowCount(static_cast<int>(kFieldCount));
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fields->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fields->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    auto* fieldsLabel = new QLabel(QStringLiteral("&Their fields (check the text to keep; * marks a difference):"), this);
    fieldsLabel->setBuddy(m_fields);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("duplicatesStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_merge = buttons->addButton(QStringLiteral("&Merge"), QDialogButtonBox::ActionRole);
    m_merge->setObjectName(QStringLiteral("mergeDuplicatesButton"));
    m_apart = buttons->addButton(QStringLiteral("&Not duplicates"), QDialogButtonBox::ActionRole);
    m_apart->setObjectName(QStringLiteral("notDuplicatesButton"));
    for (QPushButton* action : {m_merge, m_apart})
        action->setAutoDefault(false); // Enter closes the dialog; a merge is asked for by name
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setText(QStringLiteral("&Close"));
    close->setDefault(true);
    connect(m_merge, &QPushButton::clicked, this, &DuplicatesDialog::mergeSelected);
    connect(m_apart, &QPushButton::clicked, this, &DuplicatesDialog::keepSelectedApart);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_groups, &QListWidget::currentRowChanged, this, &DuplicatesDialog::showSelectedGroup);
    connect(m_fields, &QTableWidget::itemClicked, this, &DuplicatesDialog::cellClicked);

    auto* layout = new QGridLayout(this);
    layout->addWidget(groupsLabel, 0, 0);
    layout->addWidget(m_groups, 1, 0);
    layout->addWidget(fieldsLabel, 0, 1);
    layout->addWidget(m_fields, 1, 1);
    layout->addWidget(m_status, 2, 0, 1, 2);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 3);

    findGroups();
    m_groups->setFocus();
    resize(820, 520);
}

QString DuplicatesDialog::statusText() const { return m_status->text(); }

bool DuplicatesDialog::fieldMarked(ContactField field) const
{
    return !m_members.empty() && fieldDiffers(m_members, columnOf(field));
}

void DuplicatesDialog::findGroups()
{
    m_found = findDuplicatesInList(m_window.store(), readNotDuplicates(m_window.bookPath()));
    QSignalBlocker quiet(m_groups);
    m_groups->clear();
    for (const DuplicateGroup& group : m_found)
        m_groups->addItem(groupName(membersOf(m_window.store(), group)));
    if (m_found.empty() && m_status->text().isEmpty())
        m_status->setText(QStringLiteral("No contact looks entered twice."));
    if (!m_found.empty())
        m_groups->setCurrentRow(0);
    showSelectedGroup();
}

void DuplicatesDialog::showSelectedGroup()
{
    const int row = m_groups->currentRow();
    m_members.clear();
    if (row >= 0 && static_cast<std::size_t>(row) < m_found.size())
        m_members = membersOf(m_window.store(), m_found[static_cast<std::size_t>(row)]);
    m_sources = defaultSources(m_members);
    m_fields->clearContents();
    m_fields->setColumnCount(static_cast<int>(m_members.size()));
    QStringList headings;
    for (std::size_t m = 0; m < m_members.size(); ++m)
        headings << (m == 0 ? QStringLiteral("Newest") : QStringLiteral("Older %1").arg(m));
    m_fields->setHorizontalHeaderLabels(headings);
    QStringList fieldNames;
    for (std::size_t column = 0; column < kFieldCount; ++column) {
        const bool differs = fieldMarked(fieldAt(column));
        fieldNames << (differs ? QStringLiteral("* ") : QString()) + fieldName(column);
        bool anyText = false;
        for (std::size_t m = 0; m < m_members.size(); ++m) {
            const std::string& text = m_members[m][column];
            anyText = anyText || !text.empty();
            auto* item = new QTableWidgetItem(QString::fromStdString(text));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            if (differs) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            m_fields->setItem(static_cast<int>(column), static_cast<int>(m), item);
        }
        m_fields->setRowHidden(static_cast<int>(column), !anyText);
    }
    m_fields->setVerticalHeaderLabels(fieldNames);
    showChoices();
    m_merge->setEnabled(!m_members.empty());
    m_apart->setEnabled(!m_members.empty());
}

void DuplicatesDialog::showChoices()
{
    for (int row = 0; row < m_fields->rowCount(); ++row)
        for (int m = 0; m < m_fields->columnCount(); ++m)
            if (QTableWidgetItem* item = m_fields->item(row, m))
                item->setCheckState(m_sources[static_cast<std::size_t>(row)] == m ? Qt::Checked : Qt::Unchecked);
}

void DuplicatesDialog::choose(ContactField field, int member)
{
    if (member < 0 || static_cast<std::size_t>(member) >= m_members.size())
        return;
    m_sources[columnOf(field)] = member;
    showChoices();
}

void DuplicatesDialog::cellClicked(QTableWidgetItem* item)
{
    choose(fieldAt(static_cast<std::size_t>(item->row())), item->column());
}

void DuplicatesDialog::mergeSelected()
{
    const int row = m_groups->currentRow();
    if (m_members.empty() || row < 0)
        return;
    const DuplicateGroup& group = m_found[static_cast<std::size_t>(row)];
    const QString name = groupName(m_members);
    m_window.mergeDuplicates(group, mergedContact(m_members, m_sources), mergeName(m_members));
    m_status->setText(QStringLiteral("Merged %1; Undo in the window takes it back.").arg(name));
    findGroups();
}

void DuplicatesDialog::keepSelectedApart()
{
    if (m_members.empty())
        return;
    const WriteResult kept = keepApart(m_window.bookPath(), m_members);
    if (!kept.ok) {
        m_status->setText(QStringLiteral("Cannot remember that these are different people: %1")
                              .arg(QString::fromStdString(kept.error)));
        return;
    }
    m_status->setText(QStringLiteral("%1 will not be proposed again.").arg(groupName(m_members)));
    findGroups();
}

} // namespace qor
