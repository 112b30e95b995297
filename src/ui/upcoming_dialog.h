#pragma once

#include "date_rules.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qor {

class BookDialog;
class ContactStore;

// Writes every birthday and anniversary of `table` as an iCalendar file at `path`, through the
// same safe replace as the book. Returns the system's reason on failure, empty on success.
std::string exportCalendar(const ContactStore& table, const QString& path);

// What the dialog asks the user, replaceable in tests.
struct UpcomingDialogHooks {
    // The file to export to; empty when the user cancels.
    std::function<QString(QWidget* parent)> chooseCalendarFile;
    // Shows why an export failed.
    std::function<void(QWidget* parent, const QString& reason)> exportFailed;
};

// "Upcoming dates": the birthdays and anniversaries of the window's contacts in the next 30
// days, nearest first, in four columns (date, birthday or anniversary, name, years). A
// double-click on a line marks that contact in the window's list and shows it in the form, as
// a click on the list would. "Export to calendar..." writes every date of the book as a
// calendar file. The list is made when the dialog opens; the dialog is meant to run modally,
// so the window's rows cannot change under it.
class UpcomingDialog : public QDialog {
    Q_OBJECT
public:
    UpcomingDialog(BookDialog& window, CivilDate today, UpcomingDialogHooks hooks = {});

    QTreeWidget& dateList() const { return *m_list; }
    QPushButton& exportButton() const { return *m_export; }
    // The contact row of the window's list that line `line` shows.
    int contactRowOf(int line) const;

    void exportToCalendar();

private:
    void lineActivated(QTreeWidgetItem* item);

    BookDialog& m_window;
    UpcomingDialogHooks m_hooks;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_export = nullptr;
};

// The menu item that opens the dialog.
inline constexpr const char* kUpcomingItemText = "Upcoming &dates...";

} // namespace qor
