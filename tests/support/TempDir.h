// A fresh temporary directory for one test, removed with everything in it afterwards.
// Optionally makes it the working directory for the test's lifetime (for files the code
// writes relative to the working directory, such as the crash trace).
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempDir {
public:
    explicit TempDir(bool enter = false) {
        std::string pattern = (std::filesystem::temp_directory_path() / "demotest-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
        if (enter && !path_.empty()) {
            previous_ = std::filesystem::current_path();
            std::filesystem::current_path(path_);
        }
    }
    ~TempDir() {
        std::error_code error;
        if (!previous_.empty()) std::filesystem::current_path(previous_, error);
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes `content` to `name` (creating parent folders) and returns the full path.
    std::string write(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name, std::ios::binary) << content;
        return file(name);
    }
    // The whole content of `name`, or "" when it does not exist.
    std::string read(const std::string& name) const {
        std::ostringstream text;
        text << std::ifstream(path_ / name, std::ios::binary).rdbuf();
        return text.str();
    }

private:
    std::filesystem::path path_, previous_;
};
