// The steps tests/win32/drive_window types into qor.exe, replayed on the session as the window
// runs them: the book they leave must be tests/win32/typed_steps.qor byte for byte, and opening
// that book and closing it must leave typed_steps_reopened.qor; qor.exe under Wine must write
// both too, and so must a merge with another program's change (typed_steps_merged.qor). So the
// Windows window and the session agree.
#include "book_session.h"
#include "combo_entries.h"
#include "field_table.h"
#include "date_rules.h"
#include "form_rules.h"
#include "upcoming_dates.h"
#include "list_transfer.h"
#include "state_contacts.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

using testing::fileContents;
using F = ContactField;

std::string expectedBook(const char* name)
{
    return fileContents(std::filesystem::path(QOR_SOURCE_DIR) / "tests/win32" / name);
}

void save(BookSession& session) { ASSERT_EQ(session.save(SaveMode::Attended).outcome, SaveOutcome::Saved); }

TEST(TypedSteps, theWindowsWindowTestStepsLeaveTheBooksItExpects)
{
    testing::TempFolder folder("qor-typed-steps-");
    const auto book = folder.path() / "qor.qor";
    {
        BookSession session(book);
        ContactRecord& form = session.form;
        // After every command the window shows the form, and its next read takes back what the
        // controls show: a combo box shows the entry its text begins.
        const auto shown = [&] { passThroughForm(form); };
        session.load();
        shown();

        struct Step {
            std::vector<std::pair<F, std::string>> typed;
            void (*command)(BookSession&);
        };
        const Step steps[] = {
            {{{F::SURNAME, "Smith"}, {F::FIRSTNAME, "Ann"}, {F::HAIR, "bl"}}, [](BookSession& s) { s.add(); }},
            {{}, [](BookSession& s) { s.mark().set(0); }}, // Home in the list
            {{{F::SURNAME, "Smythe"}}, [](BookSession& s) { s.update(); }},
            {{{F::SURNAME, "Lee"}}, [](BookSession& s) { s.add(); }},
            {{}, [](BookSession& s) { s.remove(); }},
            {{}, [](BookSession& s) { s.undo(); }},
            {{}, save},
            {{{F::SURNAME, "Zed"}}, [](BookSession& s) { s.add(); }},
            {{}, [](BookSession& s) { s.mark().set(1); }}, // Home in the list find made of Lee alone
            {{{F::SURNAME, "Leigh"}}, [](BookSession& s) { s.update(); }},
            {{}, save}, // Escape
        };
        for (const Step& step : steps) {
            for (const auto& [field, text] : step.typed)
                form[field] = text;
            step.command(session);
            shown();
        }
        EXPECT_EQ(fileContents(book), expectedBook("typed_steps.qor"));
    }
    {
        BookSession reopened(book);
        reopened.load();
        save(reopened);
        EXPECT_EQ(fileContents(book), expectedBook("typed_steps_reopened.qor"));
    }
    // Another program replaces the book while a window is open on it; the window adds a contact
    // and saves, and the user answers the question with Merge.
    BookSession window(book);
    window.load();
    passThroughForm(window.form);
    testing::writeFile(book, expectedBook("changed_elsewhere.qor"));
    window.form[F::SURNAME] = "Moe";
    window.add();
    passThroughForm(window.form);
    ASSERT_EQ(window.save(SaveMode::Attended).outcome, SaveOutcome::Conflict);
    ASSERT_EQ(window.answerConflict(ConflictChoice::Merge).outcome, SaveOutcome::Saved);
    passThroughForm(window.form);
    save(window); // Escape
    EXPECT_EQ(fileContents(book), expectedBook("typed_steps_merged.qor"));

    // History, the state before the newest made the list again, and Escape.
    BookSession restoring(book);
    restoring.load();
    passThroughForm(restoring.form);
    StateContacts state = contactsOfState(book, 2);
    ASSERT_EQ(state.error, "");
    restoring.becomeList(std::move(state.rows), "Restore the whole book");
    passThroughForm(restoring.form);
    EXPECT_EQ(exportList(restoring.store(), ExchangeFormat::VCard4), expectedBook("typed_steps_restored.vcf"));

    // A contact born tomorrow, found by Upcoming dates, marked and shown, then updated to one
    // without a date.
    const CivilDate tomorrow = dateFromDays(daysSinceEpoch(localToday()) + 1);
    restoring.form[F::DOBDAY] = std::to_string(tomorrow.day);
    restoring.form[F::DOBMON] = comboEntriesInListOrder(fieldInfo(F::DOBMON).controlId)[static_cast<std::size_t>(tomorrow.month - 1)];
    restoring.add();
    passThroughForm(restoring.form);
    const std::vector<UpcomingDate> upcoming = upcomingDates(
        static_cast<std::size_t>(restoring.store().rowCount()),
        [&](std::size_t row) -> const ContactRecord& {
            static ContactRecord record;
            record = restoring.store().record(static_cast<int>(row));
            return record;
        },
        localToday(), kDefaultUpcomingDays);
    ASSERT_EQ(upcoming.size(), 1u);
    restoring.mark().set(static_cast<int>(upcoming[0].row));
    restoring.showMarked();
    passThroughForm(restoring.form);
    restoring.form[F::SURNAME] = "Birthday";
    restoring.form[F::DOBDAY].clear();
    restoring.form[F::DOBMON].clear();
    restoring.update();
    passThroughForm(restoring.form);
    ASSERT_TRUE(importIntoList(restoring, std::filesystem::path(QOR_SOURCE_DIR) / "tests/win32/import.vcf").ok);
    passThroughForm(restoring.form);
    save(restoring);
    EXPECT_EQ(fileContents(book), expectedBook("typed_steps_restored.qor"));
}

} // namespace
} // namespace qor
