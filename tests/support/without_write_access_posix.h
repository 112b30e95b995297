#pragma once

#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qor::testing {

// The user a test becomes to meet permissions, when it runs as root (who writes anywhere).
inline constexpr uid_t kNobody = 65534;

// Runs `body` in a child process that may not write where only root may: the user nobody
// when this process is root, else this user. Returns what `body` returns (0 to 99), or 100
// when the child could not become nobody. The child's environment changes stay in it.
inline int inChildWithoutRootsRights(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

} // namespace qor::testing
