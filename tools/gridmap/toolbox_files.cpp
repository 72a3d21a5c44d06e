#include "toolbox_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace gridwright {

namespace fs = std::filesystem;

namespace {

std::string SystemReason(int error) {
    return std::generic_category().message(error);
}

FileResult NotRegular(const struct stat& status) {
    if (S_ISDIR(status.st_mode)) return FileResult::Failure(SystemReason(EISDIR));
    return FileResult::Failure("not a regular file");
}

// Closes a file descriptor when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The permissions a newly created file gets: read and write for all, less the process's umask.
// Read once: reading the umask means setting it, which threads must not do at the same time.
mode_t NewFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }();
    return mode;
}

}  // namespace

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

FileResult InputFile::Open(const std::string& path) {
    // Opening without blocking, so that a FIFO with no writer cannot hold the program up before
    // it is refused.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return FileResult::Failure(SystemReason(errno));
    struct stat status {};
    if (::fstat(fd_, &status) != 0) return FileResult::Failure(SystemReason(errno));
    if (!S_ISREG(status.st_mode)) return NotRegular(status);
    size_ = static_cast<std::uintmax_t>(status.st_size);
    return {};
}

FileResult InputFile::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
    got = 0;
    while (got < size) {
        const ssize_t read = ::read(fd_, data + got, size - got);
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) return FileResult::Failure(SystemReason(errno));
        if (read == 0) break;
        got += static_cast<std::size_t>(read);
    }
    return {};
}

FileResult ReadInputFile(const std::string& path, std::size_t maxBytes,
                         std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    InputFile file;
    if (FileResult opened = file.Open(path); !opened) return opened;
    const std::string tooLarge = "the file is larger than " + std::to_string(maxBytes) + " bytes";
    if (file.Size() > maxBytes) return FileResult::Failure(tooLarge);
    // One byte more than the file holds shows a file that grew meanwhile.
    bytes.resize(static_cast<std::size_t>(file.Size()) + 1);
    std::size_t got = 0;
    if (FileResult read = file.Read(bytes.data(), bytes.size(), got); !read) return read;
    if (got > file.Size()) return FileResult::Failure("the file changed while it was read");
    bytes.resize(got);
    return {};
}

FileResult CheckMapPath(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    if (!S_ISREG(status.st_mode)) return NotRegular(status);
    return {};
}

StagedOutputs::StagedOutputs(std::vector<std::string> protectedFiles)
    : protected_(std::move(protectedFiles)) {}

StagedOutputs::~StagedOutputs() {
    for (const Staged& file : staged_)
        if (!file.temporary.empty()) std::remove(file.temporary.c_str());
}

FileResult StagedOutputs::Stage(const std::string& path, std::string_view text) {
    return Stage(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

FileResult StagedOutputs::Stage(const std::string& path, std::span<const std::uint8_t> bytes) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) return NotRegular(status);
        for (const std::string& kept : protected_) {
            struct stat keptStatus {};
            if (::stat(kept.c_str(), &keptStatus) == 0 && keptStatus.st_dev == status.st_dev &&
                keptStatus.st_ino == status.st_ino)
                return FileResult::Failure("it is the map file \"" + kept +
                                           "\", which is never changed");
        }
    }
    // An output that is a symbolic link keeps its link: the file it points to is replaced.
    fs::path target(path);
    struct stat linkStatus {};
    if (::lstat(path.c_str(), &linkStatus) == 0 && S_ISLNK(linkStatus.st_mode)) {
        std::error_code error;
        target = fs::weakly_canonical(target, error);
        if (error) return FileResult::Failure(error.message());
    }
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    Descriptor file{::mkstemp(temporary.data())};
    if (file.fd < 0) return FileResult::Failure(SystemReason(errno));
    staged_.push_back({temporary, target.string()});
    if (::fchmod(file.fd, NewFileMode()) != 0 || !WriteAll(file.fd, bytes.data(), bytes.size()))
        return FileResult::Failure(SystemReason(errno));
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) return FileResult::Failure(SystemReason(errno));
    return {};
}

FileResult StagedOutputs::Commit() {
    for (Staged& file : staged_) {
        if (std::rename(file.temporary.c_str(), file.path.c_str()) != 0)
            return FileResult::Failure(SystemReason(errno));
        file.temporary.clear();
    }
    return {};
}

}  // namespace gridwright
