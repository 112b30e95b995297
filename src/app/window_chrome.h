#pragma once

#include <QIcon>

class QAction;
class QMenu;
class QWidget;

namespace qor {

class BookDialog;

// The main window's chrome, run as the window's last initialisation step: the application
// icon, the "About QOR..." item, which opens the About box, the Import... and Export...
// items, the "Upcoming dates..." item, which opens the list of coming birthdays and
// anniversaries, "History...", which lists the book's saved states to restore from,
// "Reload from disk", which makes the list what the book file holds now, and "Find
// duplicates...", which lists the people entered more than once and merges them. On Windows
// the items are added to the window's system menu; elsewhere a right click on the window's
// background shows them.
void installWindowChrome(BookDialog& window);

// Names the menu's Undo and Redo items after the changes they would act on ("Undo Delete
// "Lee, Ann""), and greys out the one with nothing to act on.
void nameUndoActions(BookDialog& window, QAction& undo, QAction& redo);

// Icon 128 in its 16, 32 and 256 pixel images.
QIcon applicationIcon();

// The menu holding the About item that installWindowChrome gave `window`, or null. Its
// actions are named "undoAction", "redoAction", "findAction", "importAction", "exportAction",
// "upcomingAction", "historyAction", "reloadAction", "duplicatesAction", "syncAction",
// "syncSettingsAction" and "aboutAction".
QMenu* aboutMenuFor(QWidget* window);

// The About item's text (string 101) and its system menu command.
inline constexpr const char* kAboutItemText = "&About QOR...";
inline constexpr unsigned kAboutCommand = 16;

// The items that bring contacts in from a vCard or CSV file and take the list out to one, and
// their system menu commands (multiples of 16, below the system's own).
inline constexpr const char* kImportItemText = "&Import...";
inline constexpr const char* kExportItemText = "&Export...";
inline constexpr unsigned kImportCommand = 32;
inline constexpr unsigned kExportCommand = 48;
// The system menu commands of the "Upcoming dates...", "History..." and "Reload from disk" items.
inline constexpr unsigned kUpcomingCommand = 64;
inline constexpr unsigned kHistoryCommand = 80;
inline constexpr unsigned kReloadCommand = 96;
// The system menu command of "Find duplicates...".
inline constexpr unsigned kDuplicatesCommand = 112;

// The item that makes the list what the book file holds now, as an undoable change.
inline constexpr const char* kReloadItemText = "Re&load from disk";

// The items that sync the list with a CardDAV address book and set its account, and their system
// menu commands.
inline constexpr const char* kSyncItemText = "&Sync now";
inline constexpr const char* kSyncSettingsItemText = "Sync se&ttings...";
inline constexpr unsigned kSyncCommand = 112;
inline constexpr unsigned kSyncSettingsCommand = 128;

} // namespace qor
