#pragma once

#include <QFont>

class QFontMetrics;
class QStyle;

namespace qor {

// The font the window templates are laid out in, standing in for their 8-point "MS Sans
// Serif": Liberation Sans, which has the widths of the classic Windows sans, else Arimo, Arial
// or Helvetica, else the desktop's sans serif. Its pixel size starts at 8 points and grows a
// pixel at a time until every text of the main window's template fits its control under
// `style` (templateTextsFit); if no size up to twice that does, it stays at 8 points. Dialog
// units are then computed from it the way Windows computes them (DialogUnits).
QFont dialogFont(const QStyle* style);

// Whether, with the main window's template laid out in `font`, every label's text fits the
// label's width and every combo box's widest entry fits the visible width of the box's edit
// field under `style`.
bool templateTextsFit(const QFont& font, const QStyle* style);

// The width in pixels that an editable combo box of `width` x `height` pixels shows its text
// in under `style`: its edit field less the line edit's margins.
int comboTextRoom(const QStyle* style, const QFontMetrics& metrics, int width, int height);

} // namespace qor
