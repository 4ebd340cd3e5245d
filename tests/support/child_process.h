// Programs that the tests run to their end, such as the build's own tools.
#pragma once

#include <string>

// Runs the command line and waits for it to end; its standard error goes to the file at errorPath
// when one is given. Its exit code, or -1 when it could not be started.
long RunToEnd(std::string commandLine, const std::string& errorPath = std::string());
