#pragma once

#include "duplicate_finder.h"
#include "group_merge.h"

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace qor {

class BookDialog;

// "Duplicates": the groups of contacts that look like one person entered more than once
// ("Lee, Ann" x 2), and beside the group selected its contacts side by side, one column a
// contact (the most recently added on the left) and one row a field, the fields whose texts
// differ marked. A check in each row says which text the merged contact takes: by default the
// one non-empty text, and where texts differ the leftmost; a click on another cell takes that
// one. "Merge" makes the group one contact at the place of its top member, as one change of the
// window's list (Undo takes it back; the next Save or close writes it). "Not duplicates" keeps
// the group's contacts apart beside the book, and they are not proposed again. Meant to run
// modally over the window.
class DuplicatesDialog : public QDialog {
    Q_OBJECT
public:
    explicit DuplicatesDialog(BookDialog& window);

    QListWidget& groupList() const { return *m_groups; }
    QTableWidget& fieldGrid() const { return *m_fields; }
    QPushButton& mergeButton() const { return *m_merge; }
    QPushButton& notDuplicatesButton() const { return *m_apart; }
    QString statusText() const;
    // Whether the selected group's contacts differ in `field`, which is marked.
    bool fieldMarked(ContactField field) const;
    // The merged contact takes `field` from the contact in column `member`.
    void choose(ContactField field, int member);

    void mergeSelected();
    void keepSelectedApart();

private:
    void findGroups();
    void showSelectedGroup();
    void cellClicked(QTableWidgetItem* item);
    void showChoices();

    BookDialog& m_window;
    QListWidget* m_groups = nullptr;
    QTableWidget* m_fields = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_merge = nullptr;
    QPushButton* m_apart = nullptr;
    std::vector<DuplicateGroup> m_found;
    GroupMembers m_members; // the selected group's contacts, in its order
    FieldSources m_sources{};
};

// The menu item that opens the dialog.
inline constexpr const char* kDuplicatesItemText = "Find d&uplicates...";

} // namespace qor
