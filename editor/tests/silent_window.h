// A window system that shows nothing, for programs that time or trace the core alone: every
// blit is taken and dropped (its pointer kept, so the drawing cannot be optimised away) and a
// failure is told on standard error under the program's name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "classic_random.h"
#include "surface_geometry.h"
#include "window_services.h"

namespace gridwright {

class SilentWindow final : public WindowServices {
  public:
    // With failuresEnd set, a failure also ends the program with status 1.
    explicit SilentWindow(const char* program, bool failuresEnd = false)
        : program_(program), failuresEnd_(failuresEnd) {}

    void SetCaption(std::string_view) override {}
    void SetStatusCaption(std::string_view) override {}
    std::string InputBox(std::string_view, std::string_view) override { return {}; }
    void ShowMainWindow() override {}
    PictureSize GetPictureSize(Picture) override { return {kSurfaceWidth, kSurfaceHeight}; }
    void SetPictureVisible(Picture, bool) override {}
    void BlitScreen(const std::uint8_t* bits, const BitmapInfo&,
                    const PixelRect& changed) override {
        lastBits = bits;
        lastChanged = changed;
    }
    std::string CommandLineArguments() override { return {}; }
    double Random() override { return random_.Next(); }
    void EndProgram() override {}
    void ReportFailure(std::string_view message) override {
        std::fprintf(stderr, "%s: %.*s\n", program_, static_cast<int>(message.size()),
                     message.data());
        if (failuresEnd_) std::exit(1);
    }

    const std::uint8_t* volatile lastBits = nullptr;
    PixelRect lastChanged{};

  private:
    const char* program_;
    bool failuresEnd_;
    ClassicRandom random_;
};

}  // namespace gridwright
