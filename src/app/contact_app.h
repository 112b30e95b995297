#pragma once

namespace qor {

// The application: prepares the process for the network (Windows sockets), runs the main
// window modally and ends when it closes.
class ContactApp {
public:
    // Runs the whole program; returns the process's exit code.
    int run(int argc, char** argv);
};

// Windows sockets start-up (version negotiation only); trivially true elsewhere.
bool initialiseSockets();

} // namespace qor
