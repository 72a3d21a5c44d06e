// A progress bar for long runs on standard error: levels done, the rate and the time left, drawn
// over itself on one line. It draws only when standard error is a terminal, so logs and pipes
// get nothing of it.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace gridwright {

class ProgressBar {
  public:
    // shown: whether standard error is a terminal; linesCrossBar: whether standard output is
    // the same terminal, so that printed lines must clear the bar first.
    ProgressBar(std::int64_t total, bool shown, bool linesCrossBar);
    ~ProgressBar();

    // Counts one more level done, and shows it now and then.
    void Step();
    // Prints a line of standard output above the bar.
    void PrintLine(const std::string& line);

    // The bar's line for done of total levels after seconds (no line ending).
    static std::string Text(std::int64_t done, std::int64_t total, double seconds);

  private:
    void Draw();

    using Clock = std::chrono::steady_clock;
    std::int64_t total_, done_ = 0, drawnDone_ = -1;
    bool shown_, linesCrossBar_, cleared_ = false;
    Clock::time_point start_ = Clock::now(), drawn_{};
};

}  // namespace gridwright
