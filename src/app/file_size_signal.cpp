#include "file_size_signal.h"

#include <csignal>

namespace qor {

void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace qor
