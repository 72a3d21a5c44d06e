// Helpers shared by the editor's tests: a scratch folder and whole-file access.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "frm_main.h"
#include "headless_services.h"

namespace gridwright::testing {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchDir {
  public:
    ScratchDir() {
        static std::atomic<int> counter{0};
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("gridwright-" + std::string(test ? test->name() : "test") + "-" +
                 std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Bytes that differ from their neighbours, so a misplaced block shows.
inline Bytes PatternBytes(std::size_t count, unsigned seed) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return bytes;
}

// A window that has run its start-up with the given command-line argument text, keeping its
// recovery journal in recoveryFolder (none when empty).
struct StartedEditor {
    explicit StartedEditor(const std::string& commandLine = {},
                           const std::string& recoveryFolder = {}) {
        services.commandLine = commandLine;
        services.recoveryFolder = recoveryFolder;
        form.Form_Load();
    }
    HeadlessServices services;
    FrmMain form{services};
};

// Pointer events at the centre of surface cell (c, r), as a window system delivers them.
inline void PressCell(FrmMain& form, std::int16_t button, std::int16_t shift, int c, int r) {
    form.picScreen_MouseDown(button, shift, 10.0f * c + 5, 18.0f * r + 9);
}
inline void MoveToCell(FrmMain& form, std::int16_t buttons, std::int16_t shift, int c, int r) {
    form.picScreen_MouseMove(buttons, shift, 10.0f * c + 5, 18.0f * r + 9);
}
// Gives a button's brush a glyph and a colour with two presses in the palette strip.
inline void PickBrush(FrmMain& form, std::int16_t button, int glyph, int color) {
    PressCell(form, button, 0, 41 + glyph % 16, 5 + glyph / 16);
    PressCell(form, button, 0, 41 + color, 3);
}

}  // namespace gridwright::testing
