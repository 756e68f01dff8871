// TempDir: mkdtemp under the system temporary folder.
#include "support/TempDir.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <system_error>

TempDir::TempDir(bool enter) {
    std::string pattern = (std::filesystem::temp_directory_path() / "demotest-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
    if (enter && !path_.empty()) {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
        entered_ = true;
    }
}

TempDir::~TempDir() {
    std::error_code error;
    if (entered_) std::filesystem::current_path(previous_, error);
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
    std::filesystem::path full = path_ / name;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full.string();
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
