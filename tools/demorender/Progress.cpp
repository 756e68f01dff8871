// Progress: a carriage-return-redrawn bar, or one line per tenth.
#include "Progress.h"

#include <cstdio>
#include <string>

Progress::Progress(long total, bool quiet, bool live)
    : total_(total), quiet_(quiet), live_(live), start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

void Progress::update(long done) {
    if (quiet_) return;
    if (!live_) {
        if (total_ > 0 && done * 10 / total_ > tenthsWritten_) writeLine(done);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    drawBar(done);
}

void Progress::finish(long done) {
    if (quiet_) return;
    if (!live_) {
        if (total_ <= 0 || done * 10 / total_ > tenthsWritten_) writeLine(done);
        return;
    }
    drawBar(done);
    std::fputc('\n', stderr);
}

double Progress::framesPerSecond(long done) const {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    return elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
}

void Progress::writeLine(long done) {
    tenthsWritten_ = total_ > 0 ? static_cast<int>(done * 10 / total_) : 10;
    std::fprintf(stderr, "render: %3d %%  %ld/%ld frames  %.1f fps\n", tenthsWritten_ * 10, done, total_,
                 framesPerSecond(done));
    std::fflush(stderr);
}

void Progress::drawBar(long done) {
    drawn_ = true;
    const double fps = framesPerSecond(done);
    const long left = fps > 0.0 ? static_cast<long>(static_cast<double>(total_ - done) / fps + 0.5) : 0;
    constexpr int kWidth = 30;
    const int filled = total_ > 0 ? static_cast<int>(kWidth * done / total_) : kWidth;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "\rrender [%s] %ld/%ld frames  %6.1f fps  %ld:%02ld left ", bar.c_str(), done, total_, fps,
                 left / 60, left % 60);
    std::fflush(stderr);
}
