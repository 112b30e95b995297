#pragma once

#include <QProxyStyle>

namespace qor {

// Draws the default button (the one Enter presses) with a dark frame of its own instead of the
// style's: Fusion frames it in the highlight colour it frames the focus with, so the OK button
// looked focused while the user typed in a field. The focus keeps the style's look.
class DefaultButtonStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace qor
