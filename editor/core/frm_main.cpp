// frmMain's start-up, board view and map file methods.
#include "frm_main.h"

#include <string>

#include "renderer.h"

namespace gridwright {

namespace {

// The level as a load or save reckons with it: no value counts as 0.
std::string LevelText(const OptionalNumber& level) {
    return level.HasValue() ? level.ToText() : "0";
}

}  // namespace

FrmMain::FrmMain(WindowServices& services) : modGraphics(services), services_(services) {}

void FrmMain::Form_Load() {
    StartZoom();
    modGraphics.Brightness = 1.0f;
    modGraphics.LoadFont();
    modGraphics.BuildPalette();
    const PictureSize buffer = services_.GetPictureSize(Picture::picMainScreen);
    modGraphics.SetScreenSize(buffer.width, buffer.height);
    services_.SetPictureVisible(Picture::picMainScreen, false);
    DrawBorder();

    journal_.SetFolder(services_.RecoveryFolder());
    const std::string argument = services_.CommandLineArguments();
    ShowRecentFiles();
    if (!argument.empty()) {
        MapFileName = argument;  // one piece of text: never split at blanks nor unquoted
        named_ = true;
        ShowCaption();
    }
    if (!MapFileName.empty()) {
        CurrentLevel = OptionalNumber::Whole(0);
        // Only a map that loads is worth offering again: not a folder, nor a file out of reach.
        if (LoadMap()) RememberRecentFile(MapFileName);
    }
    AfterHistoryChange();
    SetSelection(std::nullopt);  // Cut, Copy and Delete wait for a selection
}

void FrmMain::DrawBorder() {
    DrawFurniture(modGraphics.Surface());
    modGraphics.Damage(CellPixels(kWholeSurface));
    modGraphics.BlitScreen();
}

void FrmMain::DrawMouseObj() {
    DrawLegend(modGraphics.Surface(), {.left = MouseObj[kLeftButton],
                                       .middle = MouseObj[kMiddleButton],
                                       .right = MouseObj[kRightButton]});
    modGraphics.Damage(CellPixels(kLegendCells));
    DrawBoard();
}

void FrmMain::SetSquare(int X, int Y, std::uint8_t mChar, std::uint8_t mColor) {
    if (!BoardGrid::Contains(X, Y)) return;
    Board(X, Y) = BoardCell{mChar, mColor};
    PaintBoardCell(X, Y);
}

void FrmMain::PaintBoardCell(int X, int Y) {
    ForgetOverlay(X, Y);
    DrawBoardCell(modGraphics.Surface(), X, Y, Board(X, Y));
    modGraphics.Damage(CellPixels({X, Y, 1, 1}));
}

void FrmMain::ForgetOverlay(int X, int Y) {
    const auto i = static_cast<std::size_t>(Y + kBoardRows * X);
    if (overlaid_[i]) {
        overlaid_[i] = false;
        --overlaidCount_;
    }
}

void FrmMain::PaintBoardCells(const std::vector<BoardPoint>& cells) {
    // Cells that hold the same glyph and colour look alike: each is drawn once, the others copy
    // its pixels. A small table of the latest drawn is enough for fills and levels, whose cells
    // repeat a few glyphs and colours.
    struct Drawn {
        BoardCell cell;
        BoardPoint at;
        bool valid = false;
    };
    std::array<Drawn, 64> drawn{};
    const SurfaceView surface = modGraphics.Surface();
    const bool wholeBoard =
        surface.width >= kBoardColumns * kGlyphWidth && surface.height >= kBoardRows * kGlyphHeight;
    for (const BoardPoint at : cells) {
        const BoardCell cell = Board(at.X, at.Y);
        Drawn& entry = drawn[(cell.Char * 7u + cell.Color) % drawn.size()];
        if (!wholeBoard || !entry.valid || entry.cell != cell) {
            PaintBoardCell(at.X, at.Y);
            entry = {cell, at, true};
            continue;
        }
        ForgetOverlay(at.X, at.Y);
        CopyCellPixels(surface, entry.at.X, entry.at.Y, at.X, at.Y);
        modGraphics.Damage(CellPixels({at.X, at.Y, 1, 1}));
    }
}

void FrmMain::DrawBoard() {
    RefreshOverlay();
    modGraphics.BlitScreen();
}

void FrmMain::ShowLevelBlock(const LevelBlock& block) {
    const BoardGrid level = BoardFromLevelBlock(block);
    for (int Y = 0; Y < kBoardRows; ++Y)
        for (int X = 0; X < kBoardColumns; ++X)
            SetSquare(X, Y, level(X, Y).Char, level(X, Y).Color);
    DrawBoard();
}

LevelBlock FrmMain::BoardAsLevelBlock() const {
    return LevelBlockFromBoard(Board);
}

FileResult FrmMain::CurrentLevelOffset(std::int64_t& offset) const {
    const auto reachable = LevelOffset(CurrentLevel.Value());
    if (!reachable) return FileResult::Failure(std::string(kUnreachableLevel));
    offset = *reachable;
    return {};
}

bool FrmMain::LoadMap() {
    // The whole level is read before any cell is set, so a failed load leaves Board untouched.
    LevelBlock block;
    std::int64_t offset = 0;
    FileResult read = CurrentLevelOffset(offset);
    if (read) read = ReadLevelBlock(MapFileName, offset, MapAccess::Load, block);
    if (!read) {
        ReportMapFailure("load", LevelText(CurrentLevel), read.reason);
        return false;
    }
    ShowLevelBlock(block);
    return true;
}

bool FrmMain::SaveMap() {
    std::int64_t offset = 0;
    FileResult written = CurrentLevelOffset(offset);
    if (written) written = WriteLevelBlock(MapFileName, offset, BoardAsLevelBlock());
    if (!written) {
        ReportMapFailure("save", LevelText(CurrentLevel), written.reason);
        return false;
    }
    DrawBoard();
    return true;
}

void FrmMain::ReportMapFailure(std::string_view action, std::string_view level,
                               std::string_view reason) {
    std::string message = "Could not ";
    message += action;
    message += " level ";
    message += level;
    message += action == "save" ? " to \"" : " from \"";
    message += MapFileName;
    message += "\": ";
    message += reason;
    message += '.';
    services_.ReportFailure(message);
}

}  // namespace gridwright
