// runShell: the command goes into a script file, so it needs no quoting; output goes to files,
// so a chatty child never blocks on a full pipe.
#include "support/Subprocess.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>

#include "support/TempDir.h"

ProcessResult runShell(const std::string& command, const std::string& directory, int timeoutSeconds) {
    const TempDir capture;
    const std::string script = capture.write("command.sh", "cd '" + directory + "' || exit 126\n" + command + "\n");
    const std::string line = "timeout -k 10 " + std::to_string(timeoutSeconds) + " sh '" + script + "' </dev/null >'" +
                             capture.file("out") + "' 2>'" + capture.file("err") + "'";
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, capture.read("out"), capture.read("err")};
}

std::string buildProgram(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    std::string quoted = "'";
    quoted += (folder / name).string();
    return quoted += "'";
}
