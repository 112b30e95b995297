// The main window's X11 window destroyed from outside.
#include "destroyed_window_watch.h"

#include "book_dialog.h"
#include "signal_saver.h"

#include <QByteArray>
#include <QMetaObject>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define QOR_HAVE_XCB 1
#endif

namespace qor {

bool DestroyedWindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
#ifdef QOR_HAVE_XCB
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY)
        return false;
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    BookDialog* window = SignalSaver::bookWindow();
    if (window && window->internalWinId() == WId(destroyed->window))
        QMetaObject::invokeMethod(window, &BookDialog::endUnattended, Qt::QueuedConnection);
#else
    (void)eventType;
    (void)message;
#endif
    return false;
}

} // namespace qor
