// How the command-line tools take their inputs and give their outputs: an input must be a file
// of bytes that can be read to its end (a regular file, or a block device), never a folder or a
// FIFO that would wait for a writer; an output is written whole or not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tool_files {

// Empty when path names a regular file or a block device (after following symbolic links);
// otherwise why it cannot be an input ("Is a directory", "not a regular file but a FIFO", or the
// system's reason, such as "No such file or directory").
std::string InputProblem(const std::string& path);

// The same for a file already opened, from the type bits (st_mode) of its fstat.
std::string InputTypeProblem(unsigned mode);

// Reads the input at path, but never more than limit + 1 bytes, so an input larger than limit
// shows as one of limit + 1 bytes. False, with the reason, for what InputProblem refuses or a
// failed read.
bool ReadInput(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
               std::string& reason);

// Whether the two paths name the same file, through symbolic and hard links.
bool SameFile(const std::string& a, const std::string& b);
// Whether path names the file of that device and inode (an opened one's, from its fstat),
// through symbolic and hard links: one look at path alone.
bool IsFile(const std::string& path, std::uint64_t device, std::uint64_t inode);

// Writes bytes to path whole or not at all: into a new temporary file in the same folder, put on
// the disk, then renamed over path, which keeps its permissions if it existed. Refuses a path that
// exists and is not a regular file (a symbolic link, a device, a FIFO): renaming would replace
// it. False, with the system's reason, on failure; then path is as it was and no temporary file
// is left.
bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string& reason);

// Several files that belong together (a map and its tileset, say), written as ReplaceFile writes
// one, and all or none of them: Add writes each to its temporary file, Commit renames them all in
// the order they were added. Until Commit, and after any failure of Add, no path has changed;
// temporary files that were not renamed are removed when this object ends.
class ReplacedFiles {
  public:
    // waitForDisk false: rename without waiting until the system has put the bytes on the disk,
    // for outputs that can always be made again, whose writers would otherwise spend most of
    // their time waiting. A failed or short write is still found and refused.
    explicit ReplacedFiles(bool waitForDisk = true) : waitForDisk_(waitForDisk) {}
    ~ReplacedFiles();
    ReplacedFiles(const ReplacedFiles&) = delete;
    ReplacedFiles& operator=(const ReplacedFiles&) = delete;

    bool Add(const std::string& path, std::span<const std::uint8_t> bytes, std::string& reason);
    bool Commit(std::string& reason);

  private:
    struct Pending {
        std::string temporary, path;
    };
    bool waitForDisk_;
    std::vector<Pending> pending_;
};

}  // namespace tool_files
