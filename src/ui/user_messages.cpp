#include "user_messages.h"

#include "form_rules.h"
#include "message_box.h"

#include <QPushButton>

namespace qor {

void UserMessages::fieldTooLong(QWidget* parent, const QString& fieldName, std::size_t contacts)
{
    QString text = QStringLiteral("Enter no more than %1 characters.").arg(kMaxFieldChars);
    if (contacts > 0)
        text = QStringLiteral("%1 of the contacts hold more than %2 characters in a field, the first in \"%3\". "
                              "They are kept whole; a field you type takes no more than %2.")
                   .arg(contacts)
                   .arg(kMaxFieldChars)
                   .arg(fieldName);
    else if (!fieldName.isEmpty())
        text = QStringLiteral("Enter no more than %1 characters in \"%2\".").arg(kMaxFieldChars).arg(fieldName);
    tellInBox(parent, QMessageBox::Warning, text);
}

void UserMessages::saveFailed(QWidget* parent, const QString& reason)
{
    tellInBox(parent, QMessageBox::NoIcon, QStringLiteral("Save to File"), reason, QStringLiteral("Error Writing File"));
}

void UserMessages::bookRefused(QWidget* parent, BookRefusal why, const QString& fileName, const QString& reason)
{
    QString what;
    switch (why) {
    case BookRefusal::Unreadable:
        what = QStringLiteral("%1 could not be read.");
        break;
    case BookRefusal::NotABook:
        what = QStringLiteral("%1 is not a QOR contact book.");
        break;
    case BookRefusal::TooBig:
        what = QStringLiteral("%1 is too big to open with the memory this computer has.");
        break;
    }
    tellInBox(parent, QMessageBox::Warning,
              what.arg(fileName)
                  + QStringLiteral("\n\nQOR opens an empty book and leaves the file unchanged: nothing is saved over it."),
              reason);
}

bool UserMessages::closeWithoutSaving(QWidget* parent)
{
    WindowBox box(parent, QMessageBox::Question,
                  QStringLiteral("The contact book could not be saved, so closing now loses every change "
                                 "since the last save.\n\nClose without saving?"),
                  QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

ConflictChoice UserMessages::bookChanged(QWidget* parent, const BookChange& change)
{
    const QString what = QStringLiteral("The contact book was changed on disk by another window or program since "
                                        "QOR last read or saved it");
    WindowBox box(parent, QMessageBox::Warning, QString(), QMessageBox::NoButton);
    QPushButton* merge = nullptr;
    QPushButton* beside = nullptr;
    if (change.canMerge) {
        box.setText(what + QStringLiteral(" (%1 contacts).\n\n"
                                          "Merge: the book keeps both sides' changes; a contact changed in both "
                                          "places is kept in both versions.")
                               .arg(change.otherSideChanges));
        merge = box.addButton(QStringLiteral("&Merge"), QMessageBox::AcceptRole);
    } else {
        box.setText(what + QStringLiteral(", and it can no longer be merged with. Saving now would overwrite it.\n\n"
                                          "Save beside it: your contacts go to %1 in the same folder, and the book "
                                          "stays as it is on disk.")
                               .arg(change.besideName));
        beside = box.addButton(QStringLiteral("&Save beside it"), QMessageBox::AcceptRole);
    }
    QPushButton* overwrite = box.addButton(QStringLiteral("&Overwrite"), QMessageBox::DestructiveRole);
    QPushButton* back = box.addButton(QStringLiteral("&Go back to the window"), QMessageBox::RejectRole);
    box.setDefaultButton(merge ? merge : beside);
    box.setEscapeButton(back);
    box.exec();
    if (box.clickedButton() == overwrite)
        return ConflictChoice::Overwrite;
    if (merge && box.clickedButton() == merge)
        return ConflictChoice::Merge;
    if (beside && box.clickedButton() == beside)
        return ConflictChoice::SaveBeside;
    return ConflictChoice::GoBack;
}

void UserMessages::mergeTold(QWidget* parent, const QString& note)
{
    tellInBox(parent, QMessageBox::Information, QStringLiteral("The book on disk and this window were merged. ") + note);
}

bool UserMessages::bookOpenElsewhere(QWidget* parent)
{
    WindowBox box(parent, QMessageBox::Warning,
                  QStringLiteral("The contact book is already open in another QOR window.\n\n"
                                 "Open anyway: a window that saves after the other merges the other's changes "
                                 "with its own, so neither window's contacts are lost.\n"
                                 "Quit: QOR ends here and leaves the book as it is."),
                  QMessageBox::NoButton);
    QPushButton* open = box.addButton(QStringLiteral("&Open anyway"), QMessageBox::AcceptRole);
    QPushButton* quit = box.addButton(QStringLiteral("&Quit"), QMessageBox::RejectRole);
    box.setDefaultButton(open);
    box.setEscapeButton(quit); // closing the box, or an end that comes while it is open, quits
    box.exec();
    return box.clickedButton() == open;
}

void UserMessages::helpNotOpened(QWidget* parent, const QString& page)
{
    tellInBox(parent, QMessageBox::Information,
              QStringLiteral("The help page could not be opened: this desktop has no program to show it.\n\n"
                             "Open it in a web browser: %1")
                  .arg(page));
}

void UserMessages::reloadFailed(QWidget* parent, const QString& error)
{
    tellInBox(parent, QMessageBox::Warning,
              QStringLiteral("The book could not be read again, so the list is as it was.\n\n%1").arg(error));
}

void UserMessages::oldBookKept(QWidget* parent, std::size_t lines, const QString& keptName)
{
    tellInBox(parent, QMessageBox::Information, oldBookKeptText(lines, keptName));
}

void UserMessages::listRescued(QWidget* parent, const QString& path)
{
    tellInBox(parent, QMessageBox::Information, listRescuedText(path));
}

void UserMessages::historyTrouble(QWidget* parent, const QString& error, const QString& setAsideName)
{
    tellInBox(parent, QMessageBox::Information, historyTroubleText(error, setAsideName));
}

QString historyTroubleText(const QString& error, const QString& setAsideName)
{
    QString text = QStringLiteral("The book is saved.");
    if (!setAsideName.isEmpty())
        text += QStringLiteral(" Its history was damaged: it is kept as %1 beside the book, and a new history "
                               "begins with this save.")
                    .arg(setAsideName);
    if (!error.isEmpty())
        text += QStringLiteral(" This save is not in the book's history: %1.").arg(error);
    return text;
}

QString listRescuedText(const QString& path)
{
    return QStringLiteral("The book's folder takes no new file, so this window's contacts were saved as %1.").arg(path);
}

QString oldBookKeptText(std::size_t lines, const QString& keptName)
{
    return QStringLiteral("The book held %1 %2 that QOR does not read, and the saved book does not hold %3. "
                          "The book as it was is kept as %4.")
        .arg(lines)
        .arg(lines == 1 ? QStringLiteral("line") : QStringLiteral("lines"))
        .arg(lines == 1 ? QStringLiteral("it") : QStringLiteral("them"))
        .arg(keptName);
}

} // namespace qor
