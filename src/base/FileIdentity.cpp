// fileIdentity: one stat call; nanosecond modification time where the system keeps it.
#include "FileIdentity.h"

#include <sys/stat.h>

FileIdentity fileIdentity(const std::string& path) {
    FileIdentity identity;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return identity;
    identity.exists = true;
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.inode = static_cast<std::uint64_t>(info.st_ino);
    identity.size = static_cast<std::uint64_t>(info.st_size);
    identity.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return identity;
}

std::string describeChange(const FileIdentity& before, const FileIdentity& now) {
    if (!now.exists) return "removed";
    if (now.device != before.device || now.inode != before.inode) return "replaced by another file";
    if (now.size != before.size) return "now " + std::to_string(now.size) + " bytes, was " + std::to_string(before.size);
    return "rewritten";
}
