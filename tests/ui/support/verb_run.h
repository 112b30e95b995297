#pragma once

#include "command_line.h"

#include <sstream>
#include <string>
#include <vector>

namespace qor::test {

// What a verb of the command line did, run in this process as main() would run it.
struct Run {
    int status = -1;
    std::string out;
    std::string err;
};

inline Run run(const std::vector<std::string>& args)
{
    Run r;
    const ParsedCommandLine parsed = parseCommandLine(args);
    if (!parsed.error.empty()) {
        r.status = kExitUsage;
        r.err = parsed.error;
        return r;
    }
    std::ostringstream out, err;
    r.status = runVerb(parsed.line, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

} // namespace qor::test
