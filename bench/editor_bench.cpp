// Editor core figures: a full repaint of the board against clearing the pixel buffer, one level's
// load and save against raw reads and writes of the same bytes, and the costliest drag event.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "frm_main.h"
#include "headless_services.h"

namespace {

using namespace gridwright;

struct BenchEditor {
    BenchEditor() { form.Form_Load(); }
    HeadlessServices services;
    FrmMain form{services};
};

std::string ScratchMap(const char* name) {
    const auto path = std::filesystem::temp_directory_path() /
                      (std::string("gridwright-bench-") + std::to_string(::getpid()) + "-" + name);
    return path.string();
}

// 768 SetSquare calls and one DrawBoard: every board cell stored and painted, then shown.
void BM_FullRepaint(benchmark::State& state) {
    BenchEditor editor;
    int round = 0;
    for (auto _ : state) {
        for (int X = 0; X < kBoardColumns; ++X)
            for (int Y = 0; Y < kBoardRows; ++Y)
                editor.form.SetSquare(X, Y, static_cast<std::uint8_t>(X * 24 + Y + round),
                                      static_cast<std::uint8_t>((X + Y + round) % 16));
        editor.form.DrawBoard();
        ++round;
    }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

// The floor: clearing the whole 360,000-byte surface once.
void BM_MemsetScreenBuffer(benchmark::State& state) {
    BenchEditor editor;
    std::vector<std::uint8_t>& buffer = editor.form.modGraphics.ScreenBuffer;
    int round = 0;
    for (auto _ : state) {
        std::memset(buffer.data(), round++ & 15, 800 * 450);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemsetScreenBuffer)->Unit(benchmark::kMicrosecond);

// LoadMap and SaveMap of level 1 of a three-level file.
void BM_LoadMapAndSaveMap(benchmark::State& state) {
    const std::string map = ScratchMap("load-save.qmap");
    std::filesystem::remove(map);
    BenchEditor editor;
    editor.form.MapFileName = map;
    editor.form.CurrentLevel = OptionalNumber::Double(2);
    editor.form.SaveMap();
    editor.form.CurrentLevel = OptionalNumber::Double(1);
    for (auto _ : state) {
        if (!editor.form.LoadMap() || !editor.form.SaveMap())
            state.SkipWithError("map file failed");
    }
    std::filesystem::remove(map);
}
BENCHMARK(BM_LoadMapAndSaveMap)->Unit(benchmark::kMicrosecond);

// The map file's own share of the above: opening, reading and writing one level's block.
void BM_ReadAndWriteLevelBlock(benchmark::State& state) {
    const std::string map = ScratchMap("block.qmap");
    LevelBlock block{};
    WriteLevelBlock(map, 2 * kLevelBytes, block);
    for (auto _ : state) {
        if (!ReadLevelBlock(map, kLevelBytes, MapAccess::Load, block) ||
            !WriteLevelBlock(map, kLevelBytes, block))
            state.SkipWithError("map file failed");
    }
    std::filesystem::remove(map);
}
BENCHMARK(BM_ReadAndWriteLevelBlock)->Unit(benchmark::kMicrosecond);

// The floor: open, read 1536 bytes, close; open, write 1536 bytes, close, with plain system calls.
void BM_RawReadAndWrite(benchmark::State& state) {
    const std::string map = ScratchMap("raw.qmap");
    std::vector<char> level(3 * 1536, 0);
    {
        const int fd = ::open(map.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, level.data(), level.size()) != static_cast<ssize_t>(level.size()))
            state.SkipWithError("cannot prepare the file");
        ::close(fd);
    }
    char block[1536];
    for (auto _ : state) {
        int fd = ::open(map.c_str(), O_RDWR);
        benchmark::DoNotOptimize(::pread(fd, block, sizeof block, 1536));
        ::close(fd);
        fd = ::open(map.c_str(), O_RDWR);
        benchmark::DoNotOptimize(::pwrite(fd, block, sizeof block, 1536));
        ::close(fd);
    }
    std::filesystem::remove(map);
}
BENCHMARK(BM_RawReadAndWrite)->Unit(benchmark::kMicrosecond);

// The costliest pointer event: a Shift+Ctrl drag whose rectangle covers the whole board, so every
// one of the 768 cells takes a fresh random colour through SetSquare before DrawBoard.
void BM_WorstDragStep(benchmark::State& state) {
    BenchEditor editor;
    editor.form.MouseObj[1] = {219, 12};
    editor.form.picScreen_MouseDown(1, 1, 5, 9);  // anchor at cell (0, 0)
    for (auto _ : state) editor.form.picScreen_MouseMove(1, 1 | 2, 315, 423);  // to cell (31, 23)
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WorstDragStep)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
