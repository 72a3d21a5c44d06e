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

// A history of `steps` one-cell steps and the document they lead to, which keeps that many as
// more are recorded: its memory limit holds exactly that many.
struct JournalledHistory {
    explicit JournalledHistory(std::int64_t steps)
        : history(OneStepBytes() * static_cast<std::size_t>(steps)) {
        for (std::int64_t i = 0; i < steps; ++i) Paint();
    }
    static std::size_t OneStepBytes() {
        History one;
        BoardGrid painted;
        painted.cells[0].Char = 1;
        one.Record(BoardGrid{}, {}, painted, {}, false);
        return one.Bytes();
    }
    void Paint() {
        const BoardGrid before = board;
        board.cells[next % kBoardCells].Char = static_cast<std::uint8_t>(next / kBoardCells + 1);
        ++next;
        history.Record(before, place, board, place, false);
    }
    History history;
    BoardGrid board;
    DocumentPlace place{OptionalNumber::Whole(0), "bench.qmap", true};
    std::size_t next = 0;
};

// The recovery journal's bytes for a one-cell step, with `steps` steps in the history before it:
// what the journal costs beside the disk.
void BM_JournalRecord(benchmark::State& state) {
    JournalledHistory document(state.range(0));
    JournalWriter writer;
    bool whole = false;
    std::size_t bytes = 0, records = 0;
    writer.Next(document.board, document.place, document.history, whole);
    for (auto _ : state) {
        document.Paint();
        bytes += writer.Next(document.board, document.place, document.history, whole).size();
        ++records;
    }
    state.counters["bytes per step"] = static_cast<double>(bytes) / static_cast<double>(records);
    state.counters["steps kept"] = static_cast<double>(document.history.StepCount());
}
BENCHMARK(BM_JournalRecord)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The recovery journal's write of a one-cell step, with `steps` steps in the history before it:
// a record appended and put on the disk (and, now and then, the journal written anew).
void BM_JournalWrite(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("gridwright-bench-journal-" + std::to_string(::getpid()));
    RecoveryJournal journal;
    journal.SetFolder(folder.string());
    JournalledHistory document(state.range(0));
    if (!journal.Write(document.board, document.place, document.history))
        state.SkipWithError("the journal cannot be written");
    for (auto _ : state) {
        document.Paint();
        if (!journal.Write(document.board, document.place, document.history))
            state.SkipWithError("the journal cannot be written");
    }
    state.counters["steps kept"] = static_cast<double>(document.history.StepCount());
    state.counters["journal bytes"] =
        static_cast<double>(std::filesystem::file_size(journal.Path()));
    journal.Remove();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_JournalWrite)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
