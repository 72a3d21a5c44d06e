#include "own_files.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace gridwright {

namespace fs = std::filesystem;

namespace {

// Writes the bytes to a new file, or at the end of a file that exists, and has the system put
// them on the disk.
enum class WriteMode { Create, Append };
bool WriteDurably(const fs::path& path, std::span<const std::uint8_t> bytes,
                  WriteMode mode = WriteMode::Create) {
#ifdef _WIN32
    int descriptor = -1;
    const int how = mode == WriteMode::Append ? _O_APPEND : _O_CREAT | _O_TRUNC;
    if (_wsopen_s(&descriptor, path.c_str(), _O_WRONLY | how | _O_BINARY | _O_NOINHERIT, _SH_DENYWR,
                  _S_IREAD | _S_IWRITE) != 0)
        return false;
    const bool written = _write(descriptor, bytes.data(), static_cast<unsigned>(bytes.size())) ==
                             static_cast<int>(bytes.size()) &&
                         _commit(descriptor) == 0;
    return _close(descriptor) == 0 && written;
#else
    const int how = mode == WriteMode::Append ? O_APPEND : O_CREAT | O_TRUNC;
    const int descriptor = ::open(path.c_str(), O_WRONLY | how | O_CLOEXEC, 0600);
    if (descriptor < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            ::close(descriptor);
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    const bool flushed = ::fsync(descriptor) == 0;
    return ::close(descriptor) == 0 && flushed;
#endif
}

// Has the folder's entry for a renamed file reach the disk too.
void FlushFolder(const fs::path& folder) {
#ifndef _WIN32
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
#else
    (void)folder;
#endif
}

}  // namespace

bool ReadSmallFile(const fs::path& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
#ifdef _WIN32
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0) !=
        0)
        return false;
#else
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
#endif
    std::uint8_t chunk[4096];
    bool complete = false;
    while (bytes.size() <= limit) {
#ifdef _WIN32
        const int read = _read(descriptor, chunk, sizeof chunk);
#else
        const ssize_t read = ::read(descriptor, chunk, sizeof chunk);
        if (read < 0 && errno == EINTR) continue;
#endif
        if (read < 0) break;
        if (read == 0) {
            complete = true;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
#ifdef _WIN32
    _close(descriptor);
#else
    ::close(descriptor);
#endif
    return complete || bytes.size() > limit;
}

fs::path PathFromUtf8(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

FileResult ReplaceFile(const fs::path& temporary, const fs::path& target,
                       std::span<const std::uint8_t> bytes) {
    std::error_code error;
    errno = 0;
    if (!WriteDurably(temporary, bytes)) {
        const std::error_code why{errno, std::generic_category()};
        fs::remove(temporary, error);
        return FileResult::Failure(why.message());
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return FileResult::Failure(error.message());
    }
    FlushFolder(target.parent_path());
    return {};
}

FileResult AppendToFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
    errno = 0;
    if (WriteDurably(path, bytes, WriteMode::Append)) return {};
    return FileResult::Failure(
        std::error_code{errno != 0 ? errno : EIO, std::generic_category()}.message());
}

std::string SetAsideFile(const fs::path& file, std::string_view suffix) {
    for (int n = 1; n < 100; ++n) {
        fs::path keep = file;
        std::string name(suffix);
        if (n > 1) name += '-' + std::to_string(n);
        keep += name;
        std::error_code error;
        if (fs::exists(keep, error)) continue;
        fs::rename(file, keep, error);
        if (!error) return Utf8FromPath(keep);
    }
    return {};
}

FileResult ReplaceRegularFile(const fs::path& target, std::span<const std::uint8_t> bytes) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target, error);
    if (error) return FileResult::Failure(error.message());
    if (status.type() == fs::file_type::not_found)
        return FileResult::Failure(
            std::make_error_code(std::errc::no_such_file_or_directory).message());
    if (status.type() == fs::file_type::directory)
        return FileResult::Failure(std::make_error_code(std::errc::is_a_directory).message());
    if (status.type() != fs::file_type::regular) return FileResult::Failure("not a regular file");

    // A name of its own beside the target keeps the rename inside one file system; one left by
    // an earlier failure is taken out of the way first, never followed.
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict on "." + std::string.
    std::string hidden = ".";
    hidden += Utf8FromPath(target.filename());
    hidden += ".new~";
    const fs::path temporary = target.parent_path() / PathFromUtf8(hidden);
    fs::remove(temporary, error);
    errno = 0;
    if (!WriteDurably(temporary, bytes)) {
        const std::error_code why{errno != 0 ? errno : EIO, std::generic_category()};
        fs::remove(temporary, error);
        return FileResult::Failure(why.message());
    }
    fs::permissions(temporary, status.permissions(), fs::perm_options::replace, error);
    if (!error) fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return FileResult::Failure(error.message());
    }
    FlushFolder(target.parent_path());
    return {};
}

}  // namespace gridwright
