#include "progress_bar.h"

#include <cmath>

namespace gridwright {

namespace {

constexpr int kBarWidth = 30;
// Redrawing more often than this only costs time.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(std::int64_t total, bool shown, bool linesCrossBar)
    : total_(total), shown_(shown), linesCrossBar_(shown && linesCrossBar) {}

ProgressBar::~ProgressBar() {
    if (!shown_ || done_ == 0) return;
    if (cleared_ || drawnDone_ != done_) Draw();
    std::fputc('\n', stderr);
}

std::string ProgressBar::Text(std::int64_t done, std::int64_t total, double seconds) {
    const int filled = total > 0 ? static_cast<int>(done * kBarWidth / total) : kBarWidth;
    std::string text = "[";
    text.append(filled, '#').append(kBarWidth - filled, '.');
    text += "] " + std::to_string(done) + "/" + std::to_string(total) + " levels";
    if (seconds > 0 && done > 0) {
        const double rate = done / seconds;
        const auto left = static_cast<long long>(std::ceil((total - done) / rate));
        char tail[64];
        std::snprintf(tail, sizeof tail, "  %.0f levels/s  %lld s left", rate, left);
        text += tail;
    }
    return text;
}

void ProgressBar::Step() {
    ++done_;
    if (!shown_) return;
    const Clock::time_point now = Clock::now();
    if (!cleared_ && now - drawn_ < kRedrawInterval && done_ < total_) return;
    Draw();
}

void ProgressBar::PrintLine(const std::string& line) {
    if (linesCrossBar_ && !cleared_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        cleared_ = true;
    }
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    if (linesCrossBar_) std::fflush(stdout);
}

void ProgressBar::Draw() {
    drawn_ = Clock::now();
    drawnDone_ = done_;
    cleared_ = false;
    const double seconds = std::chrono::duration<double>(drawn_ - start_).count();
    std::fprintf(stderr, "\r%s\033[K", Text(done_, total_, seconds).c_str());
    std::fflush(stderr);
}

}  // namespace gridwright
