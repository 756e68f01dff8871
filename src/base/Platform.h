// The few services of the operating system that the platform-free code needs, as hooks:
// modal message boxes and the program directory. The platform layer (SDL2) or the offline
// renderer installs its own; without one a message box is only the stderr line.
// Does not create windows or read input (see src/platform/).
#pragma once

#include <functional>
#include <string>

enum class MessageIcon { Error, Warning };

using MessageBoxHandler =
    std::function<void(const std::string& text, const std::string& caption, MessageIcon icon)>;

// Writes "caption: text" to stderr, then shows the box through the installed handler (if any).
void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon);
void setMessageBoxHandler(MessageBoxHandler handler);

// Directory of the running executable (from /proc/self/exe), or the override when one is set.
std::string getProgramDirectory();
// An empty string removes the override.
void setProgramDirectoryOverride(const std::string& directory);
