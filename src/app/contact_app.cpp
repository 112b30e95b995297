#include "contact_app.h"

#include "book_dialog.h"
#include "message_box.h"
#include "signal_saver.h"
#include "window_chrome.h"

#include <QApplication>
#include <QFileInfo>

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

int ContactApp::run(char* programPath, const std::filesystem::path& book)
{
    // The command line is QOR's own: Qt's options ("-style", "-platform") are not taken from
    // it, so a book named like one of them opens as a book.
    int argc = 1;
    char* argv[] = {programPath, nullptr};
    QApplication app(argc, argv);
    // The application's name is the executable's, "qor"; its boxes are titled "QOR".
    QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).completeBaseName());

    if (!initialiseSockets()) {
        tellInBox(nullptr, QMessageBox::Warning, QStringLiteral("Windows sockets initialization failed."));
        return 0;
    }
    SignalSaver ending; // before the window: a signal while it opens waits for it
    BookDialog dialog(book, nullptr, installWindowChrome);
    if (!dialog.quitAtStart())
        dialog.exec();
    return ending.exitStatus(0);
}

} // namespace qor
