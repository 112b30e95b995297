#pragma once

#include "destroyed_window_watch.h"

#include <QObject>

class QSocketNotifier;

namespace qor {

class BookDialog;

// Makes every way the process is asked to end save the book as closing the window does:
// SIGTERM, SIGHUP and SIGINT, the end of the desktop session, the window destroyed by another
// X11 client, and a display connection that breaks (the platform then ends the process with
// exit(): the book is saved on the way out).
// A file-size limit makes a save fail with EFBIG instead of killing the process (SIGXFSZ is
// ignored). Make it before the window, so that a signal during start-up is held until the
// window can end; the window it ends is the application's BookDialog.
class SignalSaver : public QObject {
    Q_OBJECT
public:
    SignalSaver();
    ~SignalSaver() override;

    // The process's exit status: `normal`, or 128 plus the number of the signal that ended it.
    int exitStatus(int normal) const;

    // The application's main window, or none.
    static BookDialog* bookWindow();

private:
    void signalArrived();
    void endWindow();

    int m_signal = 0;
    QSocketNotifier* m_notifier = nullptr;
    DestroyedWindowWatch m_destroyedWindow;
};

// The platform's side. Ignores SIGXFSZ and routes SIGTERM, SIGHUP and SIGINT into a socket
// whose reading end it returns (-1 where the platform has no such signals); the handler only
// writes the signal's number there, so nothing is saved inside the handler.
int catchTerminationSignals();
// The number of the next signal waiting on `fd`, 0 when none.
int takeTerminationSignal(int fd);
// Puts the dispositions back as they were before catchTerminationSignals, so a second
// signal ends the process at once.
void releaseTerminationSignals();

} // namespace qor
