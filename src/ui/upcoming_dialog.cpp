#include "upcoming_dialog.h"

#include "book_dialog.h"
#include "book_file.h"
#include "contact_list_view.h"
#include "contact_store.h"
#include "dialog_placement.h"
#include "ical_writer.h"
#include "message_box.h"
#include "upcoming_dates.h"

#include <QDateTime>
#include <QDir>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qor {

namespace {

constexpr int kRowRole = Qt::UserRole;

enum Column { kDateColumn, kOccasionColumn, kNameColumn, kYearsColumn, kColumnCount };

// Reads the table's rows one at a time into one record, so a big book is never copied whole.
auto rowReader(const ContactStore& table)
{
    return [&table, record = ContactRecord{}](std::size_t row) mutable -> const ContactRecord& {
        table.copyRecord(static_cast<int>(row), record);
        return record;
    };
}

QString chooseFileWithDialog(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Export to calendar"), QStringLiteral("qor.ics"),
                       QStringLiteral("iCalendar (*.ics)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("ics"));
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                 : QString();
}

void showExportError(QWidget* parent, const QString& reason)
{
    tellInBox(parent, QMessageBox::Warning, QStringLiteral("The calendar could not be written.\n\n%1").arg(reason),
              {}, QStringLiteral("Export to calendar"));
}

} // namespace

std::string exportCalendar(const ContactStore& table, const QString& path)
{
    const std::string text = formatCalendar(static_cast<std::size_t>(table.rowCount()), rowReader(table),
                                            QDateTime::currentSecsSinceEpoch());
    const WriteResult written = replaceFileSafely(std::filesystem::path(path.toStdU16String()), text);
    return written.ok ? std::string() : (written.error.empty() ? std::string("unknown error") : written.error);
}

UpcomingDialog::UpcomingDialog(BookDialog& window, CivilDate today, UpcomingDialogHooks hooks)
    : QDialog(&window), m_window(window), m_hooks(std::move(hooks))
{
    if (!m_hooks.chooseCalendarFile)
        m_hooks.chooseCalendarFile = chooseFileWithDialog;
    if (!m_hooks.exportFailed)
        m_hooks.exportFailed = showExportError;
    setWindowTitle(QStringLiteral("Upcoming dates"));
    useWindowFont(*this, &window);

    const ContactStore& table = window.store();
    const std::vector<UpcomingDate> dates =
        upcomingDates(static_cast<std::size_t>(table.rowCount()), rowReader(table), today, kDefaultUpcomingDays);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("upcomingList"));
    m_list->setColumnCount(kColumnCount);
    m_list->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Occasion"), QStringLiteral("Name"),
                             QStringLiteral("Years")});
    // The years are numbers: right-aligned under a right-aligned heading, along the right edge.
    m_list->headerItem()->setTextAlignment(kYearsColumn, Qt::AlignRight | Qt::AlignVCenter);
    m_list->header()->setStretchLastSection(false);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(dates.size()));
    for (const UpcomingDate& date : dates) {
        auto* item = new QTreeWidgetItem({QString::fromStdString(isoDate(date.date)), QString::fromUtf8(kindWord(date.kind)),
                                          QString::fromStdString(date.name),
                                          date.years ? QString::number(*date.years) : QString()});
        item->setData(0, kRowRole, static_cast<int>(date.row));
        item->setTextAlignment(kYearsColumn, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    for (int c = 0; c < kColumnCount; ++c)
        m_list->resizeColumnToContents(c);
    m_list->header()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &UpcomingDialog::lineActivated);
    connect(m_list, &QTreeWidget::itemActivated, this, &UpcomingDialog::lineActivated);

    auto* heading = new QLabel(
        dates.empty() ? QStringLiteral("No birthdays or anniversaries in the next %1 days.").arg(kDefaultUpcomingDays)
                      : QStringLiteral("Birthdays and anniversaries in the next %1 days:").arg(kDefaultUpcomingDays),
        this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("exportStatus"));
    m_status->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_export = buttons->addButton(QStringLiteral("&Export to calendar..."), QDialogButtonBox::ActionRole);
    m_export->setObjectName(QStringLiteral("exportButton"));
    m_export->setAutoDefault(false);
    connect(m_export, &QPushButton::clicked, this, &UpcomingDialog::exportToCalendar);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_list);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    resize(std::max(420, m_list->header()->length() + 40), 320);
    moveBesideForm(*this, window, window.list());
}

int UpcomingDialog::contactRowOf(int line) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(line);
    return item ? item->data(0, kRowRole).toInt() : -1;
}

void UpcomingDialog::lineActivated(QTreeWidgetItem* item)
{
    if (!item)
        return;
    m_window.list().markRow(item->data(0, kRowRole).toInt());
    m_window.listClicked();
}

void UpcomingDialog::exportToCalendar()
{
    const QString path = m_hooks.chooseCalendarFile(this);
    if (path.isEmpty())
        return;
    const std::string error = exportCalendar(m_window.store(), path);
    if (!error.empty()) {
        m_status->clear();
        m_hooks.exportFailed(this, QString::fromStdString(error));
        return;
    }
    m_status->setText(QStringLiteral("Written to %1").arg(QDir::toNativeSeparators(path)));
}

} // namespace qor
