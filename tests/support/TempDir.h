// A fresh temporary directory for one test, removed with everything in it afterwards.
// Optionally makes it the working directory for the test's lifetime (for files the code
// writes relative to the working directory, such as the crash trace).
#pragma once

#include <filesystem>
#include <string>

class TempDir {
public:
    explicit TempDir(bool enter = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes `content` to `name` (creating parent folders) and returns the full path.
    std::string write(const std::string& name, const std::string& content) const;
    // The whole content of `name`, or "" when it does not exist.
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
    bool entered_ = false;
};
