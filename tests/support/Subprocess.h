// Runs a shell command for end-to-end tests: in a given folder, stdin from /dev/null, stdout
// and stderr captured, the whole process group killed (coreutils timeout) at a generous limit.
#pragma once

#include <string>

struct ProcessResult {
    int exitCode = -1;  // 124 or 137 when the time limit killed it
    std::string out, err;
};

ProcessResult runShell(const std::string& command, const std::string& directory, int timeoutSeconds = 300);

// The folder of the running test executable + "/" + name, single-quoted for the shell.
std::string buildProgram(const std::string& name);
