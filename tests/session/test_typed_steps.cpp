// The steps tests/win32/drive_window types into qor.exe, replayed on the session as the window
// runs them: the book they leave must be tests/win32/typed_steps.qor, byte for byte, which
// qor.exe under Wine must write too. So the Windows window and the session agree.
#include "book_session.h"
#include "form_rules.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

using testing::fileContents;
using F = ContactField;

TEST(TypedSteps, theWindowsWindowTestStepsLeaveTheBookItExpects)
{
    testing::TempFolder folder("qor-typed-steps-");
    BookSession session(folder.path() / "qor.qor");
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
        {{}, [](BookSession& s) { ASSERT_EQ(s.save(SaveMode::Attended).outcome, SaveOutcome::Saved); }},
        {{{F::SURNAME, "Zed"}}, [](BookSession& s) { s.add(); }},
        {{}, [](BookSession& s) { ASSERT_EQ(s.save(SaveMode::Attended).outcome, SaveOutcome::Saved); }}, // Escape
    };
    for (const Step& step : steps) {
        for (const auto& [field, text] : step.typed)
            form[field] = text;
        step.command(session);
        shown();
    }
    EXPECT_EQ(fileContents(folder.path() / "qor.qor"),
              fileContents(std::filesystem::path(QOR_SOURCE_DIR) / "tests/win32/typed_steps.qor"));
}

} // namespace
} // namespace qor
