// Saving the book however the process is ended.
#include "signal_saver.h"

#include "book_dialog.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cstdlib>

namespace qor {

namespace {

SignalSaver* g_saver = nullptr;

// Runs when something calls exit() while the window is open: the platform does so when the
// connection to the display breaks. The widgets are of no use any more; the list still is.
void saveOnExit()
{
    if (!g_saver)
        return;
    if (BookDialog* window = SignalSaver::bookWindow())
        window->saveWithoutWindow();
}

} // namespace

SignalSaver::SignalSaver()
{
    static const bool registered = std::atexit(saveOnExit) == 0;
    (void)registered;
    g_saver = this;
    const int fd = catchTerminationSignals();
    if (fd >= 0) {
        m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SignalSaver::signalArrived);
    }
    // The session manager asks the application to save before the session ends.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &SignalSaver::endWindow);
    qApp->installNativeEventFilter(&m_destroyedWindow);
}

SignalSaver::~SignalSaver()
{
    g_saver = nullptr;
    qApp->removeNativeEventFilter(&m_destroyedWindow);
    releaseTerminationSignals();
}

int SignalSaver::exitStatus(int normal) const { return m_signal != 0 ? 128 + m_signal : normal; }

BookDialog* SignalSaver::bookWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<BookDialog*>(widget))
            return window;
    return nullptr;
}

void SignalSaver::signalArrived()
{
    const int signal = takeTerminationSignal(int(m_notifier->socket()));
    if (signal == 0 || m_signal != 0)
        return;
    m_signal = signal;
    releaseTerminationSignals();
    endWindow();
}

void SignalSaver::endWindow()
{
    if (BookDialog* window = bookWindow())
        window->endUnattended();
    else
        QCoreApplication::exit(exitStatus(0));
}

} // namespace qor
