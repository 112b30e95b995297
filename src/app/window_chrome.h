#pragma once

#include <QIcon>

class QMenu;
class QWidget;

namespace qor {

class BookDialog;

// The main window's chrome, run as the window's last initialisation step: the application
// icon, the "Upcoming dates..." item, which opens the list of coming birthdays and
// anniversaries, and the "About QOR..." item, which opens the About box. On Windows the items
// are added to the window's system menu; elsewhere a right click on the window's background
// shows them.
void installWindowChrome(BookDialog& window);

// Icon 128 in its 16, 32 and 256 pixel images.
QIcon applicationIcon();

// The menu holding the items that installWindowChrome gave `window`, or null. Its actions are
// named "upcomingAction" and "aboutAction".
QMenu* aboutMenuFor(QWidget* window);

// The About item's text (string 101) and its system menu command.
inline constexpr const char* kAboutItemText = "&About QOR...";
inline constexpr unsigned kAboutCommand = 16;
// The system menu command of the Upcoming dates item (system menu commands are multiples of 16).
inline constexpr unsigned kUpcomingCommand = 32;

} // namespace qor
