// Map files compared and merged cell by cell.
#include "map_compare/map_compare.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "map_file.h"

namespace gridwright {
namespace {

using Map = std::vector<std::uint8_t>;

// A map of whole levels, each cell of level n glyph 'a' + n in colour n.
Map Levels(int count) {
    Map map;
    for (int level = 0; level < count; ++level)
        for (int cell = 0; cell < kBoardCells; ++cell) {
            map.push_back(static_cast<std::uint8_t>('a' + level));
            map.push_back(ColorToByte(static_cast<std::uint8_t>(level)));
        }
    return map;
}

void SetCell(Map& map, int level, int column, int row, std::uint8_t glyph, std::uint8_t color) {
    const std::size_t at =
        static_cast<std::size_t>(level) * kLevelBytes + CellOffsetInLevel(column, row);
    map[at] = glyph;
    map[at + 1] = ColorToByte(color);
}

std::vector<std::string> DiffLines(const Map& a, const Map& b, std::int64_t first = 0,
                                   std::int64_t last = kLastLevel, bool* differ = nullptr) {
    std::vector<std::string> lines;
    const bool any = CompareMaps(a, b, first, last, [&](const LevelChange& change) {
        for (const std::string& line : ChangeLines(change)) lines.push_back(line);
    });
    if (differ) *differ = any;
    return lines;
}

std::vector<std::string> ConflictLines(const MapMerge& merge) {
    std::vector<std::string> lines;
    for (const MergeConflict& conflict : merge.conflicts) lines.push_back(ConflictLine(conflict));
    return lines;
}

TEST(MapCompare, NamesEachChangedCellWithItsGlyphsAndColours) {
    const Map a = Levels(3);
    Map b = a;
    SetCell(b, 1, 31, 23, 219, 12);  // the full block
    SetCell(b, 1, 0, 0, 0, 0);       // glyph 0 shows as the symbol for NUL
    bool differ = false;
    EXPECT_EQ(DiffLines(a, b, 0, kLastLevel, &differ),
              (std::vector<std::string>{"level 1 (0,0): 'b' 1 -> '\u2400' 0",
                                        "level 1 (31,23): 'b' 1 -> '\u2588' 12"}));
    EXPECT_TRUE(differ);
    EXPECT_TRUE(DiffLines(a, a, 0, kLastLevel, &differ).empty());
    EXPECT_FALSE(differ);
    // Only the levels asked for.
    EXPECT_TRUE(DiffLines(a, b, 2, 2, &differ).empty());
    EXPECT_FALSE(differ);

    std::vector<std::string> summaries;
    CompareMaps(a, b, 0, kLastLevel,
                [&](const LevelChange& change) { summaries.push_back(ChangeSummary(change)); });
    EXPECT_EQ(summaries, std::vector<std::string>{"level 1: 2 cells"});
}

TEST(MapCompare, ShowsAColourByteChangeThatTheEditorDoesNotSee) {
    const Map a = Levels(1);
    Map b = a;
    b[1] = 0x03;
    EXPECT_EQ(DiffLines(a, b),
              std::vector<std::string>{"level 0 (0,0): 'a' 0 -> 'a' 0 (colour byte 00 -> 03)"});
}

TEST(MapCompare, NamesLevelsOnlyOneFileHolds) {
    const Map two = Levels(2), five = Levels(5);
    EXPECT_EQ(DiffLines(two, five), std::vector<std::string>{"levels 2-4: added"});
    EXPECT_EQ(DiffLines(five, two), std::vector<std::string>{"levels 2-4: removed"});
    EXPECT_EQ(DiffLines(five, two, 3, 3), std::vector<std::string>{"level 3: removed"});
    EXPECT_EQ(DiffLines({}, two), std::vector<std::string>{"levels 0-1: added"});
}

TEST(MapCompare, ComparesATrailingPartialLevelByteForByte) {
    Map a = Levels(2);
    a.resize(kLevelBytes + 700);
    EXPECT_TRUE(DiffLines(a, a).empty());
    Map b = a;
    b[kLevelBytes + 12] ^= 1;
    EXPECT_EQ(DiffLines(a, b),
              std::vector<std::string>{"level 1: partial level of 700 bytes, first difference at "
                                       "byte 12"});
    // The same bytes as far as the shorter goes still differ: the files do.
    const Map whole = Levels(2);
    EXPECT_EQ(DiffLines(a, whole),
              std::vector<std::string>{
                  "level 1: partial level 700 -> 1536 bytes, first difference at byte 700"});
}

TEST(MapMerge, TakesEachSidesChangesAndTheSameChangeOnce) {
    const Map base = Levels(3);
    Map ours = base, theirs = base;
    SetCell(ours, 0, 1, 1, '#', 4);
    SetCell(theirs, 0, 2, 2, '@', 5);
    SetCell(ours, 1, 3, 3, '=', 6);  // the same change on both sides
    SetCell(theirs, 1, 3, 3, '=', 6);
    for (int cell = 0; cell < kBoardCells; ++cell)
        SetCell(theirs, 2, cell % kBoardColumns, cell / kBoardColumns, 'z', 9);
    Map expected = ours;
    SetCell(expected, 0, 2, 2, '@', 5);
    for (int cell = 0; cell < kBoardCells; ++cell)
        SetCell(expected, 2, cell % kBoardColumns, cell / kBoardColumns, 'z', 9);

    const MapMerge merge = MergeMaps(base, ours, theirs);
    EXPECT_EQ(merge.bytes, expected);
    EXPECT_TRUE(merge.conflicts.empty());
    // Either way round.
    EXPECT_EQ(MergeMaps(base, theirs, ours).bytes, expected);
    EXPECT_EQ(MergeMaps(base, base, base).bytes, base);
}

TEST(MapMerge, KeepsOurCellWhereBothChangedItDifferently) {
    const Map base = Levels(2);
    Map ours = base, theirs = base;
    SetCell(ours, 1, 4, 5, 'A', 15);
    SetCell(theirs, 1, 4, 5, '#', 4);
    SetCell(theirs, 1, 6, 7, '+', 2);
    const MapMerge merge = MergeMaps(base, ours, theirs);
    Map expected = ours;
    SetCell(expected, 1, 6, 7, '+', 2);
    EXPECT_EQ(merge.bytes, expected);
    EXPECT_EQ(ConflictLines(merge),
              std::vector<std::string>{"level 1 (4,5): ours 'A' 15, theirs '#' 4"});
}

TEST(MapMerge, LevelsAddedAtTheEnd) {
    const Map base = Levels(2), longer = Levels(4);
    // By one side: taken, with the other side's changes.
    Map ours = base;
    SetCell(ours, 0, 0, 0, '!', 1);
    Map expected = longer;
    SetCell(expected, 0, 0, 0, '!', 1);
    MapMerge merge = MergeMaps(base, ours, longer);
    EXPECT_EQ(merge.bytes, expected);
    EXPECT_TRUE(merge.conflicts.empty());
    EXPECT_EQ(MergeMaps(base, longer, ours).bytes, expected);

    // By both, the same: taken once.
    merge = MergeMaps(base, longer, longer);
    EXPECT_EQ(merge.bytes, longer);
    EXPECT_TRUE(merge.conflicts.empty());

    // By both, differently: a conflict of each such level, which keeps ours.
    Map theirs = longer;
    SetCell(theirs, 3, 0, 0, '?', 3);
    Map three = Levels(3);
    merge = MergeMaps(base, three, theirs);
    Map kept = longer;  // level 2 the same on both, level 3 only theirs
    EXPECT_EQ(merge.bytes, theirs);
    EXPECT_TRUE(merge.conflicts.empty());
    merge = MergeMaps(base, longer, theirs);
    EXPECT_EQ(merge.bytes, kept);
    EXPECT_EQ(ConflictLines(merge),
              std::vector<std::string>{"level 3: added by both sides with different content"});
}

TEST(MapMerge, TrailingPartialLevelsAndRemovedLevels) {
    const Map base = Levels(3);
    Map partial = base;
    partial.resize(2 * kLevelBytes + 100);
    // A side that cut the last level short wins over an unchanged one.
    EXPECT_EQ(MergeMaps(base, base, partial).bytes, partial);
    // A partial level changed differently on both sides: a conflict, ours kept.
    Map other = partial;
    other[2 * kLevelBytes + 5] = 'x';
    MapMerge merge = MergeMaps(base, partial, other);
    EXPECT_EQ(merge.bytes, partial);
    EXPECT_EQ(
        ConflictLines(merge),
        std::vector<std::string>{"level 2: a partial level changed differently on both sides"});

    // Levels removed by one side and unchanged on the other are gone; changed, a conflict.
    const Map shorter = Levels(2);
    EXPECT_EQ(MergeMaps(base, shorter, base).bytes, shorter);
    Map changed = base;
    SetCell(changed, 2, 0, 0, '*', 7);
    merge = MergeMaps(base, shorter, changed);
    EXPECT_EQ(merge.bytes, shorter);
    EXPECT_EQ(ConflictLines(merge),
              std::vector<std::string>{"level 2: removed on our side, changed on theirs"});

    // A partial last level of ours before levels that theirs added: filled with zero bytes.
    const Map two = Levels(2);
    Map ourPartial = two;
    ourPartial.resize(kLevelBytes + 10);
    const Map four = Levels(4);
    merge = MergeMaps(two, ourPartial, four);
    ASSERT_EQ(merge.bytes.size(), four.size());
    EXPECT_EQ(merge.bytes[kLevelBytes + 9], four[kLevelBytes + 9]);
    EXPECT_EQ(merge.bytes[kLevelBytes + 10], 0);
    EXPECT_EQ(merge.bytes[2 * kLevelBytes], four[2 * kLevelBytes]);
    EXPECT_EQ(ConflictLines(merge),
              std::vector<std::string>{
                  "level 1: a partial level on one side, while the other has levels after it"});
}

}  // namespace
}  // namespace gridwright
