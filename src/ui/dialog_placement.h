#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace qor {

// Where a dialog of frame size `size` goes so that it hides as little of `form` as it can: the
// first of these places that covers the least of it, each moved into `screen` as a whole:
// right of `window`, left of it, below `form`, above `window`. On a screen with room beside the
// window, the dialog covers nothing of it. All rectangles are in screen coordinates.
QPoint placeBeside(const QRect& screen, const QRect& window, const QRect& form, const QSize& size);

// Moves `dialog`, about to be shown, beside the form of `window`: the window's part above
// `formEnd`, a widget of the window whose top is where the form ends.
void moveBesideForm(QWidget& dialog, const QWidget& window, const QWidget& formEnd);

} // namespace qor
