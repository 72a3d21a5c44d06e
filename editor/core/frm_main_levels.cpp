// frmMain's Level menu: the overview of the map's levels and the operations on whole levels.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "frm_main.h"
#include "levels/level_operations.h"
#include "levels/overview.h"

namespace gridwright {

namespace {

// The board's area, which the overview takes while it shows.
constexpr CellRect kOverviewCells = kWholeBoard;

// The level as a whole number at or above 0, if it is one.
std::optional<std::int64_t> WholeLevel(const OptionalNumber& level) {
    const double value = level.Value();
    if (!(value >= 0 && value <= kLastLevel) || value != std::floor(value)) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

}  // namespace

void FrmMain::ReportLevelFailure(std::string_view action, std::string_view reason) {
    std::string message = "Could not ";
    message += action;
    message += " in \"";
    message += MapFileName;
    message += "\": ";
    message += reason;
    message += '.';
    services_.ReportFailure(message);
}

bool FrmMain::ReadForLevelEdit(std::string_view action, std::vector<std::uint8_t>& bytes,
                               std::int64_t& level) {
    if (FileResult read = ReadMapFile(MapFileName, bytes); !read) {
        ReportLevelFailure(action, read.reason);
        return false;
    }
    const std::string problem =
        LevelProblem(CurrentLevel.Value(), WholeLevels(static_cast<std::int64_t>(bytes.size())));
    if (!problem.empty()) {
        ReportLevelFailure(action, problem);
        return false;
    }
    level = static_cast<std::int64_t>(CurrentLevel.Value());
    return true;
}

std::optional<FileStep> FrmMain::RewriteMap(std::string_view action, const LevelEdit& edit,
                                            std::vector<std::uint8_t>& bytes) {
    if (const std::string problem = EditProblem(edit, static_cast<std::int64_t>(bytes.size()));
        !problem.empty()) {
        ReportLevelFailure(action, problem);
        return std::nullopt;
    }
    FileStep step{
        MapFileName, {edit}, InverseEdits(edit, bytes), static_cast<std::int64_t>(bytes.size()), 0};
    ApplyEdit(edit, bytes);
    step.bytesAfter = static_cast<std::int64_t>(bytes.size());
    if (FileResult written = ReplaceMapFile(MapFileName, bytes); !written) {
        ReportLevelFailure(action, written.reason);
        return std::nullopt;
    }
    return step;
}

FileResult FrmMain::ApplyFileStep(const std::string& path, const std::vector<LevelEdit>& edits,
                                  std::int64_t expected) {
    std::vector<std::uint8_t> bytes;
    if (FileResult read = ReadMapFile(path, bytes); !read) return read;
    // Another program, or a save of a level the operation moved, may have changed the file's
    // levels since: their places would no longer be the ones the step knows.
    if (static_cast<std::int64_t>(bytes.size()) != expected)
        return FileResult::Failure("the file's length has changed since");
    // The edits came from this editor, or from a recovery journal, which is outside input: each
    // is checked against the bytes it meets before it is applied.
    for (const LevelEdit& edit : edits) {
        if (!EditApplies(edit, static_cast<std::int64_t>(bytes.size())))
            return FileResult::Failure("the file does not hold the levels the step names");
        ApplyEdit(edit, bytes);
    }
    return ReplaceMapFile(path, bytes);
}

void FrmMain::mnuLevelInsert_Click() {
    const std::string action = "insert a level at level " + CurrentLevel.ToText();
    std::vector<std::uint8_t> bytes;
    std::int64_t level = 0;
    if (!ReadForLevelEdit(action, bytes, level)) return;
    const bool unsaved = !history_.MatchesFile();
    std::optional<FileStep> file =
        RewriteMap(action, {LevelOperation::Insert, level, 0, std::nullopt}, bytes);
    if (!file) return;
    const BoardGrid before = Board;
    const DocumentPlace beforePlace = Place();
    if (unsaved) {
        // The edits stay on the board with their level, which is now one place further on.
        CurrentLevel = OptionalNumber::Double(static_cast<double>(level + 1));
        RecordStep(before, beforePlace, false, std::move(file));
        return;
    }
    ShowLevelBlock(LevelBlock{});
    RecordStep(before, beforePlace, true, std::move(file));
}

void FrmMain::mnuLevelDuplicate_Click() {
    const std::string action = "duplicate level " + CurrentLevel.ToText();
    std::vector<std::uint8_t> bytes;
    std::int64_t level = 0;
    if (!ReadForLevelEdit(action, bytes, level)) return;
    std::optional<FileStep> file =
        RewriteMap(action, {LevelOperation::Duplicate, level, 0, BoardAsLevelBlock()}, bytes);
    if (!file) return;
    const DocumentPlace beforePlace = Place();
    CurrentLevel = OptionalNumber::Double(static_cast<double>(level + 1));
    RecordStep(Board, beforePlace, true, std::move(file));
}

void FrmMain::mnuLevelDelete_Click() {
    const std::string action = "delete level " + CurrentLevel.ToText();
    std::vector<std::uint8_t> bytes;
    std::int64_t level = 0;
    if (!ReadForLevelEdit(action, bytes, level)) return;
    std::optional<FileStep> file =
        RewriteMap(action, {LevelOperation::Delete, level, 0, std::nullopt}, bytes);
    if (!file) return;
    const BoardGrid before = Board;
    const DocumentPlace beforePlace = Place();
    const std::int64_t left = WholeLevels(static_cast<std::int64_t>(bytes.size()));
    const std::int64_t shown = level < left ? level : std::max<std::int64_t>(level - 1, 0);
    CurrentLevel = OptionalNumber::Double(static_cast<double>(shown));
    const bool loaded = LoadMap();
    RecordStep(before, beforePlace, loaded, std::move(file));
}

void FrmMain::mnuLevelMove_Click() {
    const std::string answer = services_.InputBox("Move to level?", CurrentLevel.ToText());
    if (answer.empty()) return;
    const std::string action = "move level " + CurrentLevel.ToText() + " to level " + answer;
    const std::optional<double> to = TryReadNumber(answer);
    std::vector<std::uint8_t> bytes;
    std::int64_t level = 0;
    if (!ReadForLevelEdit(action, bytes, level)) return;
    const std::int64_t levels = WholeLevels(static_cast<std::int64_t>(bytes.size()));
    const std::string problem =
        to ? LevelProblem(*to, levels) : "\"" + answer + "\" is not a level number";
    if (!problem.empty()) {
        ReportLevelFailure(action, problem);
        return;
    }
    const auto target = static_cast<std::int64_t>(*to);
    if (target == level) return;
    const bool matches = history_.MatchesFile();
    std::optional<FileStep> file =
        RewriteMap(action, {LevelOperation::Move, level, target, std::nullopt}, bytes);
    if (!file) return;
    const DocumentPlace beforePlace = Place();
    CurrentLevel = OptionalNumber::Double(static_cast<double>(target));
    RecordStep(Board, beforePlace, matches, std::move(file));
}

void FrmMain::SelectLevel(const OptionalNumber& level) {
    // As Level Select: a level that cannot be loaded leaves the board and its level as they were.
    const OptionalNumber previous = CurrentLevel;
    const BoardGrid before = Board;
    const DocumentPlace beforePlace = Place();
    CurrentLevel = level;
    if (!LoadMap()) {
        CurrentLevel = previous;
        return;
    }
    RecordStep(before, beforePlace, true);
}

void FrmMain::mnuLevelStep_Click(int step) {
    if (overview_) {
        OverviewKey(step < 0 ? NamedKey::PageUp : NamedKey::PageDown);
        return;
    }
    // The neighbouring whole level: from 2.5, Previous is 2 and Next is 3.
    const double current = CurrentLevel.Value();
    if (!(current >= 0 && current <= kLastLevel)) return;
    const double target = step < 0 ? std::ceil(current) - 1 : std::floor(current) + 1;
    if (target < 0 || target > kLastLevel) return;
    SelectLevel(OptionalNumber::Double(target));
}

// ---- The overview ----

void FrmMain::mnuLevelOverview_Click() {
    if (overview_) {
        CloseOverview();
        return;
    }
    const std::optional<std::int64_t> current = WholeLevel(CurrentLevel);
    overview_ =
        OverviewState{current ? *current / kOverviewPageLevels * kOverviewPageLevels : 0, 0};
    ShowOverviewPage();
}

void FrmMain::ShowOverviewPage() {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kOverviewPageLevels) * kLevelBytes, 0);
    std::int64_t length = 0;
    // Only the page's levels are read, whatever the map's size. With no map file named, the
    // board is the only level there is.
    if (!MapFileName.empty()) {
        if (FileResult read =
                ReadLevelRange(MapFileName, overview_->first, kOverviewPageLevels, bytes, length);
            !read) {
            ReportLevelFailure("show the levels", read.reason);
            if (overview_->levels > 0)
                CloseOverview();
            else
                overview_.reset();
            return;
        }
    }
    const std::optional<std::int64_t> current = WholeLevel(CurrentLevel);
    // A trailing partial level shows too, as Level Select loads it: what the file lacks is zero.
    std::int64_t levels = (length + kLevelBytes - 1) / kLevelBytes;
    if (current) levels = std::max(levels, *current + 1);  // the board's level, not yet saved
    levels = std::max<std::int64_t>(levels, 1);
    overview_->levels = levels;
    const std::int64_t shown =
        std::clamp<std::int64_t>(levels - overview_->first, 0, kOverviewPageLevels);
    std::vector<LevelBlock> blocks(static_cast<std::size_t>(shown));
    for (std::int64_t i = 0; i < shown; ++i) {
        if (current && overview_->first + i == *current)
            blocks[static_cast<std::size_t>(i)] = BoardAsLevelBlock();  // unsaved edits too
        else
            std::copy_n(bytes.begin() + i * kLevelBytes, kLevelBytes,
                        blocks[static_cast<std::size_t>(i)].begin());
    }
    DrawOverviewPage(modGraphics.Surface(), {overview_->first, blocks, current});
    modGraphics.Damage(CellPixels(kOverviewCells));
    modGraphics.BlitScreen();
}

void FrmMain::CloseOverview() {
    overview_.reset();
    std::vector<BoardPoint> cells;
    cells.reserve(kBoardCells);
    for (int X = 0; X < kBoardColumns; ++X)
        for (int Y = 0; Y < kBoardRows; ++Y) cells.push_back({X, Y});
    PaintBoardCells(cells);
    DrawBoard();
}

bool FrmMain::OverviewKey(NamedKey key) {
    switch (key) {
        case NamedKey::Escape:
        case NamedKey::Tab:
            CloseOverview();
            return true;
        case NamedKey::PageUp:
        case NamedKey::PageDown: {
            const std::int64_t lastPage =
                (overview_->levels - 1) / kOverviewPageLevels * kOverviewPageLevels;
            const std::int64_t step =
                key == NamedKey::PageUp ? -kOverviewPageLevels : kOverviewPageLevels;
            const std::int64_t first = std::clamp<std::int64_t>(
                overview_->first + step, 0, std::max<std::int64_t>(lastPage, 0));
            if (first != overview_->first) {
                overview_->first = first;
                ShowOverviewPage();
            }
            return true;
        }
        default:
            return false;  // tools and typing are off while the overview shows
    }
}

void FrmMain::OverviewPress(float X, float Y) {
    if (!std::isfinite(X) || !std::isfinite(Y)) return;
    const std::optional<int> slot =
        OverviewSlotAt(static_cast<int>(std::floor(X)), static_cast<int>(std::floor(Y)));
    if (!slot) return;
    const std::int64_t level = overview_->first + *slot;
    if (level >= overview_->levels) return;
    // The buttons still held after the press paint nothing on the board that comes back.
    ignoreUntilRelease_ = true;
    CloseOverview();
    SelectLevel(OptionalNumber::Double(static_cast<double>(level)));
}

}  // namespace gridwright
