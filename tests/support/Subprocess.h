// Runs a shell command for end-to-end tests: in a given folder, stdin from /dev/null, stdout
// and stderr captured in files (a chatty child never blocks on a full pipe), the whole process
// group killed (coreutils timeout) at a generous limit.
#pragma once

#include <sys/wait.h>

#include "support/TempDir.h"

struct ProcessResult {
    int exitCode = -1;  // 124 or 137 when the time limit killed it
    std::string out, err;
};

// The command goes into a script file, so it needs no quoting.
inline ProcessResult runShell(const std::string& command, const std::string& directory, int timeoutSeconds = 300) {
    const TempDir capture;
    const std::string script = capture.write("command.sh", "cd '" + directory + "' || exit 126\n" + command + "\n");
    const int status = std::system(("timeout -k 10 " + std::to_string(timeoutSeconds) + " sh '" + script +
                                    "' </dev/null >'" + capture.file("out") + "' 2>'" + capture.file("err") + "'")
                                       .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, capture.read("out"), capture.read("err")};
}

// The folder of the running test executable + "/" + name, single-quoted for the shell.
inline std::string buildProgram(const std::string& name) {
    std::string quoted = "'";  // appended step by step: GCC 12 warns (-Wrestrict) about "'" + path + "'"
    quoted += (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
    return quoted += "'";
}
