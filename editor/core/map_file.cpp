#include "map_file.h"

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "numbers.h"

namespace gridwright {

namespace fs = std::filesystem;

std::optional<std::int64_t> LevelOffset(double level) {
    if (!(level >= 0 && level <= kLastLevel)) return std::nullopt;
    const double position = RoundHalfEven(level * 24 * 32 * 2 + 1);
    return static_cast<std::int64_t>(position) - 1;
}

BoardGrid BoardFromLevelBlock(const LevelBlock& block) {
    BoardGrid board;
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X) {
            const std::size_t at = CellOffsetInLevel(X, Y);
            board(X, Y) = {block[at], ByteToColor(block[at + 1])};
        }
    }
    return board;
}

LevelBlock LevelBlockFromBoard(const BoardGrid& board) {
    LevelBlock block{};
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X) {
            const std::size_t at = CellOffsetInLevel(X, Y);
            block[at] = board(X, Y).Char;
            block[at + 1] = ColorToByte(board(X, Y).Color);
        }
    }
    return block;
}

namespace {

// Paths are UTF-8 text; building the path from char8_t text makes it reach the file system as
// UTF-8 on POSIX systems and as UTF-16 on Windows.
fs::path ToPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Reason(std::errc error) {
    return std::make_error_code(error).message();
}

// The reason of the last failed call, from errno, which the stream's C library sets.
std::string LastSystemReason(int error) {
    return error != 0 ? std::generic_category().message(error) : Reason(std::errc::io_error);
}

FileResult Open(const std::string& name, MapAccess access, std::fstream& file) {
    if (name.empty()) return FileResult::Failure("no map file is named");
    fs::path path;
    try {
        path = ToPath(name);
    } catch (const std::exception&) {
        return FileResult::Failure("the name is not valid UTF-8 text");
    }
    std::error_code ignored;
    const fs::file_status status = fs::status(path, ignored);
    // Opening a directory for reading succeeds on some systems; refuse it plainly.
    if (fs::is_directory(status)) return FileResult::Failure(Reason(std::errc::is_a_directory));

    constexpr auto kReadWrite = std::ios::in | std::ios::out | std::ios::binary;
    constexpr auto kReadOnly = std::ios::in | std::ios::binary;
    if (access == MapAccess::ReadOnly) {
        errno = 0;
        file.open(path, kReadOnly);
        return file.is_open() ? FileResult{} : FileResult::Failure(LastSystemReason(errno));
    }
    if (!fs::exists(status)) {
        // Appending creates the file without ever truncating one that appears meanwhile.
        errno = 0;
        std::ofstream create(path, std::ios::out | std::ios::app | std::ios::binary);
        if (!create.is_open()) return FileResult::Failure(LastSystemReason(errno));
    }
    errno = 0;
    file.open(path, kReadWrite);
    if (file.is_open()) return {};
    int error = errno;
    if (access == MapAccess::Load) {
        file.clear();
        errno = 0;
        file.open(path, kReadOnly);
        if (file.is_open()) return {};
        error = errno;
    }
    return FileResult::Failure(LastSystemReason(error));
}

}  // namespace

FileResult ReadLevelBlock(const std::string& path, std::int64_t offset, MapAccess access,
                          LevelBlock& block) {
    block.fill(0);
    std::fstream file;
    if (FileResult opened = Open(path, access, file); !opened) return opened;
    errno = 0;
    if (!file.seekg(offset)) return FileResult::Failure(LastSystemReason(errno));
    file.read(reinterpret_cast<char*>(block.data()), kLevelBytes);
    // A short read at the end of the file is no error: what lies past the end stays 0.
    if (file.bad() || (file.fail() && !file.eof()))
        return FileResult::Failure(LastSystemReason(errno));
    return {};
}

FileResult WriteLevelBlock(const std::string& path, std::int64_t offset, const LevelBlock& block) {
    std::fstream file;
    if (FileResult opened = Open(path, MapAccess::Save, file); !opened) return opened;
    errno = 0;
    if (!file.seekp(offset)) return FileResult::Failure(LastSystemReason(errno));
    file.write(reinterpret_cast<const char*>(block.data()), kLevelBytes);
    file.flush();
    if (!file) return FileResult::Failure(LastSystemReason(errno));
    file.close();
    if (file.fail()) return FileResult::Failure(LastSystemReason(errno));
    return {};
}

}  // namespace gridwright
