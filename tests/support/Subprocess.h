// Runs a program of the build (or any command) as a child process for end-to-end tests: in a
// chosen working directory, with environment variables set or removed, stdout and stderr
// captured, and the whole process group killed when a generous time limit passes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    int exitCode = -1;      // 0..255, or 128 + signal number when killed by a signal
    bool timedOut = false;  // killed after the time limit
    double seconds = 0.0;   // wall time from start to exit
    std::string out, err;
};

struct ProcessOptions {
    std::string workingDirectory;  // "" = the test's own
    // name -> value to set, or nullopt to remove the variable.
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    double timeoutSeconds = 120.0;
};

// argv[0] without a slash is looked up in PATH.
ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// A program of this build: the folder of the running test executable + "/" + name.
std::string buildProgram(const std::string& name);
