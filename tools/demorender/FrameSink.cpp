// PNG folder output (stb_image_write) and the ffmpeg pipe. Output files appear under their
// names only when complete: frames and videos are written under hidden ".partial" names first.
#include "FrameSink.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <thread>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

// Collects stb's PNG bytes into a file and remembers the first failed write.
struct PngFile {
    std::FILE* file;
    bool failed = false;
    int error = 0;
};

void appendPng(void* context, void* data, int size) {
    auto* out = static_cast<PngFile*>(context);
    if (out->failed || size <= 0) return;
    if (std::fwrite(data, 1, static_cast<std::size_t>(size), out->file) != static_cast<std::size_t>(size)) {
        out->failed = true;
        out->error = errno;
    }
}

// Each frame is written under a hidden name and renamed when complete, so a full disk or a file
// size limit never leaves a cut-off frame_NNNNNN.png behind.
class PngFolderSink : public FrameSink {
public:
    PngFolderSink(std::string folder, int width, int height) : folder_(std::move(folder)), width_(width), height_(height) {}

    bool write(const std::vector<std::uint8_t>& rgb, std::string& error) override {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", index_);
        const std::filesystem::path path = std::filesystem::path(folder_) / name;
        std::string hidden = ".";  // appended rather than "." + string: gcc 12 warns wrongly about the latter
        hidden.append(name).append(".partial");
        const std::filesystem::path partial = std::filesystem::path(folder_) / hidden;
        int failure = writePng(partial, rgb);
        if (failure == 0 && std::rename(partial.c_str(), path.c_str()) != 0) failure = errno;
        if (failure != 0) {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            error = "cannot write '" + path.string() + "': " + std::strerror(failure);
            return false;
        }
        ++index_;
        return true;
    }
    bool finish(std::string&) override { return true; }

private:
    // 0 when the whole file was written and closed, else the errno of the failure.
    int writePng(const std::filesystem::path& path, const std::vector<std::uint8_t>& rgb) const {
        PngFile out{std::fopen(path.c_str(), "wb")};
        if (!out.file) return errno;
        if (!stbi_write_png_to_func(appendPng, &out, width_, height_, 3, rgb.data(), width_ * 3) && !out.failed) {
            out.failed = true;
            out.error = ENOMEM;  // stb could not make the image in memory
        }
        if (std::fflush(out.file) != 0 && !out.failed) {
            out.failed = true;
            out.error = errno;
        }
        if (std::fclose(out.file) != 0 && !out.failed) {
            out.failed = true;
            out.error = errno;
        }
        return out.failed ? (out.error ? out.error : EIO) : 0;
    }

    std::string folder_;
    int width_, height_;
    int index_ = 0;
};

// ffmpeg writes to a hidden name beside the output; only a run that ended with every frame
// written and ffmpeg's success is renamed to the output name. Anything else (a failed write, a
// dying ffmpeg, a sink dropped without finish) removes the partial file.
// ffmpeg runs with -loglevel error, so anything it says is an error: its messages are passed on
// to stderr and remembered, because ffmpeg exits with 0 even when it failed to write the end of
// the file (a full disk or a file size limit while writing the trailer).
class VideoSink : public FrameSink {
public:
    VideoSink(pid_t pid, int pipe, int messages, std::string path, std::string partial)
        : pid_(pid), pipe_(pipe), path_(std::move(path)), partial_(std::move(partial)) {
        relay_ = std::thread([this, messages] { relayMessages(messages); });
    }
    ~VideoSink() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);  // abandoned: the encoder must not finish a shorter video
            std::string ignored;
            finish(ignored);
        }
        if (relay_.joinable()) relay_.join();
        if (!finished_) discard();
    }

    bool write(const std::vector<std::uint8_t>& rgb, std::string& error) override {
        const std::uint8_t* data = rgb.data();
        std::size_t left = rgb.size();
        while (left > 0) {
            const ssize_t n = ::write(pipe_, data, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error = "ffmpeg stopped accepting frames for '" + path_ + "' (see its message above)";
                return false;
            }
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool finish(std::string& error) override {
        if (pid_ <= 0) return finished_;
        ::close(pipe_);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
        relay_.join();  // ffmpeg is gone, so its message pipe is at its end
        if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0) || reported_) {
            error = "ffmpeg could not write '" + path_ + "' (" + exitText(status) + "; see its message above)";
            discard();
            return false;
        }
        std::error_code fsError;
        const auto size = std::filesystem::file_size(partial_, fsError);
        if (fsError || size == 0) {
            error = "ffmpeg ended without writing '" + path_ + "'";
            discard();
            return false;
        }
        if (std::rename(partial_.c_str(), path_.c_str()) != 0) {
            error = "cannot move the finished video to '" + path_ + "': " + std::strerror(errno);
            discard();
            return false;
        }
        finished_ = true;
        return true;
    }

private:
    void relayMessages(int messages) {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(messages, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            reported_ = true;
            std::fwrite(buffer, 1, static_cast<std::size_t>(n), stderr);
        }
        ::close(messages);
    }
    static std::string exitText(int status) {
        if (WIFSIGNALED(status)) return std::string("it was killed by ") + strsignal(WTERMSIG(status));
        return "exit code " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    void discard() {
        std::error_code ignored;
        std::filesystem::remove(partial_, ignored);
    }

    pid_t pid_;
    int pipe_;
    std::string path_, partial_;
    bool finished_ = false;
    std::atomic<bool> reported_{false};
    std::thread relay_;
};

std::string lowerExtension(const std::string& path) {
    std::string e = std::filesystem::path(path).extension().string();
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

std::string number(double v) {
    std::ostringstream text;
    text.precision(10);
    text << v;
    return text.str();
}

}  // namespace

std::unique_ptr<FrameSink> makePngFolderSink(const std::string& folder, int width, int height, std::string& error) {
    std::error_code fsError;
    std::filesystem::create_directories(folder, fsError);
    if (!std::filesystem::is_directory(folder, fsError)) {
        error = "cannot create the output folder '" + folder + "'";
        return nullptr;
    }
    return std::make_unique<PngFolderSink>(folder, width, height);
}

std::string findInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) return candidate;
    }
    return "";
}

std::vector<std::string> ffmpegArguments(const VideoSettings& s) {
    std::vector<std::string> a = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                  "-f", "rawvideo", "-pix_fmt", "rgb24",
                                  "-s", std::to_string(s.width) + "x" + std::to_string(s.height),
                                  "-framerate", number(s.fps), "-i", "pipe:0"};
    const bool audio = !s.musicFile.empty();
    if (audio) {
        a.insert(a.end(), {"-ss", number(s.musicStart), "-i", s.musicFile, "-map", "0:v:0", "-map", "1:a:0"});
    }
    // The common encoders want even sides; pad an odd side by one black pixel.
    a.insert(a.end(), {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2"});
    if (lowerExtension(s.path) == ".webm") {
        a.insert(a.end(), {"-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "32", "-deadline", "realtime", "-cpu-used", "8"});
        if (audio) a.insert(a.end(), {"-c:a", "libopus", "-b:a", "160k"});
    } else {
        a.insert(a.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "20", "-pix_fmt", "yuv420p"});
        if (audio) a.insert(a.end(), {"-c:a", "aac", "-b:a", "192k"});
        if (lowerExtension(s.path) == ".mp4") a.insert(a.end(), {"-movflags", "+faststart"});
    }
    a.insert(a.end(), {"-t", number(s.duration), s.path});
    return a;
}

std::unique_ptr<FrameSink> makeVideoSink(const VideoSettings& settings, std::string& error) {
    const std::string ffmpeg = findInPath("ffmpeg");
    if (ffmpeg.empty()) {
        error = "ffmpeg was not found in PATH; install ffmpeg to write '" + settings.path +
                "', or give --out a folder to get PNG frames";
        return nullptr;
    }
    std::error_code fsError;
    const std::filesystem::path target(settings.path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), fsError);
    // The partial file keeps the extension: ffmpeg picks the container by it.
    std::string hidden = ".";
    hidden.append(target.stem().string()).append(".partial").append(target.extension().string());
    const std::string partial = (target.parent_path() / hidden).string();
    const int probe = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (probe < 0) {
        error = "cannot write '" + settings.path + "': " + std::strerror(errno);
        return nullptr;
    }
    ::close(probe);

    VideoSettings encoderSettings = settings;
    encoderSettings.path = partial;
    const std::vector<std::string> args = ffmpegArguments(encoderSettings);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    int fds[2], messages[2];
    if (pipe(fds) != 0) {
        error = std::string("cannot create a pipe to ffmpeg: ") + std::strerror(errno);
        std::filesystem::remove(partial, fsError);
        return nullptr;
    }
    if (pipe(messages) != 0) {
        error = std::string("cannot create a pipe from ffmpeg: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        std::filesystem::remove(partial, fsError);
        return nullptr;
    }
    // A dead ffmpeg must show up as a failed write, not kill the renderer.
    signal(SIGPIPE, SIG_IGN);
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        for (int fd : {fds[0], fds[1], messages[0], messages[1]}) ::close(fd);
        std::filesystem::remove(partial, fsError);
        return nullptr;
    }
    if (pid == 0) {
        dup2(fds[0], STDIN_FILENO);
        dup2(messages[1], STDERR_FILENO);
        for (int fd : {fds[0], fds[1], messages[0], messages[1]}) ::close(fd);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) dup2(devNull, STDOUT_FILENO);
        execv(ffmpeg.c_str(), argv.data());
        std::fprintf(stderr, "demorender: cannot run %s: %s\n", ffmpeg.c_str(), std::strerror(errno));
        _exit(127);
    }
    ::close(fds[0]);
    ::close(messages[1]);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    fcntl(messages[0], F_SETFD, FD_CLOEXEC);
    return std::make_unique<VideoSink>(pid, fds[1], messages[0], settings.path, partial);
}
