#include "user_messages.h"

#include "form_rules.h"
#include "message_box.h"
#include "window_texts.h"

#include <QPushButton>

namespace qor {

void UserMessages::fieldTooLong(QWidget* parent, const QString& fieldName, std::size_t contacts)
{
    tellInBox(parent, QMessageBox::Warning, QString::fromStdString(fieldTooLongText(fieldName.toStdString(), contacts)));
}

void UserMessages::saveFailed(QWidget* parent, const QString& reason)
{
    tellInBox(parent, QMessageBox::NoIcon, QStringLiteral("Save to File"), reason, QStringLiteral("Error Writing File"));
}

void UserMessages::bookRefused(QWidget* parent, BookRefusal why, const QString& fileName, const QString& reason)
{
    tellInBox(parent, QMessageBox::Warning, QString::fromStdString(bookRefusedText(why, fileName.toStdString())), reason);
}

bool UserMessages::closeWithoutSaving(QWidget* parent)
{
    WindowBox box(parent, QMessageBox::Question,
                  QString::fromStdString(closeWithoutSavingText()),
                  QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

ConflictChoice UserMessages::bookChanged(QWidget* parent, const BookChange& change)
{
    WindowBox box(parent, QMessageBox::Warning,
                  QString::fromStdString(bookChangedText(change.canMerge, change.otherSideChanges.toStdString(),
                                                         change.besideName.toStdString())),
                  QMessageBox::NoButton);
    QPushButton* merge = nullptr;
    QPushButton* beside = nullptr;
    if (change.canMerge)
        merge = box.addButton(QStringLiteral("&Merge"), QMessageBox::AcceptRole);
    else
        beside = box.addButton(QStringLiteral("&Save beside it"), QMessageBox::AcceptRole);
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
    tellInBox(parent, QMessageBox::Information, QString::fromStdString(mergeToldText(note.toStdString())));
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
    tellInBox(parent, QMessageBox::Warning, QString::fromStdString(reloadFailedText(error.toStdString())));
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
    return QString::fromStdString(historyTroubleText(error.toStdString(), setAsideName.toStdString()));
}

QString listRescuedText(const QString& path) { return QString::fromStdString(listRescuedText(path.toStdString())); }

QString oldBookKeptText(std::size_t lines, const QString& keptName)
{
    return QString::fromStdString(oldBookKeptText(lines, keptName.toStdString()));
}

} // namespace qor
