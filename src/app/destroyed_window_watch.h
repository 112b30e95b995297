#pragma once

#include <QAbstractNativeEventFilter>

namespace qor {

// Watches the X11 events for the main window's own window being destroyed by another client:
// the platform carries on as if nothing happened, which would leave a process with no window
// and unsaved contacts. The window then ends as a signal ends it. Does nothing elsewhere.
class DestroyedWindowWatch : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
};

} // namespace qor
