#pragma once

#include <filesystem>

namespace qor {

// The application: prepares the process for the network (Windows sockets), runs the main
// window modally and ends when it closes.
class ContactApp {
public:
    // Runs the window on `book`; returns the process's exit code. `programPath` is argv[0].
    int run(char* programPath, const std::filesystem::path& book);
};

// Windows sockets start-up (version negotiation only); trivially true elsewhere.
bool initialiseSockets();

} // namespace qor
