// What tells a file apart from a changed or replaced one: device, inode, size and modification
// time. Taken when a file is opened and compared later, by the audio layer (a streamed music file
// that runs dry) and the offline renderer (a music file ffmpeg reads again at the end).
// Does not read the content.
#pragma once

#include <cstdint>
#include <string>

struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `path` now (exists false when it cannot be read by stat).
FileIdentity fileIdentity(const std::string& path);
// "now N bytes", "removed" or "replaced": what changed, for a message.
std::string describeChange(const FileIdentity& before, const FileIdentity& now);
