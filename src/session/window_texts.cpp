#include "window_texts.h"

#include "form_rules.h"

namespace qor {

std::string fieldTooLongText(std::string_view fieldName, std::size_t contacts)
{
    const std::string limit = std::to_string(kMaxFieldChars);
    if (contacts > 0)
        return std::to_string(contacts) + " of the contacts hold more than " + limit
             + " characters in a field, the first in \"" + std::string(fieldName)
             + "\". They are kept whole; a field you type takes no more than " + limit + ".";
    if (!fieldName.empty())
        return "Enter no more than " + limit + " characters in \"" + std::string(fieldName) + "\".";
    return "Enter no more than " + limit + " characters.";
}

std::string bookRefusedText(BookRefusal why, std::string_view fileName)
{
    std::string text(fileName);
    switch (why) {
    case BookRefusal::Unreadable:
        text += " could not be read.";
        break;
    case BookRefusal::NotABook:
        text += " is not a QOR contact book.";
        break;
    case BookRefusal::TooBig:
        text += " is too big to open with the memory this computer has.";
        break;
    }
    return text + "\n\nQOR opens an empty book and leaves the file unchanged: nothing is saved over it.";
}

std::string closeWithoutSavingText()
{
    return "The contact book could not be saved, so closing now loses every change since the last save.\n\n"
           "Close without saving?";
}

std::string bookChangedText(bool canMerge, std::string_view otherSideChanges, std::string_view besideName)
{
    const std::string what =
        "The contact book was changed on disk by another window or program since QOR last read or saved it";
    if (canMerge)
        return what + " (" + std::string(otherSideChanges)
             + " contacts).\n\nMerge: the book keeps both sides' changes; a contact changed in both places is "
               "kept in both versions.";
    return what + ", and it can no longer be merged with. Saving now would overwrite it.\n\nSave beside it: your "
                  "contacts go to "
         + std::string(besideName) + " in the same folder, and the book stays as it is on disk.";
}

std::string mergeToldText(std::string_view note)
{
    return "The book on disk and this window were merged. " + std::string(note);
}

std::string listRescuedText(std::string_view path)
{
    return "The book's folder takes no new file, so this window's contacts were saved as " + std::string(path) + ".";
}

std::string oldBookKeptText(std::size_t lines, std::string_view keptName)
{
    const bool one = lines == 1;
    return "The book held " + std::to_string(lines) + (one ? " line" : " lines")
         + " that QOR does not read, and the saved book does not hold " + (one ? "it" : "them")
         + ". The book as it was is kept as " + std::string(keptName) + ".";
}

std::string reloadFailedText(std::string_view error)
{
    return "The book could not be read again, so the list is as it was.\n\n" + std::string(error);
}

std::string historyTroubleText(std::string_view error, std::string_view setAsideName)
{
    std::string text = "The book is saved.";
    if (!setAsideName.empty())
        text += " Its history was damaged: it is kept as " + std::string(setAsideName)
              + " beside the book, and a new history begins with this save.";
    if (!error.empty())
        text += " This save is not in the book's history: " + std::string(error) + ".";
    return text;
}

} // namespace qor
