// Undo history figures beside a full repaint in the same run: recording a step when a gesture
// ends (a one-cell click and a whole-board rectangle), one Undo with its redraw, and the recovery
// journal's write. The journal is written once per finished gesture, on the button's release or
// the next command, never on a pointer move, so none of it sits on the drag path.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "frm_main.h"
#include "history.h"
#include "pointer_input.h"
#include "recovery_journal.h"
#include "silent_window.h"
#include "surface_geometry.h"

namespace {

using namespace gridwright;

LevelBlock PatternBlock(int round) {
    LevelBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i % 2 ? ((i / 2 + round) % 16) << 4 : i + round);
    return block;
}

// The yardstick: every board cell painted and the surface handed to the window system, as a
// level load shows it.
void BM_FullRepaint(benchmark::State& state) {
    SilentWindow window{"history_bench"};
    FrmMain form(window);
    form.Form_Load();
    const LevelBlock blocks[2] = {PatternBlock(0), PatternBlock(1)};
    int round = 0;
    for (auto _ : state) form.ShowLevelBlock(blocks[round++ & 1]);
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

// What the end of a gesture costs the history: the board copied when the gesture began, and the
// step recorded from it. Argument: the cells the gesture changed (1: a click; 768: a rectangle
// over the whole board).
void BM_RecordStep(benchmark::State& state) {
    const auto cells = static_cast<std::size_t>(state.range(0));
    History history;
    BoardGrid board;
    const DocumentPlace place{OptionalNumber::Whole(0), "bench.qmap", true};
    std::uint8_t round = 0;
    for (auto _ : state) {
        const BoardGrid before = board;  // as BeginGesture takes it
        ++round;
        for (std::size_t i = 0; i < cells; ++i) board.cells[i] = {round, 1};
        history.Record(before, place, board, place, false);
    }
    state.counters["steps kept"] = static_cast<double>(history.StepCount());
}
BENCHMARK(BM_RecordStep)->Arg(1)->Arg(768)->Unit(benchmark::kMicrosecond);

// One Undo of a whole-board rectangle through the editor, with the cells redrawn and the surface
// handed on; each round also redoes it, so the figure is an Undo and a Redo.
void BM_UndoAndRedoWholeBoard(benchmark::State& state) {
    SilentWindow window{"history_bench"};
    FrmMain form(window);
    form.Form_Load();
    form.MouseObj[kLeftButton] = {219, 12};
    form.picScreen_MouseDown(kLeftButton, kShiftKey, 5, 9);
    form.picScreen_MouseUp(0, kShiftKey, 5, 9);
    form.picScreen_MouseDown(kLeftButton, kShiftKey, 315, 423);
    form.picScreen_MouseUp(0, kShiftKey, 315, 423);
    for (auto _ : state) {
        form.Invoke(MenuCommand::Undo);
        form.Invoke(MenuCommand::Redo);
    }
}
BENCHMARK(BM_UndoAndRedoWholeBoard)->Unit(benchmark::kMicrosecond);

// The recovery journal's write after a step: a temporary file put on the disk, then renamed.
void BM_JournalWrite(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("gridwright-bench-journal-" + std::to_string(::getpid()));
    RecoveryJournal journal;
    journal.SetFolder(folder.string());
    BoardGrid board;
    const DocumentPlace place{OptionalNumber::Whole(0), "bench.qmap", true};
    std::uint8_t round = 0;
    for (auto _ : state) {
        board.cells[0].Char = ++round;
        if (!journal.Write(board, place)) state.SkipWithError("the journal cannot be written");
    }
    journal.Remove();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_JournalWrite)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
