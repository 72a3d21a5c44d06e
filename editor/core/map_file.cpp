#include "map_file.h"

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "numbers.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// The file system's path for a map file's name, or why the name names no file a level can be
// kept in.
FileResult MapPath(const std::string& name, fs::path& path) {
    if (name.empty()) return FileResult::Failure("no map file is named");
    try {
        path = ToPath(name);
    } catch (const std::exception&) {
        return FileResult::Failure("the name is not valid UTF-8 text");
    }
    std::error_code ignored;
    // Opening a directory for reading succeeds on some systems; refuse it plainly.
    if (fs::is_directory(fs::status(path, ignored)))
        return FileResult::Failure(Reason(std::errc::is_a_directory));
    return {};
}

FileResult Open(const std::string& name, MapAccess access, std::fstream& file) {
    fs::path path;
    if (FileResult named = MapPath(name, path); !named) return named;

    constexpr auto kReadWrite = std::ios::in | std::ios::out | std::ios::binary;
    constexpr auto kReadOnly = std::ios::in | std::ios::binary;
    if (access == MapAccess::ReadOnly) {
        errno = 0;
        file.open(path, kReadOnly);
        return file.is_open() ? FileResult{} : FileResult::Failure(LastSystemReason(errno));
    }
    std::error_code ignored;
    if (!fs::exists(path, ignored)) {
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

// A map file opened for a save through the system's own descriptor, which the standard streams
// do not offer: a save must flush the data to the disk before it counts as done, and cut the file
// back to its old length when a write fails. Every call leaves the system's reason in errno.
class SaveFile {
  public:
    SaveFile() = default;
    ~SaveFile() {
        if (descriptor_ >= 0) Close();
    }
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // Opens for reading and writing without truncation, creating a missing file empty.
    bool Open(const fs::path& path) {
#ifdef _WIN32
        descriptor_ = _wopen(path.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                             _S_IREAD | _S_IWRITE);
        if (descriptor_ < 0) return false;
        length_ = _filelengthi64(descriptor_);
        regular_ = true;
        return length_ >= 0;
#else
        descriptor_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        struct stat status {};
        if (descriptor_ < 0 || ::fstat(descriptor_, &status) != 0) return false;
        length_ = status.st_size;
        regular_ = S_ISREG(status.st_mode);
        return true;
#endif
    }

    // Writes all of data at offset; false on the first failed or empty write.
    bool WriteAt(std::int64_t offset, const std::uint8_t* data, std::size_t size) {
#ifdef _WIN32
        if (_lseeki64(descriptor_, offset, SEEK_SET) < 0) return false;
#endif
        while (size > 0) {
#ifdef _WIN32
            const int written = _write(descriptor_, data, static_cast<unsigned>(size));
#else
            const ssize_t written = ::pwrite(descriptor_, data, size, offset);
            if (written < 0 && errno == EINTR) continue;
#endif
            if (written <= 0) {
                if (written == 0) errno = ENOSPC;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
            offset += written;
        }
        return true;
    }

    // Has the system put the written data on the disk. Devices without storage of their own
    // (a terminal, a pipe) have nothing to flush.
    bool Flush() {
#ifdef _WIN32
        return _commit(descriptor_) == 0;  // FlushFileBuffers
#else
        return ::fsync(descriptor_) == 0 || (!regular_ && errno == EINVAL);
#endif
    }

    // Cuts the file back to the length it had when it was opened, if it has grown since.
    void RestoreLength() {
        if (!regular_) return;
        const int error = errno;
#ifdef _WIN32
        if (_filelengthi64(descriptor_) > length_) _chsize_s(descriptor_, length_);
#else
        struct stat status {};
        if (::fstat(descriptor_, &status) == 0 && status.st_size > length_)
            while (::ftruncate(descriptor_, length_) != 0 && errno == EINTR) {
            }
        ::fsync(descriptor_);
#endif
        errno = error;
    }

    bool Close() {
#ifdef _WIN32
        const int closed = _close(descriptor_);
#else
        const int closed = ::close(descriptor_);
#endif
        descriptor_ = -1;
        return closed == 0;
    }

  private:
    int descriptor_ = -1;
    std::int64_t length_ = 0;
    bool regular_ = false;
};

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
    fs::path file;
    if (FileResult named = MapPath(path, file); !named) return named;
    SaveFile save;
    errno = 0;
    if (!save.Open(file)) return FileResult::Failure(LastSystemReason(errno));
    errno = 0;
    if (!save.WriteAt(offset, block.data(), block.size()) || !save.Flush()) {
        // A level written past the old end must not stay half there.
        save.RestoreLength();
        return FileResult::Failure(LastSystemReason(errno));
    }
    errno = 0;
    if (!save.Close()) return FileResult::Failure(LastSystemReason(errno));
    return {};
}

}  // namespace gridwright
