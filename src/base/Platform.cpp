// Default hook implementations: stderr for message boxes, /proc/self/exe for the program directory.
#include "Platform.h"

#include <unistd.h>

#include <climits>
#include <iostream>

namespace {
MessageBoxHandler messageBoxHandler;
std::string programDirectoryOverride;
}  // namespace

void setMessageBoxHandler(MessageBoxHandler handler) { messageBoxHandler = std::move(handler); }

void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    std::cerr << caption << ": " << text << std::endl;
    if (messageBoxHandler) messageBoxHandler(text, caption, icon);
}

void setProgramDirectoryOverride(const std::string& directory) { programDirectoryOverride = directory; }

std::string getProgramDirectory() {
    if (!programDirectoryOverride.empty()) return programDirectoryOverride;
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string exe(path, static_cast<std::size_t>(n));
    std::size_t slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}
