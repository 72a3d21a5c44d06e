#include "map_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "numbers.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the system's macro
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gridwright {

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

// The system's words for an error number; a failure that set none counts as an input/output
// error.
std::string Reason(int error) {
    return std::generic_category().message(error != 0 ? error : EIO);
}

// How a map file is opened for one load or one save. None of them ever truncates the file.
enum class OpenFor {
    Load,      // reading, creating a missing file empty
    ReadOnly,  // reading; a missing file is an error
    Save,      // reading and writing, creating a missing file empty
};

#ifdef _WIN32

// The C library's error number for a failed ReadFile or WriteFile, as its own calls set it.
int ErrorNumber(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_ACCESS_DENIED:
        case ERROR_LOCK_VIOLATION:
        case ERROR_SHARING_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_FILE_TOO_LARGE:
            return EFBIG;
        default:
            return EIO;
    }
}

// A positioned call's place in the file.
OVERLAPPED Place(std::int64_t offset) {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return place;
}

// The most one ReadFile or WriteFile call moves.
constexpr std::size_t kMaxTransfer = 1u << 30;

#endif

// A map file held open through the system's own descriptor for one load or one save, so that a
// level moves in one positioned read or write after one open. Every failed call leaves the
// system's reason in errno.
class MapFile {
  public:
    MapFile() = default;
    ~MapFile() {
        if (descriptor_ >= 0) Close();
    }
    MapFile(const MapFile&) = delete;
    MapFile& operator=(const MapFile&) = delete;

    // Opens the file that a map file's name (UTF-8 text) names, or says why it cannot.
    FileResult Open(const std::string& name, OpenFor purpose) {
        if (name.empty()) return FileResult::Failure("no map file is named");
        errno = 0;
        if (OpenFile(name, purpose)) return {};
        if (errno == EILSEQ) return FileResult::Failure("the name is not valid UTF-8 text");
        return FileResult::Failure(Reason(errno));
    }

    // Reads size bytes at offset, fewer where the file ends first; the count read, or -1.
    std::ptrdiff_t ReadAt(std::int64_t offset, std::uint8_t* data, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const std::int64_t at = offset + static_cast<std::int64_t>(done);
#ifdef _WIN32
            OVERLAPPED place = Place(at);
            DWORD read = 0;
            const auto wanted = static_cast<DWORD>(std::min(size - done, kMaxTransfer));
            if (!ReadFile(Handle(), data + done, wanted, &read, &place)) {
                const DWORD error = GetLastError();
                if (error == ERROR_HANDLE_EOF) break;
                errno = ErrorNumber(error);
                return -1;
            }
#else
            const ssize_t read = ::pread(descriptor_, data + done, size - done, at);
            if (read < 0 && errno == EINTR) continue;
            if (read < 0) return -1;
#endif
            if (read == 0) break;  // the end of the file
            done += static_cast<std::size_t>(read);
        }
        return static_cast<std::ptrdiff_t>(done);
    }

    // Writes all of data at offset; false on the first failed or empty write.
    bool WriteAt(std::int64_t offset, const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
#ifdef _WIN32
            OVERLAPPED place = Place(offset);
            DWORD written = 0;
            const auto wanted = static_cast<DWORD>(std::min(size, kMaxTransfer));
            if (!WriteFile(Handle(), data, wanted, &written, &place)) {
                errno = ErrorNumber(GetLastError());
                return false;
            }
#else
            const ssize_t written = ::pwrite(descriptor_, data, size, offset);
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) return false;
#endif
            if (written == 0) {
                errno = ENOSPC;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
            offset += static_cast<std::int64_t>(written);
        }
        return true;
    }

    // Has the system put the written data on the disk. On POSIX systems the synchronized writes
    // have done so already.
    bool Flush() {
#ifdef _WIN32
        return _commit(descriptor_) == 0;  // FlushFileBuffers
#else
        return true;
#endif
    }

    // Cuts the file back to the length it had when it was opened for a save, if it has grown
    // since.
    void RestoreLength() {
        if (!regular_) return;
        const int error = errno;
#ifdef _WIN32
        if (_filelengthi64(descriptor_) > length_) _chsize_s(descriptor_, length_);
        _commit(descriptor_);
#else
        struct stat status {};
        if (::fstat(descriptor_, &status) == 0 && status.st_size > length_)
            while (::ftruncate(descriptor_, length_) != 0 && errno == EINTR) {
            }
        ::fsync(descriptor_);
#endif
        errno = error;
    }

    // The file's length now, or -1.
    std::int64_t Length() {
#ifdef _WIN32
        return _filelengthi64(descriptor_);
#else
        struct stat status {};
        if (::fstat(descriptor_, &status) != 0) return -1;
        // A device or a FIFO has no length of its own; the reads find its end.
        return S_ISREG(status.st_mode) ? status.st_size : 0;
#endif
    }

    // What the opened file is; false, with errno set, when the system cannot tell.
    bool Facts(OpenedFileFacts& facts) {
        if (saveFactsKnown_) {
            facts = saveFacts_;
            return true;
        }
#ifdef _WIN32
        struct _stat64 status {};
        if (_fstat64(descriptor_, &status) != 0) return false;
#else
        struct stat status {};
        if (::fstat(descriptor_, &status) != 0) return false;
#endif
        facts.mode = static_cast<unsigned>(status.st_mode);
        facts.device = static_cast<std::uint64_t>(status.st_dev);
        facts.inode = static_cast<std::uint64_t>(status.st_ino);
        return true;
    }

    bool Close() {
#ifdef _WIN32
        const int closed = _close(descriptor_);
#else
        // The descriptor is gone even when close reports an error, so it is never retried.
        const int closed = ::close(descriptor_);
#endif
        descriptor_ = -1;
        return closed == 0;
    }

  private:
    bool OpenFile(const std::string& name, OpenFor purpose) {
#ifdef _WIN32
        // Paths are UTF-8 text; the system takes them as UTF-16.
        std::filesystem::path path;
        try {
            path = std::filesystem::path(std::u8string(name.begin(), name.end()));
        } catch (const std::exception&) {
            errno = EILSEQ;
            return false;
        }
        const int access = purpose == OpenFor::Save ? _O_RDWR : _O_RDONLY;
        const int create = purpose == OpenFor::ReadOnly ? 0 : _O_CREAT;
        descriptor_ =
            _wopen(path.c_str(), access | create | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (descriptor_ < 0 && errno == EACCES) {
            // The system refuses a folder as it refuses a file it may not open; say which.
            std::error_code ignored;
            if (std::filesystem::is_directory(path, ignored)) errno = EISDIR;
        }
        if (descriptor_ < 0 || purpose != OpenFor::Save) return descriptor_ >= 0;
        length_ = _filelengthi64(descriptor_);
        regular_ = true;
        return length_ >= 0;
#else
        // Opening never waits: a FIFO opens at once and then refuses the positioned read. A save
        // opens for synchronized writes: each write returns once its data, and the length that
        // finds it, are on the disk.
        // Nor does it make a terminal the process's own.
        constexpr int kAlways = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
        const int flags = purpose == OpenFor::Save ? O_RDWR | O_CREAT | O_DSYNC
                          : purpose == OpenFor::Load ? O_RDONLY | O_CREAT
                                                     : O_RDONLY;
        descriptor_ = ::open(name.c_str(), flags | kAlways, 0666);
        if (descriptor_ < 0 || purpose != OpenFor::Save) return descriptor_ >= 0;
        // A failed save puts the length back; only a regular file has one to put back.
        struct stat status {};
        if (::fstat(descriptor_, &status) != 0) return false;
        length_ = status.st_size;
        regular_ = S_ISREG(status.st_mode);
        // What the file is comes with the same call, for a save that checks it.
        saveFacts_ = {static_cast<unsigned>(status.st_mode),
                      static_cast<std::uint64_t>(status.st_dev),
                      static_cast<std::uint64_t>(status.st_ino)};
        saveFactsKnown_ = true;
        return true;
#endif
    }

#ifdef _WIN32
    HANDLE Handle() const {
        return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_));
    }
#endif

    int descriptor_ = -1;
    std::int64_t length_ = 0;
    bool regular_ = false;
    OpenedFileFacts saveFacts_;
    bool saveFactsKnown_ = false;
};

}  // namespace

FileResult ReadLevelBlock(const std::string& path, std::int64_t offset, MapAccess access,
                          LevelBlock& block) {
    block.fill(0);
    MapFile file;
    const OpenFor purpose = access == MapAccess::ReadOnly ? OpenFor::ReadOnly : OpenFor::Load;
    if (FileResult opened = file.Open(path, purpose); !opened) return opened;
    errno = 0;
    // A short read at the end of the file is no error: what lies past the end stays 0.
    if (file.ReadAt(offset, block.data(), block.size()) < 0)
        return FileResult::Failure(Reason(errno));
    return {};
}

FileResult ReadCheckedLevelBlock(const std::string& path, std::int64_t offset, LevelBlock& block,
                                 std::string (*check)(const OpenedFileFacts&),
                                 OpenedFileFacts& facts) {
    block.fill(0);
    facts = {};
    MapFile file;
    if (FileResult opened = file.Open(path, OpenFor::ReadOnly); !opened) return opened;
    errno = 0;
    if (!file.Facts(facts)) return FileResult::Failure(Reason(errno));
    if (std::string problem = check(facts); !problem.empty())
        return FileResult::Failure(std::move(problem));
    errno = 0;
    if (file.ReadAt(offset, block.data(), block.size()) < 0)
        return FileResult::Failure(Reason(errno));
    return {};
}

namespace {

FileResult WriteOpenedLevelBlock(MapFile& file, std::int64_t offset, const LevelBlock& block) {
    errno = 0;
    if (!file.WriteAt(offset, block.data(), block.size()) || !file.Flush()) {
        // A level written past the old end must not stay half there.
        file.RestoreLength();
        return FileResult::Failure(Reason(errno));
    }
    errno = 0;
    if (!file.Close()) return FileResult::Failure(Reason(errno));
    return {};
}

}  // namespace

FileResult WriteLevelBlock(const std::string& path, std::int64_t offset, const LevelBlock& block) {
    MapFile file;
    if (FileResult opened = file.Open(path, OpenFor::Save); !opened) return opened;
    return WriteOpenedLevelBlock(file, offset, block);
}

FileResult WriteCheckedLevelBlock(const std::string& path, std::int64_t offset,
                                  const LevelBlock& block,
                                  std::string (*check)(const OpenedFileFacts&)) {
    MapFile file;
    if (FileResult opened = file.Open(path, OpenFor::Save); !opened) return opened;
    OpenedFileFacts facts;
    errno = 0;
    if (!file.Facts(facts)) return FileResult::Failure(Reason(errno));
    if (std::string problem = check(facts); !problem.empty())
        return FileResult::Failure(std::move(problem));
    return WriteOpenedLevelBlock(file, offset, block);
}

FileResult ReadMapFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                       OpenedFileFacts* facts) {
    bytes.clear();
    MapFile file;
    if (FileResult opened = file.Open(path, OpenFor::ReadOnly); !opened) return opened;
    errno = 0;
    if (facts && !file.Facts(*facts)) return FileResult::Failure(Reason(errno));
    errno = 0;
    const std::int64_t length = file.Length();
    if (length < 0) return FileResult::Failure(Reason(errno));
    const auto tooLarge = [] {
        return FileResult::Failure("the file is larger than any map: no level reaches past byte " +
                                   std::to_string(kLargestMapBytes));
    };
    if (length > kLargestMapBytes) return tooLarge();
    // One read for the length the file has, and one byte more to find that it ends there; a
    // file that grows meanwhile is read on in large steps.
    constexpr std::size_t kStep = std::size_t{1} << 20;
    std::size_t wanted = static_cast<std::size_t>(length) + 1;
    std::size_t done = 0;
    for (;;) {
        bytes.resize(done + wanted);
        errno = 0;
        const std::ptrdiff_t got =
            file.ReadAt(static_cast<std::int64_t>(done), bytes.data() + done, wanted);
        if (got < 0) {
            bytes.clear();
            return FileResult::Failure(Reason(errno));
        }
        done += static_cast<std::size_t>(got);
        if (static_cast<std::size_t>(got) < wanted) break;
        if (done > static_cast<std::size_t>(kLargestMapBytes)) {
            bytes.clear();
            return tooLarge();
        }
        wanted = kStep;
    }
    bytes.resize(done);
    return {};
}

FileResult ReadLevelRange(const std::string& path, std::int64_t first, std::int64_t count,
                          std::vector<std::uint8_t>& bytes, std::int64_t& length) {
    bytes.assign(static_cast<std::size_t>(std::max<std::int64_t>(count, 0) * kLevelBytes), 0);
    length = 0;
    MapFile file;
    if (FileResult opened = file.Open(path, OpenFor::ReadOnly); !opened) return opened;
    errno = 0;
    length = file.Length();
    if (length < 0) return FileResult::Failure(Reason(errno));
    if (bytes.empty() || first * kLevelBytes >= length) return {};
    errno = 0;
    if (file.ReadAt(first * kLevelBytes, bytes.data(), bytes.size()) < 0)
        return FileResult::Failure(Reason(errno));
    return {};
}

}  // namespace gridwright
