// Editor core figures: painting the whole board against clearing the pixel buffer, one level's
// load and save against raw reads and writes of the same bytes, the costliest drag event, and
// turning the surface into colours.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "classic_random.h"
#include "frm_main.h"
#include "indexed_image.h"
#include "map_file.h"
#include "renderer.h"

namespace {

using namespace gridwright;

// A board whose every cell differs from the round before.
void FillBoard(BoardGrid& board, int round) {
    for (int X = 0; X < kBoardColumns; ++X)
        for (int Y = 0; Y < kBoardRows; ++Y)
            board(X, Y) = {static_cast<std::uint8_t>(X * 24 + Y + round),
                           static_cast<std::uint8_t>((X + Y + round) % 16)};
}

std::string ScratchMap(const char* name) {
    const auto path = std::filesystem::temp_directory_path() /
                      (std::string("gridwright-bench-") + std::to_string(::getpid()) + "-" + name);
    return path.string();
}

// All 768 board cells painted, as loading a level paints them.
void BM_FullRepaint(benchmark::State& state) {
    IndexedSurface surface;
    BoardGrid board;
    int round = 0;
    for (auto _ : state) {
        FillBoard(board, round++);
        DrawCells(surface.View(), kWholeBoard, board, std::nullopt);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

// The floor: clearing the whole 360,000-byte surface once.
void BM_MemsetScreenBuffer(benchmark::State& state) {
    IndexedSurface surface;
    int round = 0;
    for (auto _ : state) {
        std::memset(surface.bits.data(), round++ & 15, surface.bits.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemsetScreenBuffer)->Unit(benchmark::kMicrosecond);

// Level 1 of a three-level file loaded and saved as the editor does it: read the block and paint
// the board it holds; write the board back as a block.
void BM_LoadAndSaveLevel(benchmark::State& state) {
    const std::string map = ScratchMap("load-save.qmap");
    std::filesystem::remove(map);
    LevelBlock block{};
    WriteLevelBlock(map, 2 * kLevelBytes, block);
    IndexedSurface surface;
    for (auto _ : state) {
        if (!ReadLevelBlock(map, kLevelBytes, MapAccess::Load, block)) {
            state.SkipWithError("map file failed");
            break;
        }
        const BoardGrid board = BoardFromLevelBlock(block);
        DrawCells(surface.View(), kWholeBoard, board, std::nullopt);
        if (!WriteLevelBlock(map, kLevelBytes, LevelBlockFromBoard(board))) {
            state.SkipWithError("map file failed");
            break;
        }
    }
    std::filesystem::remove(map);
}
BENCHMARK(BM_LoadAndSaveLevel)->Unit(benchmark::kMicrosecond);

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

// A window that takes each blit and shows nothing, so the drag step below measures the core alone;
// BM_ShowSurface is what the Linux front end adds to every blit.
class BenchWindow final : public WindowServices {
  public:
    void SetCaption(std::string_view) override {}
    void SetStatusCaption(std::string_view) override {}
    std::string InputBox(std::string_view, std::string_view) override { return {}; }
    void ShowMainWindow() override {}
    PictureSize GetPictureSize(Picture) override { return {kSurfaceWidth, kSurfaceHeight}; }
    void SetPictureVisible(Picture, bool) override {}
    void BlitScreen(const std::uint8_t* bits, const BitmapInfo&) override {
        benchmark::DoNotOptimize(bits);
    }
    std::string CommandLineArguments() override { return {}; }
    double Random() override { return random_.Next(); }
    void EndProgram() override {}
    void ReportFailure(std::string_view) override {}

  private:
    ClassicRandom random_;
};

// The costliest pointer event, through the editor's own handler: a Shift+Ctrl drag whose
// rectangle covers the whole board, so every one of the 768 cells takes a fresh random colour
// through SetSquare before DrawBoard shows the surface.
void BM_WorstDragStep(benchmark::State& state) {
    BenchWindow window;
    FrmMain form(window);
    form.Form_Load();
    form.MouseObj[kLeftButton] = {219, 12};
    form.picScreen_MouseDown(kLeftButton, kShiftKey, 5, 9);  // anchor at cell (0, 0)
    for (auto _ : state)
        form.picScreen_MouseMove(kLeftButton, kShiftKey | kCtrlKey, 315, 423);  // to cell (31, 23)
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WorstDragStep)->Unit(benchmark::kMicrosecond);

// The whole surface turned into colours, as the Linux front end shows every blit and gridmap
// writes its picture.
void BM_ShowSurface(benchmark::State& state) {
    IndexedSurface surface = RenderSurface(BoardGrid{}, std::nullopt, 1.0f);
    std::vector<std::uint32_t> shown(surface.bits.size());
    for (auto _ : state) {
        IndexedToRgb(surface.bits.data(), surface.info, shown.data(), kSurfaceWidth, kSurfaceHeight,
                     kSurfaceWidth);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ShowSurface)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
