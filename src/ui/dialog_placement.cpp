#include "dialog_placement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>

namespace qor {

namespace {
// A dialog's frame moved into the screen as a whole, its top left corner kept in when it is
// bigger than the screen.
QRect movedInto(const QRect& screen, QRect frame)
{
    frame.moveLeft(std::max(screen.left(), std::min(frame.left(), screen.right() - frame.width() + 1)));
    frame.moveTop(std::max(screen.top(), std::min(frame.top(), screen.bottom() - frame.height() + 1)));
    return frame;
}

long long areaOf(const QRect& r) { return r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height(); }
} // namespace

QPoint placeBeside(const QRect& screen, const QRect& window, const QRect& form, const QSize& size)
{
    const std::array<QPoint, 4> places{{
        {window.right() + 1, window.top()},
        {window.left() - size.width(), window.top()},
        {window.left(), form.bottom() + 1},
        {window.left(), window.top() - size.height()},
    }};
    QRect best;
    long long leastHidden = -1;
    for (const QPoint& place : places) {
        const QRect frame = movedInto(screen, QRect(place, size));
        const long long hidden = areaOf(frame.intersected(form));
        if (leastHidden < 0 || hidden < leastHidden) {
            best = frame;
            leastHidden = hidden;
        }
    }
    return best.topLeft();
}

void moveBesideForm(QWidget& dialog, const QWidget& window, const QWidget& formEnd)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QRect frame = window.frameGeometry();
    const QPoint formTop = window.mapToGlobal(QPoint(0, 0));
    const QRect form(formTop, QSize(window.width(), formEnd.mapTo(&window, QPoint(0, 0)).y()));
    // The frame's size around the dialog: known once it was shown, else as the window's.
    const QSize margins = dialog.isVisible() ? dialog.frameGeometry().size() - dialog.size()
                                             : frame.size() - window.size();
    const QPoint place = placeBeside(screen->availableGeometry(), frame, form, dialog.size() + margins);
    dialog.move(place); // a window's position is that of its frame
}

} // namespace qor
