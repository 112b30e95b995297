#include "undo_steps.h"

#include "contact_store.h"
#include "display_name.h"

namespace qor {

void UndoSteps::record(UndoStep step)
{
    m_done.push_back(std::move(step));
    m_undone.clear();
}

UndoneChange UndoSteps::undo(ContactStore& store)
{
    if (m_done.empty())
        return {};
    UndoStep& step = m_done.back();
    UndoneChange result{true, -1};
    switch (step.kind) {
    case UndoStep::Kind::Add:
        store.removeRowAt(0);
        break;
    case UndoStep::Kind::Update:
        store.setRecord(step.row, step.before);
        result.row = step.row;
        break;
    case UndoStep::Kind::Delete:
        store.insertAt(step.row, step.before);
        result.row = step.row;
        break;
    case UndoStep::Kind::Import:
        store.removeTopRows(static_cast<int>(step.rows.size()));
        break;
    case UndoStep::Kind::Replace:
        applyEdit(store, step.edit, false);
        result.row = 0;
        break;
    }
    m_undone.push_back(std::move(step));
    m_done.pop_back();
    return result;
}

UndoneChange UndoSteps::redo(ContactStore& store)
{
    if (m_undone.empty())
        return {};
    UndoStep& step = m_undone.back();
    UndoneChange result{true, -1};
    switch (step.kind) {
    case UndoStep::Kind::Add:
        store.insertAt(0, step.after);
        result.row = 0;
        break;
    case UndoStep::Kind::Update:
        store.setRecord(step.row, step.after);
        result.row = step.row;
        break;
    case UndoStep::Kind::Delete:
        store.removeRowAt(step.row);
        break;
    case UndoStep::Kind::Import: {
        // insertAllAtTop puts the last record on top; the step keeps them in list order.
        std::vector<ContactRecord> rows(step.rows.rbegin(), step.rows.rend());
        store.insertAllAtTop(std::move(rows));
        break;
    }
    case UndoStep::Kind::Replace:
        applyEdit(store, step.edit, true);
        result.row = 0;
        break;
    }
    m_done.push_back(std::move(step));
    m_undone.pop_back();
    return result;
}

std::string listNameOf(const ContactRecord& record)
{
    const std::string& surname = record[ContactField::SURNAME];
    const std::string& firstName = record[ContactField::FIRSTNAME];
    if (!surname.empty() && !firstName.empty())
        return surname + ", " + firstName;
    if (!surname.empty() || !firstName.empty())
        return surname + firstName;
    return displayName(record);
}

} // namespace qor
