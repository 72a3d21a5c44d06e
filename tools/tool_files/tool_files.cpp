#include "tool_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tool_files {

namespace {

std::string SystemReason(int error) {
    return std::generic_category().message(error);
}

// Why a file of this type is no file of bytes to read or to replace; empty for a regular file,
// and for a block device where blockDevices is set.
std::string TypeProblem(mode_t mode, bool blockDevices) {
    if (S_ISREG(mode) || (blockDevices && S_ISBLK(mode))) return {};
    if (S_ISDIR(mode)) return SystemReason(EISDIR);
    const char* type = S_ISLNK(mode)    ? "a symbolic link"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "of another type";
    return std::string("not a regular file but ") + type;
}

// Closes a descriptor when it goes out of use.
class Descriptor {
  public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return descriptor_; }
    // Closes now, so that a failure to close can be told.
    bool Close() {
        const int closed = ::close(descriptor_);
        descriptor_ = -1;
        return closed == 0;
    }

  private:
    int descriptor_;
};

bool WriteAll(int descriptor, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The permissions a new file gets from the process's file mode creation mask.
mode_t NewFileMode() {
    // Read once: reading the mask means setting it for a moment, which threads that write files
    // at the same time must not see.
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }();
    return mode;
}

}  // namespace

std::string InputProblem(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return SystemReason(errno);
    return TypeProblem(status.st_mode, true);
}

std::string InputTypeProblem(unsigned mode) {
    return TypeProblem(static_cast<mode_t>(mode), true);
}

bool ReadInput(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
               std::string& reason) {
    // Opening a FIFO without O_NONBLOCK waits for a writer; the type is checked on what was opened.
    Descriptor in(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (in.get() < 0 || ::fstat(in.get(), &status) != 0) {
        reason = SystemReason(errno);
        return false;
    }
    if (std::string problem = TypeProblem(status.st_mode, true); !problem.empty()) {
        reason = problem;
        return false;
    }
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);

    bytes.clear();
    std::uint8_t chunk[1 << 16];
    while (bytes.size() <= limit) {
        const std::size_t wanted = std::min(sizeof chunk, limit + 1 - bytes.size());
        const ssize_t got = ::read(in.get(), chunk, wanted);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            reason = SystemReason(errno);
            return false;
        }
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

bool IsFile(const std::string& path, std::uint64_t device, std::uint64_t inode) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && status.st_dev == device && status.st_ino == inode;
}

bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                 std::string& reason) {
    ReplacedFiles file;
    return file.Add(path, bytes, reason) && file.Commit(reason);
}

ReplacedFiles::~ReplacedFiles() {
    for (const Pending& file : pending_) ::unlink(file.temporary.c_str());
}

bool ReplacedFiles::Add(const std::string& path, std::span<const std::uint8_t> bytes,
                        std::string& reason) {
    struct stat status {};
    mode_t mode = 0;
    if (::lstat(path.c_str(), &status) == 0) {
        reason = TypeProblem(status.st_mode, false);
        if (!reason.empty()) return false;
        mode = status.st_mode & 0777;
    } else if (errno == ENOENT) {
        mode = NewFileMode();
    } else {
        reason = SystemReason(errno);
        return false;
    }

    // A name of its own beside the output, so the rename stays inside one file system and never
    // takes a name that anything else uses.
    const std::filesystem::path target(path);
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict on "." + std::string.
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    std::string temporary = (target.parent_path() / hidden).string();
    Descriptor out(::mkstemp(temporary.data()));
    if (out.get() < 0) {
        reason = SystemReason(errno);
        return false;
    }
    const bool written = ::fchmod(out.get(), mode) == 0 && WriteAll(out.get(), bytes) &&
                         (!waitForDisk_ || ::fsync(out.get()) == 0) && out.Close();
    if (!written) {
        reason = SystemReason(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    pending_.push_back({temporary, path});
    return true;
}

bool ReplacedFiles::Commit(std::string& reason) {
    while (!pending_.empty()) {
        if (std::rename(pending_.front().temporary.c_str(), pending_.front().path.c_str()) != 0) {
            reason = SystemReason(errno);
            return false;
        }
        pending_.erase(pending_.begin());
    }
    return true;
}

}  // namespace tool_files
