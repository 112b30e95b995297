// Windows has no termination signals to catch; the end of the session reaches the window as
// the session manager's request.
#ifdef _WIN32
#include "signal_saver.h"

namespace qor {

int catchTerminationSignals() { return -1; }
int takeTerminationSignal(int) { return 0; }
void releaseTerminationSignals() {}

} // namespace qor

#endif
