#include "book_session.h"
#include "list_edit.h"
#include "search_fold.h"
#include "test_books.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <random>

namespace qor {
namespace {

using testing::bookOf;
using testing::contact;
using testing::TempFolder;
using testing::writeFile;
using F = ContactField;

std::vector<ContactRecord> listOf(const ContactStore& store)
{
    std::vector<ContactRecord> rows;
    for (int row = 0; row < store.rowCount(); ++row)
        rows.push_back(store.record(row));
    return rows;
}

struct OpenSession {
    OpenSession()
    {
        writeFile(path, bookOf({"A", "B", "C"}));
        session.load();
    }
    TempFolder folder{"qor-undo-"};
    std::filesystem::path path = folder.path() / "qor.qor";
    BookSession session{path};
};

TEST(Undo, eachCommandIsUndoneAndRedoneWithItsNameAndTheRowItTouchedMarkedAndShown)
{
    ContactRecord ann = contact("Lee");
    ann[F::FIRSTNAME] = "Ann";
    struct Case {
        const char* name;
        std::function<void(BookSession&)> command;
        std::string stepName;
        int markAfterUndo; // -1: the change's row went away
        int markAfterRedo;
    };
    const std::vector<Case> cases = {
        {"add", [&](BookSession& s) { s.form = ann; s.add(); }, "Add \"Lee, Ann\"", -1, 0},
        {"update", [&](BookSession& s) { s.mark().set(1); s.form = ann; s.update(); }, "Update \"Lee, Ann\"", 1, 1},
        {"delete", [](BookSession& s) { s.mark().set(2); s.remove(); }, "Delete \"A\"", 2, -1},
        {"import", [&](BookSession& s) { s.insertImported({ann, contact("X"), contact("Y")}); },
         "Import (3 contacts)", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenSession open;
        BookSession& s = open.session;
        EXPECT_EQ(s.undoName(), "");
        const std::vector<ContactRecord> before = listOf(s.store());
        c.command(s);
        const std::vector<ContactRecord> after = listOf(s.store());
        EXPECT_EQ(s.undoName(), c.stepName);
        s.mark().clear();
        s.form = contact("typed");

        ASSERT_TRUE(s.undo());
        EXPECT_EQ(listOf(s.store()), before);
        EXPECT_EQ(s.mark().row(), c.markAfterUndo);
        if (c.markAfterUndo >= 0) {
            EXPECT_EQ(s.form, before[std::size_t(c.markAfterUndo)]); // shown in the form
        }
        EXPECT_EQ(s.undoName(), "");
        EXPECT_EQ(s.redoName(), c.stepName);
        EXPECT_FALSE(s.undo());

        s.mark().clear();
        ASSERT_TRUE(s.redo());
        EXPECT_EQ(listOf(s.store()), after);
        EXPECT_EQ(s.mark().row(), c.markAfterRedo);
        EXPECT_FALSE(s.redo());
    }
}

TEST(Undo, anyMixOfCommandsUndoesAndRedoesThroughEveryStateAndANewChangeForgetsTheRedo)
{
    // Against a plain model: the list after each change, and where undo and redo stand in it.
    OpenSession open;
    BookSession& s = open.session;
    std::mt19937 random(17);
    auto below = [&](int n) { return int(random() % unsigned(n)); };
    std::vector<std::vector<ContactRecord>> states{listOf(s.store())};
    std::size_t at = 0;
    s.store().searchIndex(); // find is open: its texts follow every change
    for (int step = 0; step < 400; ++step) {
        const int op = below(7);
        const int rows = s.store().rowCount();
        s.form = contact("N" + std::to_string(step));
        if (op == 4) {
            ASSERT_EQ(s.undo(), at > 0);
            at -= at > 0 ? 1 : 0;
        } else if (op == 5) {
            ASSERT_EQ(s.redo(), at + 1 < states.size());
            at += at + 1 < states.size() ? 1 : 0;
        } else {
            if (op == 0 || rows == 0) {
                s.add();
            } else if (op == 1) {
                s.mark().set(below(rows));
                s.update();
            } else if (op == 2) {
                s.mark().set(below(rows));
                s.remove();
            } else if (op == 3) {
                s.insertImported({contact("I" + std::to_string(step)), contact("J")});
            } else {
                // The list becomes another: some rows gone, some moved, some new; now and then
                // so many runs that the whole list is put in again.
                std::vector<ContactRecord> target = listOf(s.store());
                const int changes = below(4) == 0 ? 200 : 3;
                for (int i = 0; i < changes && !target.empty(); ++i) {
                    const std::size_t from = std::size_t(below(int(target.size())));
                    if (below(3) == 0)
                        target.erase(target.begin() + std::ptrdiff_t(from));
                    else if (below(2) == 0)
                        std::swap(target[from], target[std::size_t(below(int(target.size())))]);
                    else
                        target.insert(target.begin() + std::ptrdiff_t(from), contact("R" + std::to_string(step)));
                }
                s.becomeList(std::vector<ContactRecord>(target), "Restore the whole book");
                ASSERT_EQ(listOf(s.store()), target);
            }
            states.resize(++at);
            states.push_back(listOf(s.store()));
            EXPECT_EQ(s.redoName(), ""); // a new change forgets what could be redone
        }
        ASSERT_EQ(listOf(s.store()), states[at]) << "step " << step;
        const int now = s.store().rowCount();
        for (int row = 0; row < now; row += 1 + now / 8)
            ASSERT_TRUE(s.store().searchIndex().matches(row, foldForSearch(states[at][std::size_t(row)][F::SURNAME])))
                << "step " << step << " row " << row;
    }
    while (s.undo()) {
    }
    EXPECT_EQ(listOf(s.store()), states.front());
}

TEST(Undo, aChangeOfTheWholeListHoldsOnlyTheRowsItChanges)
{
    ContactStore store;
    std::vector<ContactRecord> list;
    for (int i = 0; i < 1000; ++i)
        list.push_back(contact("C" + std::to_string(i), std::to_string(i)));
    std::vector<ContactRecord> reversed(list.rbegin(), list.rend());
    store.insertAllAtTop(std::move(reversed));
    ASSERT_EQ(listOf(store), list);

    // One row changed, one moved from the bottom to the top, one new.
    std::vector<ContactRecord> target = list;
    target[500] = contact("Changed");
    std::rotate(target.begin(), target.end() - 1, target.end());
    target.insert(target.begin() + 10, contact("New"));
    const ListEdit edit = editTowards(store, target);
    EXPECT_EQ(edit.removed.size(), 2u); // the changed row and the moved one where it was
    EXPECT_EQ(edit.added.size(), 3u);
    applyEdit(store, edit, true);
    EXPECT_EQ(listOf(store), target);
    applyEdit(store, edit, false);
    EXPECT_EQ(listOf(store), list);
}

TEST(Undo, aSessionThatKeepsNoStepsHasNothingToUndo)
{
    OpenSession open;
    BookSession& s = open.session;
    s.keepUndoSteps(false);
    s.insertImported({contact("X"), contact("Y")});
    s.form = contact("Z");
    s.add();
    EXPECT_EQ(s.undoName(), "");
    EXPECT_FALSE(s.undo());
    EXPECT_EQ(s.store().rowCount(), 6);
}

} // namespace
} // namespace qor
