#pragma once

#include "contact_record.h"
#include "list_edit.h"

#include <string>
#include <vector>

namespace qor {

class ContactStore;

// One change to the list that can be undone and redone, holding only the rows it changed: an
// Update of one row of 100,000 holds that row's two versions, not the list.
struct UndoStep {
    enum class Kind { Add, Update, Delete, Import, Replace };
    // Replace: the list became another (a merge, a restore, a reload); the step holds the rows
    // that changed.
    Kind kind = Kind::Add;
    std::string name;             // "Delete \"Lee, Ann\"", for "Undo ..." and "Redo ..."
    int row = 0;                  // Update, Delete: the row; Add: 0
    ContactRecord before;         // Update, Delete: the row as it was
    ContactRecord after;          // Add, Update: the row as the change left it
    std::vector<ContactRecord> rows; // Import: the contacts it put on top, in list order
    ListEdit edit;                   // Replace: the rows a merge, a restore or a reload changed
};

// Where an undo or a redo left the list: the row to mark and show in the form, -1 for none
// (the change's row went away).
struct UndoneChange {
    bool done = false;
    int row = -1;
};

// The changes made to the list, for Undo and Redo, any number of them. A new change forgets
// what could be redone. Each undo and redo puts the list exactly as it was before or after the
// change, as long as every change to the store went through here.
class UndoSteps {
public:
    void record(UndoStep step);
    bool canUndo() const { return !m_done.empty(); }
    bool canRedo() const { return !m_undone.empty(); }
    // The name of the change an undo or a redo would act on; empty when there is none.
    std::string undoName() const { return canUndo() ? m_done.back().name : std::string(); }
    std::string redoName() const { return canRedo() ? m_undone.back().name : std::string(); }
    UndoneChange undo(ContactStore& store);
    UndoneChange redo(ContactStore& store);

private:
    std::vector<UndoStep> m_done;
    std::vector<UndoStep> m_undone;
};

// How a command names its contact: "Lee, Ann"; one of the two names alone; failing both, the
// name the contact goes by elsewhere (nickname, e-mail, "Unnamed").
std::string listNameOf(const ContactRecord& record);

} // namespace qor
