#pragma once

#include "save_result.h"

#include <QString>

class QWidget;

namespace qor {

// What the conflict box tells: the file "Save beside it" writes, whether the two sides can be
// merged, and what the other side changed ("+3, -1").
struct BookChange {
    QString besideName;
    bool canMerge = false;
    QString otherSideChanges;
};

// The message boxes the main window shows, titled "QOR" unless told otherwise and in the
// window's font. Every box waits for the user. Tests replace this with a recorder.
class UserMessages {
public:
    virtual ~UserMessages() = default;

    // A form field holds more than 255 characters: exclamation icon, OK. `fieldName` is the
    // field's name ("Home street"); `contacts` is how many contacts of a book just opened hold
    // such texts, 0 for what the user typed.
    virtual void fieldTooLong(QWidget* parent, const QString& fieldName = {}, std::size_t contacts = 0);
    // The book could not be written: "Save to File" under "Error Writing File", OK only.
    // `reason` (what the system said) is offered as the box's details.
    virtual void saveFailed(QWidget* parent, const QString& reason = {});
    // At opening: the book file `fileName` is left as it is, and the window shows an empty book.
    // Warning icon, OK; `reason` (what the system said) as details.
    virtual void bookRefused(QWidget* parent, BookRefusal why, const QString& fileName, const QString& reason = {});
    // After a failed save while the window closes: true to close without saving. The default
    // answer keeps the window open.
    virtual bool closeWithoutSaving(QWidget* parent);
    // Before a save: the book changed on disk. Merge (the default) when the two can be merged,
    // Overwrite, Go back; "Save beside it" (the default) instead of Merge when they cannot.
    virtual ConflictChoice bookChanged(QWidget* parent, const BookChange& change);
    // After a save that merged: what the user should know of it (mergeNote). Information icon.
    virtual void mergeTold(QWidget* parent, const QString& note);
    // After a save: the book held `lines` lines QOR does not read, which the new book does not
    // hold; the book as it was is kept as `keptName` beside it. Information icon, OK.
    virtual void oldBookKept(QWidget* parent, std::size_t lines, const QString& keptName);
    // After a save, which is made all the same: the book's history was damaged and is kept as
    // `setAsideName` beside the book, a new one begun (empty if not); the save is not in the
    // history because of `error` (empty if it is). Information icon, OK.
    virtual void historyTrouble(QWidget* parent, const QString& error, const QString& setAsideName);
    // The list went to `path` in the rescue folder, for the book's folder took no new file.
    // Information icon, OK.
    virtual void listRescued(QWidget* parent, const QString& path);
    // At start: another QOR window holds the book. True for "Open anyway" (the default), false
    // for "Quit", which ends the program and leaves the book untouched; closing the box quits.
    virtual bool bookOpenElsewhere(QWidget* parent);
    // The desktop could not open the help page (no browser): the box names `page`, for the
    // user to open by hand. Information icon, OK.
    virtual void helpNotOpened(QWidget* parent, const QString& page);
    // Reload from disk could not read the book (`error`, what went wrong): the list is as it
    // was. Warning icon, OK.
    virtual void reloadFailed(QWidget* parent, const QString& error);
};

// The text of UserMessages::listRescued, also for the standard error of an unattended save.
QString listRescuedText(const QString& path);
// The text of UserMessages::oldBookKept, also for the standard error of an unattended save.
QString oldBookKeptText(std::size_t lines, const QString& keptName);
// The text of UserMessages::historyTrouble, also for the standard error of an unattended save.
QString historyTroubleText(const QString& error, const QString& setAsideName);

} // namespace qor
