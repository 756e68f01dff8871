// PNG folder output (stb_image_write) and the ffmpeg pipe.
#include "FrameSink.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

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

class PngFolderSink : public FrameSink {
public:
    PngFolderSink(std::string folder, int width, int height) : folder_(std::move(folder)), width_(width), height_(height) {}

    bool write(const std::vector<std::uint8_t>& rgb, std::string& error) override {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", index_);
        const std::string path = (std::filesystem::path(folder_) / name).string();
        if (!stbi_write_png(path.c_str(), width_, height_, 3, rgb.data(), width_ * 3)) {
            error = "cannot write '" + path + "'";
            return false;
        }
        ++index_;
        return true;
    }
    bool finish(std::string&) override { return true; }

private:
    std::string folder_;
    int width_, height_;
    int index_ = 0;
};

class VideoSink : public FrameSink {
public:
    VideoSink(pid_t pid, int pipe, std::string path) : pid_(pid), pipe_(pipe), path_(std::move(path)) {}
    ~VideoSink() override {
        std::string ignored;
        finish(ignored);
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
        finished_ = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!finished_) error = "ffmpeg could not write '" + path_ + "' (see its message above)";
        return finished_;
    }

private:
    pid_t pid_;
    int pipe_;
    std::string path_;
    bool finished_ = false;
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
    const std::filesystem::path parent = std::filesystem::path(settings.path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, fsError);

    const std::vector<std::string> args = ffmpegArguments(settings);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("cannot create a pipe to ffmpeg: ") + std::strerror(errno);
        return nullptr;
    }
    // A dead ffmpeg must show up as a failed write, not kill the renderer.
    signal(SIGPIPE, SIG_IGN);
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        return nullptr;
    }
    if (pid == 0) {
        dup2(fds[0], STDIN_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) dup2(devNull, STDOUT_FILENO);
        execv(ffmpeg.c_str(), argv.data());
        std::fprintf(stderr, "demorender: cannot run %s: %s\n", ffmpeg.c_str(), std::strerror(errno));
        _exit(127);
    }
    ::close(fds[0]);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    return std::make_unique<VideoSink>(pid, fds[1], settings.path);
}
