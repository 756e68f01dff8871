// Progress: one carriage-return-redrawn line on stderr.
#include "Progress.h"

#include <cstdio>
#include <string>

Progress::Progress(long total, bool quiet)
    : total_(total), quiet_(quiet), start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

void Progress::update(long done) {
    if (quiet_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    draw(done);
}

void Progress::finish(long done) {
    if (quiet_) return;
    draw(done);
    std::fputc('\n', stderr);
}

void Progress::draw(long done) {
    drawn_ = true;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double fps = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
    const long left = fps > 0.0 ? static_cast<long>(static_cast<double>(total_ - done) / fps + 0.5) : 0;
    constexpr int kWidth = 30;
    const int filled = total_ > 0 ? static_cast<int>(kWidth * done / total_) : kWidth;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "\rrender [%s] %ld/%ld frames  %6.1f fps  %ld:%02ld left ", bar.c_str(), done, total_, fps,
                 left / 60, left % 60);
    std::fflush(stderr);
}
