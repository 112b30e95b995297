#include "dialog_template.h"

#include <QFontMetrics>

namespace qor {

namespace {
using enum ControlType;
constexpr DialogControl kBookDialog[] = {
#include "book_dialog_template.inc"
};
} // namespace

std::span<const DialogControl> bookDialogTemplate() { return kBookDialog; }

DialogUnits::DialogUnits(const QFontMetrics& metrics)
    : m_baseX(metrics.averageCharWidth()), m_baseY(metrics.height())
{
}

QRect DialogUnits::rect(int left, int top, int width, int height) const
{
    // Convert the edges, not the size, so that neighbouring controls meet as in the template.
    const int l = x(left), t = y(top);
    return QRect(l, t, x(left + width) - l, y(top + height) - t);
}

} // namespace qor
