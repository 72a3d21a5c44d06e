// frmMain's mouse editing and menu commands.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>
#include <string>

#include "frm_main.h"
#include "pointer_input.h"
#include "surface_layout.h"

namespace gridwright {

namespace {

// Anchor value meaning "no anchor": beyond every board column and row, so the rectangle loops
// starting from it run zero times.
constexpr std::int16_t kNoAnchor = 99;

using namespace layout;

struct SurfaceCell {
    int column;
    int row;
};

// Pointer position to surface cell: round halves to even, then divide truncating toward zero,
// so -9 to -1 still give column 0. Positions too far off to matter land outside every region.
SurfaceCell CellAt(float X, float Y) {
    const auto whole = [](float pixels) {
        if (!std::isfinite(pixels)) return -1000000;
        return static_cast<int>(std::clamp(RoundHalfEven(pixels), -1e6, 1e6));
    };
    return {whole(X) / kGlyphWidth, whole(Y) / kGlyphHeight};
}

}  // namespace

std::uint8_t FrmMain::RandomColor() {
    // 1 to 15, never 0; the window system's generator is never seeded.
    const int color = static_cast<int>(15 * services_.Random()) + 1;
    return static_cast<std::uint8_t>(std::clamp(color, 1, 15));
}

void FrmMain::ShowCellStatus(int X, int Y) {
    const BoardCell& cell = Board(X, Y);
    services_.SetStatusCaption("[L" + CurrentLevel.ToText() + ":" + std::to_string(X) + "," +
                               std::to_string(Y) + "=" + std::to_string(cell.Char) + "," +
                               std::to_string(cell.Color) + "]");
}

void FrmMain::picScreen_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    if (overview_) return;
    const auto [c, r] = CellAt(X, Y);
    NotePointer(c, r);
    if (tool_ != Tool::Pen) {
        if (BoardGrid::Contains(c, r) && Shift == 0) ShowCellStatus(c, r);
        if (IsButtonCombination(Button)) ToolDragTo({c, r});
        return;
    }
    if (!BoardGrid::Contains(c, r)) return;

    if (Shift == 0) {
        // The status is written before the cell is painted: during a drag it shows each cell as
        // it was before the brush reached it.
        ShowCellStatus(c, r);
        AnchorX = OptionalNumber::Whole(kNoAnchor);
    }
    if (!IsButtonCombination(Button) || ignoreUntilRelease_) return;
    BeginGesture();

    BoardCell& brush = MouseObj[Button];
    if (Shift == kCtrlKey) brush.Color = RandomColor();

    // With Shift, fill from the anchor to this cell, column by column and each top to bottom. An
    // anchor that was never set counts as none.
    if ((Shift & kShiftKey) && AnchorX.HasValue() && AnchorY.HasValue()) {
        for (int i = static_cast<int>(AnchorX.Value()); i <= c; ++i) {
            for (int j = static_cast<int>(AnchorY.Value()); j <= r; ++j) {
                if (Shift & kCtrlKey) brush.Color = RandomColor();
                SetSquare(i, j, brush.Char, brush.Color);
            }
        }
    }
    SetSquare(c, r, brush.Char, brush.Color);
    DrawBoard();
}

void FrmMain::picScreen_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    if (overview_) {
        // Tools and brush picks are off: a press on a thumbnail loads its level.
        if (IsButtonCombination(Button)) OverviewPress(X, Y);
        return;
    }
    const auto [c, r] = CellAt(X, Y);
    if (tool_ == Tool::Pen) {
        picScreen_MouseMove(Button, Shift, X, Y);
        if (BoardGrid::Contains(c, r) && Shift == kShiftKey) {
            AnchorX = OptionalNumber::Whole(static_cast<std::int16_t>(c));
            AnchorY = OptionalNumber::Whole(static_cast<std::int16_t>(r));
        } else {
            AnchorX = OptionalNumber::Whole(kNoAnchor);
            AnchorY = OptionalNumber::Whole(kNoAnchor);
        }
    } else {
        NotePointer(c, r);
        if (BoardGrid::Contains(c, r) && Shift == 0) ShowCellStatus(c, r);
        ToolPress(Button, Shift, {c, r});
    }
    if (c < kPaletteFirstColumn) return;

    // Picks apply the table formulas wherever the press lands in the strip; a result that is no
    // glyph code, or no colour of the 16-colour palette, picks nothing.
    if (IsButtonCombination(Button)) {
        BoardCell& brush = MouseObj[Button];
        const int color = c - kTableColumn;
        if (r == kColorRow && color >= 0 && color < kPaletteSize)
            brush.Color = static_cast<std::uint8_t>(color);
        const int glyph = (r - kGlyphTableFirstRow) * kTableColumns + (c - kTableColumn);
        if (r >= kGlyphTableFirstRow && r <= kGlyphTableLastRow && glyph >= 0 && glyph <= 255)
            brush.Char = static_cast<std::uint8_t>(glyph);
    }
    DrawMouseObj();
}

void FrmMain::picScreen_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button != 0) return;
    ignoreUntilRelease_ = false;
    if (overview_) return;
    if (drag_.kind != Drag::None) {
        const auto [c, r] = CellAt(X, Y);
        ToolDragTo({c, r});
        FinishDrag();
    }
    if (caret_) return;  // the typing goes on after the press that placed the caret
    EndGesture();
}

void FrmMain::mnuWorldLoad_Click() {
    // Names the file for the next Save and Level Select; loads nothing. Cancel names no file.
    NameMapFile(services_.InputBox("Filename?", MapFileName));
}

void FrmMain::mnuFileSaveGame_Click() {
    if (SaveMap()) {
        history_.MarkSaved();
        AfterHistoryChange();
    }
}

void FrmMain::mnuFileLevel_Click() {
    const std::string answer = services_.InputBox("Level?", CurrentLevel.ToText());
    if (answer.empty()) return;
    // A number too large for a double is no level either: refused as the answer stands.
    const std::optional<double> number = TryReadNumber(answer);
    if (!number) {
        ReportMapFailure("load", answer, kUnreachableLevel);
        return;
    }
    const OptionalNumber level = OptionalNumber::Double(*number);
    if (!LevelOffset(level.Value())) {
        ReportMapFailure("load", level.ToText(), kUnreachableLevel);
        return;
    }
    // A level that cannot be loaded is not the level being edited: keep the one on the board,
    // so that the next Save cannot write it into the wrong place.
    const OptionalNumber previous = CurrentLevel;
    const BoardGrid before = Board;
    const DocumentPlace beforePlace = Place();
    CurrentLevel = level;
    if (!LoadMap()) {
        CurrentLevel = previous;
        return;
    }
    // The edits it dropped stay one Undo away.
    RecordStep(before, beforePlace, true);
}

void FrmMain::mnuWorldQuit_Click() {
    services_.EndProgram();
}

void FrmMain::mnuOptionBright_Click() {
    const double answer =
        ReadNumber(services_.InputBox("Brightness?", FloatToText(modGraphics.Brightness)));
    float brightness = 1.0f;
    if (answer >= FLT_MAX)
        brightness = FLT_MAX;  // held at the largest finite value: every component shows 255
    else if (answer > 0)
        brightness = static_cast<float>(answer);
    if (!(brightness > 0)) brightness = 1.0f;  // also a positive answer too small for a float
    modGraphics.Brightness = brightness;
    modGraphics.BuildPalette();
    DrawBoard();
}

void FrmMain::Invoke(MenuCommand command) {
    EndToolGesture();
    // The overview turns its pages and zooms; any other command acts on the board it gives back.
    const bool keepsOverview = command == MenuCommand::LevelOverview ||
                               command == MenuCommand::LevelPrevious ||
                               command == MenuCommand::LevelNext ||
                               command == MenuCommand::ZoomIn || command == MenuCommand::ZoomOut ||
                               command == MenuCommand::ActualSize || command == MenuCommand::None;
    if (overview_ && !keepsOverview) CloseOverview();
    switch (command) {
        case MenuCommand::Open:
            mnuWorldLoad_Click();
            break;
        case MenuCommand::Save:
            mnuFileSaveGame_Click();
            break;
        case MenuCommand::LevelSelect:
            mnuFileLevel_Click();
            break;
        case MenuCommand::Exit:
            mnuWorldQuit_Click();
            break;
        case MenuCommand::Brightness:
            mnuOptionBright_Click();
            break;
        case MenuCommand::Undo:
            mnuEditUndo_Click();
            break;
        case MenuCommand::Redo:
            mnuEditRedo_Click();
            break;
        case MenuCommand::Recover:
            mnuFileRecover_Click();
            break;
        case MenuCommand::ZoomIn:
        case MenuCommand::ZoomOut:
        case MenuCommand::ActualSize:
            mnuOptionZoom_Click(command);
            break;
        case MenuCommand::ToolPen:
        case MenuCommand::ToolLine:
        case MenuCommand::ToolFill:
        case MenuCommand::ToolSelect:
        case MenuCommand::ToolPick:
        case MenuCommand::ToolText:
            ChooseTool(*CommandTool(command));
            break;
        case MenuCommand::Cut:
            mnuEditCut_Click();
            break;
        case MenuCommand::Copy:
            mnuEditCopy_Click();
            break;
        case MenuCommand::Paste:
            mnuEditPaste_Click();
            break;
        case MenuCommand::Delete:
            mnuEditDelete_Click();
            break;
        case MenuCommand::SelectAll:
            mnuEditSelectAll_Click();
            break;
        case MenuCommand::LevelOverview:
            mnuLevelOverview_Click();
            break;
        case MenuCommand::LevelInsert:
            mnuLevelInsert_Click();
            break;
        case MenuCommand::LevelDuplicate:
            mnuLevelDuplicate_Click();
            break;
        case MenuCommand::LevelDelete:
            mnuLevelDelete_Click();
            break;
        case MenuCommand::LevelMoveTo:
            mnuLevelMove_Click();
            break;
        case MenuCommand::LevelPrevious:
            mnuLevelStep_Click(-1);
            break;
        case MenuCommand::LevelNext:
            mnuLevelStep_Click(1);
            break;
        case MenuCommand::Browse:
            mnuFileBrowse_Click();
            break;
        case MenuCommand::RecentFile1:
        case MenuCommand::RecentFile2:
        case MenuCommand::RecentFile3:
        case MenuCommand::RecentFile4:
        case MenuCommand::RecentFile5:
        case MenuCommand::RecentFile6:
        case MenuCommand::RecentFile7:
        case MenuCommand::RecentFile8:
            mnuFileRecent_Click(RecentFileIndex(command));
            break;
        case MenuCommand::RecentFiles:  // the submenu's heading, never chosen
        case MenuCommand::None:
            break;
    }
}

}  // namespace gridwright
