#include "command_line.h"
#include "contact_app.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const qor::ParsedCommandLine parsed = qor::parseCommandLine(args);
    if (!parsed.error.empty())
        return qor::usageError(std::cerr, parsed.error);
    // The verbs start no GUI: no QApplication, no display needed.
    if (!qor::opensWindow(parsed.line))
        return qor::runVerb(parsed.line, std::cout, std::cerr);

    std::filesystem::path book;
    std::string error;
    if (!qor::bookOperand(parsed.line, 0, book, error))
        return qor::usageError(std::cerr, error);
    qor::ContactApp app;
    return app.run(argv[0], book);
}
