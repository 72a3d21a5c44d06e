// The renderer on its own: the whole surface against what the editor shows, redrawing a rectangle
// of cells, clipping at a picture's edges, every glyph against the font image pixel by pixel, and
// the cells' looks at the layout's boundaries.
#include "renderer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "font_image.h"
#include "surface_layout.h"
#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::StartedEditor;

bool SameColors(const BitmapInfo& a, const BitmapInfo& b) {
    return std::memcmp(&a.bmiHeader, &b.bmiHeader, sizeof a.bmiHeader) == 0 &&
           std::memcmp(a.bmiColors, b.bmiColors, kPaletteSize * sizeof(RgbQuad)) == 0;
}

BrushLegend LegendOf(const FrmMain& form) {
    return {form.MouseObj[kLeftButton], form.MouseObj[kMiddleButton], form.MouseObj[kRightButton]};
}

TEST(RenderSurface, IsWhatTheEditorShowsAfterOpeningAMap) {
    testing::ScratchDir dir;
    const std::string map = dir.File("render.qmap");
    testing::WriteBytes(map, testing::PatternBytes(1536, 3));
    StartedEditor editor(map);

    const IndexedSurface surface = RenderSurface(editor.form.Board, std::nullopt, 1.0f);
    EXPECT_EQ(surface.bits, editor.services.blittedBits);
    EXPECT_TRUE(SameColors(surface.info, editor.services.blittedInfo));
}

TEST(RenderSurface, IsWhatTheEditorShowsAfterEditingAtABrightness) {
    StartedEditor editor;
    testing::PickBrush(editor.form, kLeftButton, 219, 12);
    testing::PickBrush(editor.form, kMiddleButton, 255, 5);
    testing::PickBrush(editor.form, kRightButton, 'A', 0);
    testing::PressCell(editor.form, kLeftButton, 0, 3, 4);
    testing::PressCell(editor.form, kMiddleButton, 0, 31, 23);
    testing::PressCell(editor.form, kRightButton, 0, 0, 0);
    testing::PressCell(editor.form, kLeftButton, 0, 7, 9);
    editor.services.answers.push_back("0.7");
    editor.form.Invoke(MenuCommand::Brightness);

    const IndexedSurface surface =
        RenderSurface(editor.form.Board, LegendOf(editor.form), editor.form.modGraphics.Brightness);
    EXPECT_EQ(surface.bits, editor.services.blittedBits);
    EXPECT_TRUE(SameColors(surface.info, editor.services.blittedInfo));
}

TEST(RenderSurface, BrightnessChangesOnlyTheColourTable) {
    BoardGrid board;
    board(1, 2) = {'Q', 15};
    const IndexedSurface full = RenderSurface(board, std::nullopt, 1.0f);
    const IndexedSurface half = RenderSurface(board, std::nullopt, 0.5f);
    EXPECT_EQ(full.bits, half.bits);
    EXPECT_EQ(full.info.bmiColors[15].rgbRed, 255);
    EXPECT_EQ(half.info.bmiColors[15].rgbRed, 128);
    EXPECT_EQ(half.info.bmiHeader.biWidth, 800);
    EXPECT_EQ(half.info.bmiHeader.biHeight, 450);
    EXPECT_EQ(half.info.bmiHeader.biClrUsed, 16u);
    EXPECT_EQ(half.bits.size(), 360000u);
}

TEST(DrawCells, RedrawsExactlyTheRectangle) {
    BoardGrid board;
    for (int X = 0; X < kBoardColumns; ++X)
        for (int Y = 0; Y < kBoardRows; ++Y)
            board(X, Y) = {static_cast<std::uint8_t>(X * 7 + Y), 9};
    const BrushLegend legend{{3, 12}, {4, 0}, {255, 2}};
    const IndexedSurface fresh = RenderSurface(board, legend, 1.0f);

    // Cells 30..44 by 0..5 take in board, border, legend, the gaps and the colour row.
    IndexedSurface scribbled = fresh;
    std::fill(scribbled.bits.begin(), scribbled.bits.end(), 0x5A);
    DrawCells(scribbled.View(), {30, 0, 15, 6}, board, legend);
    for (int y = 0; y < kSurfaceHeight; ++y)
        for (int x = 0; x < kSurfaceWidth; ++x) {
            const bool inside = x >= 300 && x < 450 && y < 108;
            ASSERT_EQ(scribbled.At(x, y), inside ? fresh.At(x, y) : 0x5A) << x << ", " << y;
        }
}

TEST(DrawCells, ClipsRectanglesToTheGrid) {
    const BoardGrid board;
    IndexedSurface surface;
    std::fill(surface.bits.begin(), surface.bits.end(), 0x5A);
    DrawCells(surface.View(), {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, board, std::nullopt);
    DrawCells(surface.View(), {INT_MAX, 0, INT_MAX, 1}, board, std::nullopt);
    EXPECT_EQ(surface.At(0, 0), 0x5A) << "rectangles that end before the grid paint nothing";
    DrawCells(surface.View(), {-5, 20, 10, 100}, board, std::nullopt);
    EXPECT_EQ(surface.At(0, 449), 8) << "the bottom border's dark grey";
    EXPECT_EQ(surface.At(49, 360), 0) << "board cell (4, 20)";
    EXPECT_EQ(surface.At(50, 360), 0x5A);
    DrawCells(surface.View(), kWholeSurface, board, std::nullopt);
    EXPECT_EQ(surface.bits, RenderSurface(board, std::nullopt, 1.0f).bits);
}

TEST(DrawGlyph, ClipsAtTheEdgesOfAnyView) {
    // A 15 x 20 picture, bottom row first: cell (1, 1) has 5 columns and 2 rows inside it.
    std::vector<std::uint8_t> bits(15 * 20, 0);
    const SurfaceView view = SurfaceView::BottomUp(bits.data(), 15, 20);
    DrawGlyph(view, 219, 1, 1, 7, 1);
    DrawGlyph(view, 219, 2, 0, 7, 1);   // wholly right of the picture
    DrawGlyph(view, 219, -1, 0, 7, 1);  // wholly left of it
    DrawGlyph(view, 219, 0, 255, 7, 1);
    int painted = 0;
    for (std::uint8_t pixel : bits) painted += pixel == 7;
    EXPECT_EQ(painted, 5 * 2);
    EXPECT_EQ(bits[1 * 15 + 10], 7) << "pixel (10, 18) is in the picture's second stored row";
    EXPECT_EQ(bits[0 * 15 + 14], 7) << "pixel (14, 19)";

    // The same cell in a top-down view lands in the last rows of the buffer instead.
    std::vector<std::uint8_t> topDown(15 * 20, 0);
    DrawGlyph({topDown.data(), 15, 15, 20}, 219, 1, 1, 7, 1);
    EXPECT_EQ(topDown[18 * 15 + 10], 7);
    EXPECT_EQ(topDown[19 * 15 + 14], 7);

    // An empty view is painted nowhere.
    DrawGlyph(SurfaceView::BottomUp(nullptr, 800, 450), 219, 0, 0, 7, 1);
    DrawGlyph(SurfaceView::BottomUp(bits.data(), 0, 0), 219, 0, 0, 7, 1);
}

// The glyph drawing as the font image describes it, one pixel at a time: the whole cell in the
// background, then the lit pixels of a glyph that is not blank in the foreground; pixels outside
// a width x height picture, stored bottom row first, are dropped.
void ByteWiseGlyph(std::vector<std::uint8_t>& bits, int width, int height, int glyph, int column,
                   int row, std::uint8_t foreground, std::uint8_t background) {
    const auto put = [&](int x, int y, std::uint8_t value) {
        if (x < width && y < height)
            bits[static_cast<std::size_t>(height - 1 - y) * width + x] = value;
    };
    for (int i = 0; i < kGlyphWidth; ++i)
        for (int j = 0; j < kGlyphHeight; ++j)
            put(column * kGlyphWidth + i, row * kGlyphHeight + j, background);
    if (glyph == 0 || glyph == 32 || glyph == 255) return;
    const int left = glyph % 16 * kGlyphWidth;
    const int top = glyph / 16 * kGlyphHeight;
    for (int j = 0; j < kGlyphHeight; ++j)
        for (int i = 0; i < kGlyphWidth; ++i)
            if (kFontImage[top + j][left + i] == '#')
                put(column * kGlyphWidth + i, row * kGlyphHeight + j, foreground);
}

// The palette's colours, the brush colours past it, and values whose top bit is set.
constexpr std::uint8_t kTestColours[] = {0,  1,  2,  3,  4,  5,  6,  7,    8,    9,    10,
                                         11, 12, 13, 14, 15, 16, 38, 0x7F, 0x80, 0xA5, 0xFF};

TEST(DrawGlyph, EveryGlyphInEveryColourPairIsTheFontImage) {
    // Cell (1, 1) of a 3 x 3 cell picture 30 pixels wide, so its rows start off any word
    // boundary; the cells around it must keep their pattern.
    constexpr int kWidth = 3 * kGlyphWidth, kHeight = 3 * kGlyphHeight;
    const Bytes pattern = testing::PatternBytes(kWidth * kHeight, 9);
    Bytes drawn, expected;
    for (int glyph = 0; glyph < kFontGlyphs; ++glyph)
        for (const std::uint8_t foreground : kTestColours)
            for (const std::uint8_t background : kTestColours) {
                drawn = expected = pattern;
                DrawGlyph(SurfaceView::BottomUp(drawn.data(), kWidth, kHeight),
                          static_cast<std::uint8_t>(glyph), 1, 1, foreground, background);
                ByteWiseGlyph(expected, kWidth, kHeight, glyph, 1, 1, foreground, background);
                ASSERT_EQ(drawn, expected)
                    << "glyph " << glyph << " in " << int{foreground} << " on " << int{background};
            }
}

TEST(DrawGlyph, CellsCutByTheViewsEdgesAreTheFontImageToo) {
    // 1 to 9 columns and 1 to 17 rows of cell (1, 1) inside the picture.
    for (int columns = 1; columns < kGlyphWidth; ++columns)
        for (int rows = 1; rows < kGlyphHeight; rows += 4) {
            const int width = kGlyphWidth + columns, height = kGlyphHeight + rows;
            const Bytes pattern =
                testing::PatternBytes(static_cast<std::size_t>(width) * height, 2);
            for (int glyph = 0; glyph < kFontGlyphs; ++glyph) {
                Bytes drawn = pattern, expected = pattern;
                DrawGlyph(SurfaceView::BottomUp(drawn.data(), width, height),
                          static_cast<std::uint8_t>(glyph), 1, 1, 14, 0x81);
                ByteWiseGlyph(expected, width, height, glyph, 1, 1, 14, 0x81);
                ASSERT_EQ(drawn, expected) << "glyph " << glyph << ", " << columns << " x " << rows;
            }
        }
}

TEST(CellLooks, FollowTheLayoutAtItsBoundaries) {
    BoardGrid board;
    board(31, 23) = {'Z', 3};
    const BrushLegend legend{{1, 2}, {3, 4}, {5, 6}};
    const auto at = [&](int column, int row) { return LookAt(column, row, board, legend); };
    EXPECT_EQ(at(31, 23), (CellLook{'Z', 3, 0}));
    EXPECT_EQ(at(32, 0), (CellLook{176, 7, 8}));
    EXPECT_EQ(at(0, 24), (CellLook{176, 7, 8}));
    EXPECT_EQ(at(33, 24), CellLook{});
    EXPECT_EQ(at(33, 0), CellLook{});
    EXPECT_EQ(at(34, 0), (CellLook{'L', 7, 0}));
    EXPECT_EQ(at(35, 0), (CellLook{1, 2, 0}));
    EXPECT_EQ(at(36, 0), CellLook{});
    EXPECT_EQ(at(38, 0), (CellLook{3, 4, 0}));
    EXPECT_EQ(at(40, 0), (CellLook{'R', 7, 0}));
    EXPECT_EQ(at(41, 0), (CellLook{5, 6, 0})) << "the right brush stands above the tables";
    EXPECT_EQ(at(42, 0), CellLook{});
    EXPECT_EQ(at(41, 3), (CellLook{'0', 0, 0}));
    EXPECT_EQ(at(56, 3), (CellLook{'F', 15, 0}));
    EXPECT_EQ(at(57, 3), CellLook{});
    EXPECT_EQ(at(41, 4), CellLook{});
    EXPECT_EQ(at(41, 5), (CellLook{0, 15, 8}));
    EXPECT_EQ(at(56, 20), (CellLook{255, 15, 8}));
    EXPECT_EQ(at(40, 6), CellLook{}) << "picking reaches further left than the table";
    EXPECT_EQ(at(41, 21), CellLook{});
    EXPECT_EQ(at(79, 24), CellLook{});
    EXPECT_EQ(LookAt(34, 0, board, std::nullopt), CellLook{}) << "no legend before a press";
    EXPECT_EQ(layout::RegionAt(80, 0), layout::Region::Nothing);
    EXPECT_EQ(layout::RegionAt(-1, 0), layout::Region::Nothing);
}

TEST(NearestPaletteColor, GivesEachPaletteColourItsIndexAndOthersTheClosest) {
    for (int index = 0; index < kPaletteSize; ++index) {
        const Rgb color = kBasePalette[index];
        EXPECT_EQ(NearestPaletteColor(static_cast<std::uint8_t>(color.red),
                                      static_cast<std::uint8_t>(color.green),
                                      static_cast<std::uint8_t>(color.blue)),
                  index);
    }
    EXPECT_EQ(NearestPaletteColor(0, 0, 0), 0);        // colour 0 is red 1
    EXPECT_EQ(NearestPaletteColor(200, 190, 185), 7);  // light grey
    EXPECT_EQ(NearestPaletteColor(250, 250, 10), 14);  // yellow
    EXPECT_EQ(NearestPaletteColor(0, 0, 255), 1);      // blue 144 is nearer than 96, 96, 255
}

}  // namespace
}  // namespace gridwright
