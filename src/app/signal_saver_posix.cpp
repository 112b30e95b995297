// Catching the termination signals through a socket pair: the handler writes the signal's
// number, the event loop reads it.
#ifndef _WIN32
#include "signal_saver.h"

#include "file_size_signal.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qor {

namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGHUP, SIGINT};
int g_sockets[2] = {-1, -1};
struct sigaction g_previous[3];
bool g_caught = false;

void onTerminationSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_sockets[0], &number, 1);
    errno = saved;
}

} // namespace

int catchTerminationSignals()
{
    // A save past a file-size limit fails with EFBIG and is reported; it must not kill.
    ignoreFileSizeSignal();
    if (g_sockets[0] < 0) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_sockets) != 0)
            return -1;
        ::fcntl(g_sockets[0], F_SETFL, O_NONBLOCK);
        ::fcntl(g_sockets[1], F_SETFL, O_NONBLOCK);
    }
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        // A signal ignored from the start (SIGHUP under nohup) stays ignored.
        ::sigaction(kTerminationSignals[i], nullptr, &g_previous[i]);
        if (g_previous[i].sa_handler != SIG_IGN)
            ::sigaction(kTerminationSignals[i], &action, nullptr);
    }
    g_caught = true;
    return g_sockets[1];
}

int takeTerminationSignal(int fd)
{
    unsigned char number = 0;
    const ssize_t n = ::read(fd, &number, 1);
    return n == 1 ? number : 0;
}

void releaseTerminationSignals()
{
    if (!g_caught)
        return;
    g_caught = false;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kTerminationSignals[i], &g_previous[i], nullptr);
}

} // namespace qor

#endif
