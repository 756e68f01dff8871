// FuzzSupport: scratch folder, tone WAV, shared context, failure report.
#include "FuzzSupport.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/HeadlessGl.h"

namespace fuzz {

namespace {

std::string makeScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (tmp && *tmp ? tmp : "/tmp");
    std::string pattern = base + "/demofuzz.XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) fail("fuzz", "cannot create a scratch folder under " + base);
    return buffer.data();
}

void removeScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(scratchFolder(), error);
}

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

const std::string& scratchFolder() {
    // Never destroyed: the exit handler that removes the folder runs after static destructors.
    static const std::string* folder = [] {
        auto* made = new std::string(makeScratchFolder());
        std::atexit(removeScratchFolder);
        return made;
    }();
    return *folder;
}

std::string writeScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = std::filesystem::path(scratchFolder()) / name;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) fail("fuzz", "cannot write " + path.string());
    return path.string();
}

std::string writeToneWav(const std::string& name, int rate, int frames) {
    std::string wav = "RIFF";
    const auto dataBytes = static_cast<std::uint32_t>(frames) * 2;
    putLittleEndian(wav, 36 + dataBytes, 4);
    wav += "WAVEfmt ";
    putLittleEndian(wav, 16, 4);
    putLittleEndian(wav, 1, 2);  // PCM
    putLittleEndian(wav, 1, 2);  // mono
    putLittleEndian(wav, static_cast<std::uint32_t>(rate), 4);
    putLittleEndian(wav, static_cast<std::uint32_t>(rate) * 2, 4);
    putLittleEndian(wav, 2, 2);
    putLittleEndian(wav, 16, 2);
    wav += "data";
    putLittleEndian(wav, dataBytes, 4);
    std::uint32_t noise = 12345;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        noise = noise * 1103515245u + 12345u;
        const double value = 0.3 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 1500 * t) +
                             0.2 * std::sin(2 * M_PI * 6000 * t) + 0.1 * (static_cast<int>(noise >> 17) / 16384.0 - 1.0);
        putLittleEndian(wav, static_cast<std::uint32_t>(static_cast<std::int16_t>(value * 32767)), 2);
    }
    return writeScratchFile(name, reinterpret_cast<const std::uint8_t*>(wav.data()), wav.size());
}

HeadlessGl& sharedGl() {
    static HeadlessGl* gl = [] {
        auto* made = new HeadlessGl();  // kept to the end: the texture store's GL names live in it
        if (!made->create(64, 64)) fail("fuzz", "no headless GL context: " + made->error());
        return made;
    }();
    return *gl;
}

void fail(const char* target, const std::string& what) {
    std::fprintf(stderr, "%s: invariant broken: %s\n", target, what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz
