#pragma once

#include <cstddef>
#include <string>

namespace qor {

// What a sync did, for the user: "3 sent, 5 received, 1 deleted here, 0 deleted there, 1 changed
// in both places: both kept".
struct SyncFigures {
    std::size_t sent = 0;          // cards created or updated on the server
    std::size_t received = 0;      // contacts added to or changed in the book from the server
    std::size_t deletedHere = 0;   // contacts removed from the book
    std::size_t deletedThere = 0;  // cards removed from the server
    std::size_t changedInBoth = 0; // contacts changed on both sides: both versions kept

    SyncFigures& operator+=(const SyncFigures& more)
    {
        sent += more.sent;
        received += more.received;
        deletedHere += more.deletedHere;
        deletedThere += more.deletedThere;
        changedInBoth += more.changedInBoth;
        return *this;
    }
    std::string describe() const
    {
        return std::to_string(sent) + " sent, " + std::to_string(received) + " received, "
            + std::to_string(deletedHere) + " deleted here, " + std::to_string(deletedThere) + " deleted there, "
            + std::to_string(changedInBoth) + " changed in both places" + (changedInBoth > 0 ? ": both kept" : "");
    }
};

} // namespace qor
