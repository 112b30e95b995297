#pragma once

#include <ctime>

namespace qor {

// The wall-clock time here, broken down, for the names of files written beside the book.
inline std::tm localTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

} // namespace qor
