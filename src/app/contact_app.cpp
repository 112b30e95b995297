#include "contact_app.h"

#include "book_dialog.h"
#include "signal_saver.h"
#include "window_chrome.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

#ifdef Q_OS_WIN
#include <winsock2.h>
#endif

namespace qor {

bool initialiseSockets()
{
#ifdef Q_OS_WIN
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
#else
    return true;
#endif
}

int ContactApp::run(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The application's title is the executable's name, "qor".
    QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).completeBaseName());

    if (!initialiseSockets()) {
        QMessageBox::warning(nullptr, QApplication::applicationName(),
                             QStringLiteral("Windows sockets initialization failed."), QMessageBox::Ok);
        return 0;
    }
    SignalSaver ending; // before the window: a signal while it opens waits for it
    BookDialog dialog("qor.qor", nullptr, installWindowChrome);
    dialog.exec();
    return ending.exitStatus(0);
}

} // namespace qor
