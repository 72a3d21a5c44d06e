// The map file: a headerless sequence of 1536-byte levels, level n at byte n * 1536. A level holds
// the 768 cells of one board row by row (row 0 first, each row from column 0 to 31), two bytes a
// cell: the glyph code, then the colour index times 16 (upper four bits; the lower four are 0).
// Cell (X, Y) of level n has its glyph at byte n * 1536 + (Y * 32 + X) * 2 and its colour right
// after it. Every value is one byte, so no byte order arises.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board.h"

namespace gridwright {

inline constexpr int kLevelBytes = 1536;
// A level's place is reckoned as a 32-bit position counted from 1, so the last reachable level
// starts at offset 2,147,483,136.
inline constexpr int kLastLevel = 1398101;

using LevelBlock = std::array<std::uint8_t, kLevelBytes>;

// Byte offset of the level's block: level * 24 * 32 * 2 + 1 rounded halves to even, less one, so a
// fractional level (0.25 gives 384) starts inside its neighbours. No value for a level below 0 or
// above kLastLevel, or not a number.
std::optional<std::int64_t> LevelOffset(double level);

constexpr std::size_t CellOffsetInLevel(int X, int Y) {
    return static_cast<std::size_t>(Y * 32 + X) * 2;
}
constexpr std::uint8_t ColorToByte(std::uint8_t color) {
    return static_cast<std::uint8_t>((color & 0x0F) << 4);
}
constexpr std::uint8_t ByteToColor(std::uint8_t stored) {
    return stored >> 4;
}

// The board a level block holds; the colour bytes' lower four bits are dropped.
BoardGrid BoardFromLevelBlock(const LevelBlock& block);
// The level block that holds a board; only a colour's lower four bits are stored.
LevelBlock LevelBlockFromBoard(const BoardGrid& board);

// How a map file is opened.
enum class MapAccess {
    // Reading, creating a missing file empty and never truncating one (a read-only file loads).
    Load,
    // As Load: a level is only ever written by WriteLevelBlock.
    Save,
    // Reading alone; a missing file is an error and nothing is ever created.
    ReadOnly,
};

// The outcome of a file operation: on failure, the system's reason ("No such file or directory").
struct FileResult {
    bool ok = true;
    std::string reason;

    explicit operator bool() const { return ok; }
    static FileResult Failure(std::string why) { return {false, std::move(why)}; }
};

// Reads the 1536 bytes at offset of the UTF-8 path into block: one open, one positioned read and
// one close; bytes past the end of the file read as 0.
FileResult ReadLevelBlock(const std::string& path, std::int64_t offset, MapAccess access,
                          LevelBlock& block);
// What the system tells of an opened file from its descriptor: its type (st_mode of <sys/stat.h>)
// and which file it is.
struct OpenedFileFacts {
    unsigned mode = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};
// As ReadLevelBlock with MapAccess::ReadOnly, but learning first what was opened (one fstat on
// the descriptor, never a look by path that another file could answer): when `check` gives a
// reason, nothing is read and that reason is the failure. `facts` keeps what was learnt.
FileResult ReadCheckedLevelBlock(const std::string& path, std::int64_t offset, LevelBlock& block,
                                 std::string (*check)(const OpenedFileFacts&),
                                 OpenedFileFacts& facts);
// Writes block at offset of the UTF-8 path in one positioned write and has the system put it on
// the disk before it counts as written, leaving every other byte of the file as it was; a gap
// before offset reads as zero bytes. A failed write that lengthened the file cuts it back to its
// old length.
FileResult WriteLevelBlock(const std::string& path, std::int64_t offset, const LevelBlock& block);
// As WriteLevelBlock, but learning first what was opened (from the descriptor, as
// ReadCheckedLevelBlock does): when `check` gives a reason, nothing is written and that reason is
// the failure. A missing file is made empty first, as for WriteLevelBlock.
FileResult WriteCheckedLevelBlock(const std::string& path, std::int64_t offset,
                                  const LevelBlock& block,
                                  std::string (*check)(const OpenedFileFacts&));

// The most bytes a map file can hold that a level reaches: every byte of level kLastLevel.
inline constexpr std::int64_t kLargestMapBytes =
    static_cast<std::int64_t>(kLastLevel + 1) * kLevelBytes;
// Reads the whole map file at the UTF-8 path into bytes, a trailing partial level included, in a
// few large reads (a map of a thousand levels is one or two). Never creates the file; a file
// larger than kLargestMapBytes is refused, as no level reaches its end. With `facts`, also tells
// what was opened (from the descriptor), so an output can be kept from replacing the map.
FileResult ReadMapFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                       OpenedFileFacts* facts = nullptr);
// Reads `count` levels from level `first` of the map file at the UTF-8 path into bytes (count x
// 1536, bytes past the end of the file reading as 0) in one open and one positioned read, and
// gives the file's length: a page of a map of any size costs the same. Never creates the file.
FileResult ReadLevelRange(const std::string& path, std::int64_t first, std::int64_t count,
                          std::vector<std::uint8_t>& bytes, std::int64_t& length);

}  // namespace gridwright
