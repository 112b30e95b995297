#include "dialog_template.h"

#include "control_ids.h"

#include <QFontMetrics>

namespace qor {

namespace {
using enum ControlType;
constexpr DialogControl kBookDialog[] = {
#include "book_dialog_template.inc"
};
constexpr DialogControl kAboutDialog[] = {
#include "about_dialog_template.inc"
};
} // namespace

std::span<const DialogControl> bookDialogTemplate() { return kBookDialog; }
std::span<const DialogControl> aboutDialogTemplate() { return kAboutDialog; }

DialogUnits::DialogUnits(const QFontMetrics& metrics)
    // The average character width is taken over the 52 letters, rounded, as dialog templates
    // have always measured it: a font's own "average" understates how wide its labels run.
    : m_baseX((metrics.horizontalAdvance(
                   QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2),
      m_baseY(metrics.height())
{
}

QRect DialogUnits::rect(int left, int top, int width, int height) const
{
    // Convert the edges, not the size, so that neighbouring controls meet as in the template.
    const int l = x(left), t = y(top);
    return QRect(l, t, x(left + width) - l, y(top + height) - t);
}

} // namespace qor
