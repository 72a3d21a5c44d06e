// frmMain's start-up, board view and map file methods.
#include "frm_main.h"

#include <string>

#include "surface_layout.h"

namespace gridwright {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

using namespace layout;

constexpr std::uint8_t kShadeGlyph = 176;
constexpr std::uint8_t kFurnitureGray = 8;
constexpr std::uint8_t kLegendGray = 7;
constexpr std::uint8_t kWhite = 15;

// The level as a load or save reckons with it: no value counts as 0.
std::string LevelText(const OptionalNumber& level) {
    return level.HasValue() ? level.ToText() : "0";
}

}  // namespace

FrmMain::FrmMain(WindowServices& services) : modGraphics(services), services_(services) {}

void FrmMain::Form_Load() {
    modGraphics.Brightness = 1.0f;
    modGraphics.LoadFont();
    modGraphics.BuildPalette();
    const PictureSize buffer = services_.GetPictureSize(Picture::picMainScreen);
    modGraphics.SetScreenSize(buffer.width, buffer.height);
    services_.SetPictureVisible(Picture::picMainScreen, false);
    DrawBorder();

    const std::string argument = services_.CommandLineArguments();
    if (!argument.empty()) {
        MapFileName = argument;  // one piece of text: never split at blanks nor unquoted
        services_.SetCaption(std::string(kCaptionPrefix) + MapFileName);
    }
    if (!MapFileName.empty()) {
        CurrentLevel = OptionalNumber::Whole(0);
        LoadMap();
    }
}

void FrmMain::DrawBorder() {
    for (int row = 0; row <= kBorderRow; ++row)
        modGraphics.DrawGlyph(kShadeGlyph, kBorderColumn, row, kLegendGray, kFurnitureGray);
    for (int column = 0; column <= kBorderColumn; ++column)
        modGraphics.DrawGlyph(kShadeGlyph, column, kBorderRow, kLegendGray, kFurnitureGray);
    for (int glyph = 0; glyph < 256; ++glyph)
        modGraphics.DrawGlyph(glyph, kTableColumn + glyph % 16, kGlyphTableFirstRow + glyph / 16,
                              kWhite, kFurnitureGray);
    // The digit "0" is drawn in colour 0 on colour 0: invisible, but its cell still picks colour 0.
    for (int color = 0; color < kPaletteSize; ++color)
        modGraphics.DrawGlyph(kHexDigits[color], kTableColumn + color, kColorRow, color, 0);
    modGraphics.BlitScreen();
}

void FrmMain::DrawMouseObj() {
    // Left, middle and right brushes are entries 1, 4 and 2, drawn as they are (a brush of colour
    // 0 shows nothing on its black background).
    constexpr struct {
        char letter;
        int button;
    } kLegend[] = {{'L', 1}, {'M', 4}, {'R', 2}};
    int column = kLegendColumn;
    for (const auto& entry : kLegend) {
        modGraphics.DrawGlyph(entry.letter, column, 0, kLegendGray, 0);
        const BoardCell& brush = MouseObj[entry.button];
        modGraphics.DrawGlyph(brush.Char, column + 1, 0, brush.Color, 0);
        column += 3;
    }
    DrawBoard();
}

void FrmMain::SetSquare(int X, int Y, std::uint8_t mChar, std::uint8_t mColor) {
    if (!BoardGrid::Contains(X, Y)) return;
    Board(X, Y) = BoardCell{mChar, mColor};

    std::uint8_t glyph = mChar, foreground = mColor, background = 0;
    // A glyph in colour 0 shows on dark grey instead of vanishing on black.
    if (mChar > 0 && mColor == 0) background = kFurnitureGray;
    // Glyph 255 is blank in the font: show the cell as a black X on a field of its colour.
    if (mChar == 255) {
        glyph = 'X';
        foreground = 0;
        background = mColor;
    }
    modGraphics.DrawGlyph(glyph, X, Y, foreground, background);
}

void FrmMain::DrawBoard() {
    modGraphics.BlitScreen();
}

void FrmMain::ShowLevelBlock(const LevelBlock& block) {
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X) {
            const std::size_t at = CellOffsetInLevel(X, Y);
            SetSquare(X, Y, block[at], ByteToColor(block[at + 1]));
        }
    }
    DrawBoard();
}

LevelBlock FrmMain::BoardAsLevelBlock() const {
    LevelBlock block{};
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X) {
            const std::size_t at = CellOffsetInLevel(X, Y);
            block[at] = Board(X, Y).Char;
            block[at + 1] = ColorToByte(Board(X, Y).Color);
        }
    }
    return block;
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
