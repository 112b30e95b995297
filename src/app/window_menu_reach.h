#pragma once

class QMenu;
class QWidget;

namespace qor {

// Opens the window menu `menu` from anywhere in `window`: a right click on any control, label
// or the background, and Shift+F10 or the Menu key from whichever control has the focus. A
// text field (an editable combo box's too) keeps its own edit menu, which gains the window
// menu as a submenu.
void reachWindowMenu(QWidget& window, QMenu& menu);

// The title of the window menu where it is a submenu of a text field's own menu.
inline constexpr const char* kWindowMenuTitle = "&QOR";

} // namespace qor
