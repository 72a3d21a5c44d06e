// The Level menu's figures: opening the overview's page on a small and a very large map beside a
// full repaint of the board, and gridmap's sheet and replace over a thousand levels.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frm_main.h"
#include "map_file.h"
#include "silent_window.h"

namespace {

using namespace gridwright;
namespace fs = std::filesystem;

fs::path PathOf(std::int64_t levels) {
    return fs::temp_directory_path() / ("gridwright-levels-bench-" + std::to_string(::getpid()) +
                                        "-" + std::to_string(levels) + ".qmap");
}

// A map of `levels` patterned levels in the temporary folder, made once per size.
std::string MapOf(std::int64_t levels) {
    const fs::path path = PathOf(levels);
    if (!fs::exists(path)) {
        std::vector<char> level(kLevelBytes);
        for (std::size_t i = 0; i < level.size(); ++i)
            level[i] = static_cast<char>(i % 2 ? (i * 7 % 16) << 4 : i * 13 % 256);
        std::ofstream out(path, std::ios::binary);
        for (std::int64_t i = 0; i < levels; ++i) out.write(level.data(), kLevelBytes);
    }
    return path.string();
}

struct Editor {
    explicit Editor(const std::string& map) {
        form.Form_Load();
        form.MapFileName = map;
        form.CurrentLevel = OptionalNumber::Whole(0);
        form.LoadMap();
    }
    SilentWindow window{"levels_bench", true};
    FrmMain form{window};
};

// Opens the overview at the map's last page (closing it is not timed).
void OpenOverview(benchmark::State& state) {
    const std::int64_t levels = state.range(0);
    Editor editor(MapOf(levels));
    editor.form.CurrentLevel = OptionalNumber::Double(static_cast<double>(levels - 1));
    for (auto _ : state) {
        editor.form.Invoke(MenuCommand::LevelOverview);
        state.PauseTiming();
        editor.form.KeyDown(NamedKey::Escape, 0);
        state.ResumeTiming();
    }
}

// The full repaint, as a load paints the board: 768 SetSquare, then DrawBoard.
void FullRepaint(benchmark::State& state) {
    Editor editor(MapOf(10));
    const BoardGrid board = editor.form.Board;
    for (auto _ : state) {
        for (int Y = 0; Y < kBoardRows; ++Y)
            for (int X = 0; X < kBoardColumns; ++X)
                editor.form.SetSquare(X, Y, board(X, Y).Char, board(X, Y).Color);
        editor.form.DrawBoard();
    }
}

int Run(const std::string& arguments) {
    return std::system((std::string(GRIDMAP_PATH) + " " + arguments + " >/dev/null").c_str());
}

// The whole command, process start included.
void GridmapSheet(benchmark::State& state) {
    const std::string map = MapOf(1000);
    const std::string out = map + ".png";
    for (auto _ : state)
        if (Run("sheet '" + map + "' '" + out + "'") != 0) state.SkipWithError("sheet failed");
    fs::remove(out);
}

void GridmapReplace(benchmark::State& state) {
    const std::string map = MapOf(1000);
    bool forth = true;
    for (auto _ : state) {
        // Back and forth, so every run changes cells in every level and rewrites the map.
        if (Run("replace '" + map + "' --colour " + (forth ? "7:8" : "8:7")) != 0)
            state.SkipWithError("replace failed");
        forth = !forth;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto us = benchmark::kMicrosecond, ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("Overview/Open", OpenOverview)->Arg(10)->Arg(100000)->Unit(us);
    benchmark::RegisterBenchmark("FullRepaint", FullRepaint)->Unit(us);
    benchmark::RegisterBenchmark("GridmapSheet/1000", GridmapSheet)->Unit(ms);
    benchmark::RegisterBenchmark("GridmapReplace/1000", GridmapReplace)->Unit(ms);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const std::int64_t levels : {10, 1000, 100000}) {
        std::error_code ignored;
        fs::remove(PathOf(levels), ignored);
    }
    return 0;
}
