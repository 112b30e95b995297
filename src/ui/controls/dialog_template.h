#pragma once

#include "control_ids.h"

#include <QSize>
#include <QRect>
#include <span>

class QFontMetrics;

namespace qor {

enum class ControlType { Edit, Combo, SortedCombo, ListView, Button, DefaultButton, Label };

// One control of a dialog template, in dialog units.
struct DialogControl {
    int id; // kNoControlId for a label without an ID of its own
    ControlType type;
    int x, y, width, height;
    const char* text;
};

// The main window's controls in template order: the 41 controls in tab order, then the labels.
std::span<const DialogControl> bookDialogTemplate();
inline constexpr int kBookDialogWidth = 337;
inline constexpr int kBookDialogHeight = 290;

// The About box's controls in template order: the application icon, two lines of text, OK.
// The icon is a label whose text names an icon resource, "#128", as a static icon control's
// text does in a resource script.
std::span<const DialogControl> aboutDialogTemplate();
inline constexpr const char* kApplicationIconName = "#128";
inline constexpr int kAboutDialogWidth = 235;
inline constexpr int kAboutDialogHeight = 55;

// A drop-down combo box is one line high when closed; the template gives its dropped height.
inline constexpr int kClosedComboHeight = 12;

// Converts dialog units to pixels: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& metrics);
    DialogUnits(int averageCharWidth, int charHeight) : m_baseX(averageCharWidth), m_baseY(charHeight) {}

    int x(int units) const { return scale(units, m_baseX, 4); }
    int y(int units) const { return scale(units, m_baseY, 8); }
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const { return {x(width), this->y(height)}; }

private:
    static int scale(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }
    int m_baseX;
    int m_baseY;
};

} // namespace qor
