#pragma once

namespace qor {

// Makes a write past the file-size limit (ulimit -f) fail with EFBIG, which the writers report
// and clean up after, instead of killing the process with SIGXFSZ halfway through a file and
// leaving its temporary beside it. For the window and for every verb of the command line.
// Does nothing where there is no such signal.
void ignoreFileSizeSignal();

} // namespace qor
