// Editor figures, each beside its floor measured in the same run: the least the same work could
// cost. Painting is set against a memset of the very bytes it writes (and the full repaint also
// against a memset of the whole pixel buffer); a level's load and save against the raw positioned
// read, write and flush of its 1536 bytes in the same folder. A real level (level 1 of the sample
// map) stands beside a blank one. The drawing tools' costliest gestures (a whole-board fill, paste
// and move step) stand beside the full repaint. After the runs, the ratios of the medians (or of
// the single runs) are printed.
//
//   editor_bench [--benchmark_repetitions=N] [--benchmark_filter=REGEX]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cell_text/cell_text.h"
#include "frm_main.h"
#include "indexed_image.h"
#include "map_file.h"
#include "renderer.h"
#include "silent_window.h"

namespace {

using namespace gridwright;

// The sample map's level 1, with its walls and empty floor, and a blank level.
constexpr int kSampleLevel = 1;
enum class Level { Sample, Blank };

BoardGrid LevelBoard(Level level) {
    if (level == Level::Blank) return {};
    LevelBlock block;
    if (!ReadLevelBlock(GW_SAMPLE_MAP, kSampleLevel * kLevelBytes, MapAccess::ReadOnly, block)) {
        std::cerr << "editor_bench: cannot read " << GW_SAMPLE_MAP << "\n";
        std::exit(1);
    }
    return BoardFromLevelBlock(block);
}

// The editor as the program starts it, without a map.
struct Editor {
    Editor() { form.Form_Load(); }
    SilentWindow window{"editor_bench", true};
    FrmMain form{window};
};

// Fills the pixel rows of the cells in `cells` with one value, row by row: the floor of painting
// those cells.
void FillCells(std::vector<std::uint8_t>& bits, CellRect cells, std::uint8_t value) {
    const SurfaceView view = SurfaceView::BottomUp(bits.data(), kSurfaceWidth, kSurfaceHeight);
    const std::size_t width = static_cast<std::size_t>(cells.columns) * kGlyphWidth;
    for (int y = cells.row * kGlyphHeight; y < (cells.row + cells.rows) * kGlyphHeight; ++y)
        std::memset(view.Row(y) + cells.column * kGlyphWidth, value, width);
}

// ---- Painting ----

// The full repaint, as a load paints the board, through the core: 768 SetSquare, then DrawBoard.
void FullRepaint(benchmark::State& state, Level level) {
    const BoardGrid board = LevelBoard(level);
    Editor editor;
    for (auto _ : state) {
        for (int Y = 0; Y < kBoardRows; ++Y)
            for (int X = 0; X < kBoardColumns; ++X)
                editor.form.SetSquare(X, Y, board(X, Y).Char, board(X, Y).Color);
        editor.form.DrawBoard();
    }
}

// Every cell of the surface (furniture, legend and board), each pixel written once, as gridmap
// renders a level.
void WholeSurface(benchmark::State& state, Level level) {
    const BoardGrid board = LevelBoard(level);
    const BrushLegend legend{{219, 12}, {2, 11}, {176, 14}};
    IndexedSurface surface;
    for (auto _ : state) {
        DrawCells(surface.View(), kWholeSurface, board, legend);
        benchmark::ClobberMemory();
    }
}

// The whole 360,000-byte pixel buffer.
void MemsetBuffer(benchmark::State& state) {
    IndexedSurface surface;
    int round = 0;
    for (auto _ : state) {
        std::memset(surface.bits.data(), round++ & 15, surface.bits.size());
        benchmark::ClobberMemory();
    }
}

// The bytes a full repaint writes: the board's 432 pixel rows of 320 bytes.
void MemsetBoard(benchmark::State& state) {
    IndexedSurface surface;
    int round = 0;
    for (auto _ : state) {
        FillCells(surface.bits, kWholeBoard, static_cast<std::uint8_t>(round++ & 15));
        benchmark::ClobberMemory();
    }
}

// One painted cell, as a stroke paints it: SetSquare, then DrawBoard.
void CellRepaint(benchmark::State& state) {
    Editor editor;
    int round = 0;
    for (auto _ : state) {
        editor.form.SetSquare(5, 7, 219, static_cast<std::uint8_t>(1 + round++ % 15));
        editor.form.DrawBoard();
    }
}

// The bytes one cell writes: 18 rows of 10, each row a memset of fixed size.
void MemsetCell(benchmark::State& state) {
    IndexedSurface surface;
    const SurfaceView view = surface.View();
    int round = 0;
    for (auto _ : state) {
        const auto value = static_cast<std::uint8_t>(round++ & 15);
        for (int y = 7 * kGlyphHeight; y < 8 * kGlyphHeight; ++y)
            std::memset(view.Row(y) + 5 * kGlyphWidth, value, kGlyphWidth);
        benchmark::ClobberMemory();
    }
}

// The costliest pointer event, through the core's own handler: a Shift+Ctrl drag whose rectangle
// covers the whole board, so all 768 cells take a fresh random colour through SetSquare before
// DrawBoard. Its floor is the board's memset, as the full repaint's.
void WholeBoardDragStep(benchmark::State& state) {
    Editor editor;
    editor.form.MouseObj[kLeftButton] = {219, 12};
    editor.form.picScreen_MouseDown(kLeftButton, kShiftKey, 5, 9);  // anchor at cell (0, 0)
    for (auto _ : state)
        editor.form.picScreen_MouseMove(kLeftButton, kShiftKey | kCtrlKey, 315, 423);  // (31, 23)
}

// ---- Drawing tools ----

// Pointer events at the centre of board cell (X, Y).
float CellX(int X) {
    return 10.0f * X + 5;
}
float CellY(int Y) {
    return 18.0f * Y + 9;
}

// A fill of the whole blank board, press and release, each time in the other of two colours, so
// every one changes all 768 cells and records them as a step.
void WholeBoardFill(benchmark::State& state) {
    Editor editor;
    editor.form.Invoke(MenuCommand::ToolFill);
    int round = 0;
    for (auto _ : state) {
        editor.form.MouseObj[kLeftButton] = {219, static_cast<std::uint8_t>(12 + (round++ & 1))};
        editor.form.picScreen_MouseDown(kLeftButton, 0, CellX(0), CellY(0));
        editor.form.picScreen_MouseUp(0, 0, CellX(0), CellY(0));
    }
}

// A paste of a whole level from the clipboard's cells form, decoding included, alternately the
// sample level and the same level with other colours, so every cell changes each time.
void WholeBoardPaste(benchmark::State& state) {
    const BoardGrid sample = LevelBoard(Level::Sample);
    BoardGrid other = sample;
    for (BoardCell& cell : other.cells) cell.Color = static_cast<std::uint8_t>(cell.Color ^ 1);
    const ClipboardContent contents[] = {{EncodeText(sample), std::nullopt},
                                         {EncodeText(other), std::nullopt}};
    Editor editor;
    editor.form.PointerLeft();  // at the board's top-left cell
    int round = 0;
    for (auto _ : state) editor.form.PasteClipboard(contents[round++ & 1]);
}

// One pointer event of a drag that moves a whole-board selection of the sample level, alternately
// one cell right and back, so the preview changes every cell of the board each time.
void WholeBoardMoveStep(benchmark::State& state) {
    const BoardGrid sample = LevelBoard(Level::Sample);
    Editor editor;
    for (int Y = 0; Y < kBoardRows; ++Y)
        for (int X = 0; X < kBoardColumns; ++X)
            editor.form.SetSquare(X, Y, sample(X, Y).Char, sample(X, Y).Color);
    editor.form.Invoke(MenuCommand::SelectAll);
    editor.form.picScreen_MouseDown(kLeftButton, 0, CellX(10), CellY(10));
    int round = 0;
    for (auto _ : state)
        editor.form.picScreen_MouseMove(kLeftButton, 0, CellX(10 + (round++ & 1)), CellY(10));
}

// ---- Map file ----

// A copy of the sample map in the system's temporary folder, with a blank level 3 after its
// three levels; removed at the end.
class ScratchMap {
  public:
    ScratchMap() {
        path_ = (std::filesystem::temp_directory_path() /
                 ("gridwright-bench-" + std::to_string(::getpid()) + ".qmap"))
                    .string();
        std::filesystem::copy_file(GW_SAMPLE_MAP, path_,
                                   std::filesystem::copy_options::overwrite_existing);
        if (!WriteLevelBlock(path_, kBlankLevel * kLevelBytes, LevelBlock{})) std::exit(1);
    }
    ~ScratchMap() { std::filesystem::remove(path_); }
    const std::string& Path() const { return path_; }

    static constexpr int kBlankLevel = 3;

  private:
    std::string path_;
};

// A level loaded and saved through the core: LoadMap reads it and paints the board, SaveMap puts
// it back on the disk.
void LoadAndSave(benchmark::State& state, Level level) {
    ScratchMap map;
    Editor editor;
    editor.form.MapFileName = map.Path();
    editor.form.CurrentLevel =
        OptionalNumber::Whole(level == Level::Sample ? kSampleLevel : ScratchMap::kBlankLevel);
    for (auto _ : state) {
        editor.form.LoadMap();
        editor.form.SaveMap();
    }
}

// The floor: the level's 1536 bytes read, written and flushed to the disk with plain positioned
// system calls on a file held open, in the same folder.
void LoadAndSaveFloor(benchmark::State& state) {
    ScratchMap map;
    const int fd = ::open(map.Path().c_str(), O_RDWR | O_CLOEXEC);
    std::uint8_t block[kLevelBytes];
    for (auto _ : state) {
        if (::pread(fd, block, sizeof block, kSampleLevel * kLevelBytes) != kLevelBytes ||
            ::pwrite(fd, block, sizeof block, kSampleLevel * kLevelBytes) != kLevelBytes ||
            ::fdatasync(fd) != 0) {
            state.SkipWithError("raw file access failed");
            break;
        }
    }
    ::close(fd);
}

// The same with an open and a close around the read and around the write and flush.
void LoadAndSaveFloorWithOpens(benchmark::State& state) {
    ScratchMap map;
    std::uint8_t block[kLevelBytes];
    for (auto _ : state) {
        int fd = ::open(map.Path().c_str(), O_RDONLY | O_CLOEXEC);
        const bool read =
            ::pread(fd, block, sizeof block, kSampleLevel * kLevelBytes) == kLevelBytes;
        ::close(fd);
        fd = ::open(map.Path().c_str(), O_RDWR | O_CLOEXEC);
        const bool written =
            ::pwrite(fd, block, sizeof block, kSampleLevel * kLevelBytes) == kLevelBytes &&
            ::fdatasync(fd) == 0;
        ::close(fd);
        if (!read || !written) {
            state.SkipWithError("raw file access failed");
            break;
        }
    }
}

// ---- Showing ----

// Turning surface pixels into colours, as the GTK front end does for a blit: the whole surface
// (after a brightness change) and one cell (a stroke step).
void ShowPixels(benchmark::State& state, PixelRect area) {
    const IndexedSurface surface = RenderSurface(LevelBoard(Level::Sample), std::nullopt, 1.0f);
    std::vector<std::uint32_t> shown(surface.bits.size());
    for (auto _ : state) {
        IndexedToRgb(surface.bits.data(), surface.info, shown.data(), kSurfaceWidth, kSurfaceHeight,
                     kSurfaceWidth, area);
        benchmark::ClobberMemory();
    }
}

// ---- Ratios ----

// Passes every run on to the console and keeps each benchmark's time per iteration, the median
// when there are repetitions.
class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            Figure& figure = figures_[run.run_name.function_name];
            if (figure.median && !median) continue;
            const double seconds = 1.0 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            figure = {run.GetAdjustedRealTime() * seconds, run.GetAdjustedCPUTime() * seconds,
                      median};
        }
    }

    void PrintRatio(const std::string& what, const std::string& subject,
                    const std::string& floor) const {
        const auto a = figures_.find(subject), b = figures_.find(floor);
        if (a == figures_.end() || b == figures_.end()) return;
        std::printf("%-58s %8.3g x (real time) %8.3g x (CPU time)\n", what.c_str(),
                    a->second.real / b->second.real, a->second.cpu / b->second.cpu);
    }

  private:
    struct Figure {
        double real = 0, cpu = 0;
        bool median = false;
    };
    std::map<std::string, Figure> figures_;
};

}  // namespace

int main(int argc, char** argv) {
    using benchmark::RegisterBenchmark;
    const auto us = benchmark::kMicrosecond;
    RegisterBenchmark("FullRepaint/SampleLevel", FullRepaint, Level::Sample)->Unit(us);
    RegisterBenchmark("FullRepaint/BlankLevel", FullRepaint, Level::Blank)->Unit(us);
    RegisterBenchmark("Floor/MemsetBuffer", MemsetBuffer)->Unit(us);
    RegisterBenchmark("Floor/MemsetBoard", MemsetBoard)->Unit(us);
    RegisterBenchmark("WholeSurface/SampleLevel", WholeSurface, Level::Sample)->Unit(us);
    RegisterBenchmark("CellRepaint", CellRepaint);
    RegisterBenchmark("Floor/MemsetCell", MemsetCell);
    RegisterBenchmark("WholeBoardDragStep", WholeBoardDragStep)->Unit(us);
    RegisterBenchmark("Tools/WholeBoardFill", WholeBoardFill)->Unit(us);
    RegisterBenchmark("Tools/WholeBoardPaste", WholeBoardPaste)->Unit(us);
    RegisterBenchmark("Tools/WholeBoardMoveStep", WholeBoardMoveStep)->Unit(us);
    RegisterBenchmark("LoadAndSave/SampleLevel", LoadAndSave, Level::Sample)->Unit(us);
    RegisterBenchmark("LoadAndSave/BlankLevel", LoadAndSave, Level::Blank)->Unit(us);
    RegisterBenchmark("Floor/PreadPwriteFdatasync", LoadAndSaveFloor)->Unit(us);
    RegisterBenchmark("Floor/WithOpenAndClose", LoadAndSaveFloorWithOpens)->Unit(us);
    RegisterBenchmark("ShowPixels/WholeSurface", ShowPixels,
                      PixelRect{0, 0, kSurfaceWidth, kSurfaceHeight})
        ->Unit(us);
    RegisterBenchmark("ShowPixels/OneCell", ShowPixels, PixelRect{50, 126, 10, 18});

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios in this run (medians where there are repetitions):\n");
    const auto ratio = [&](const char* what, const char* subject, const char* floor) {
        reporter.PrintRatio(what, subject, floor);
    };
    ratio("full repaint, sample level / memset of the buffer", "FullRepaint/SampleLevel",
          "Floor/MemsetBuffer");
    ratio("full repaint, blank level / memset of the buffer", "FullRepaint/BlankLevel",
          "Floor/MemsetBuffer");
    ratio("full repaint, sample level / memset of its bytes", "FullRepaint/SampleLevel",
          "Floor/MemsetBoard");
    ratio("whole surface, sample level / memset of the buffer", "WholeSurface/SampleLevel",
          "Floor/MemsetBuffer");
    ratio("one cell / memset of its bytes", "CellRepaint", "Floor/MemsetCell");
    ratio("whole-board drag step / memset of its bytes", "WholeBoardDragStep", "Floor/MemsetBoard");
    ratio("whole-board fill / full repaint, sample level", "Tools/WholeBoardFill",
          "FullRepaint/SampleLevel");
    ratio("whole-board paste / full repaint, sample level", "Tools/WholeBoardPaste",
          "FullRepaint/SampleLevel");
    ratio("whole-board move step / full repaint, sample level", "Tools/WholeBoardMoveStep",
          "FullRepaint/SampleLevel");
    ratio("load + save, sample level / pread + pwrite + fdatasync", "LoadAndSave/SampleLevel",
          "Floor/PreadPwriteFdatasync");
    ratio("load + save, blank level / pread + pwrite + fdatasync", "LoadAndSave/BlankLevel",
          "Floor/PreadPwriteFdatasync");
    ratio("load + save, sample level / the same with open and close", "LoadAndSave/SampleLevel",
          "Floor/WithOpenAndClose");
    ratio("one cell shown / whole surface shown", "ShowPixels/OneCell", "ShowPixels/WholeSurface");
    benchmark::Shutdown();
    return 0;
}
