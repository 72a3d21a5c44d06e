// How the map toolbox reads its inputs and writes its outputs.
//
// Inputs are read whole, and only from regular files: a FIFO or a device would block or never end.
// Outputs are written so that a failure never leaves a truncated file behind and never empties an
// existing one: every file of an output goes to a temporary file in its own folder first, and only
// when all of them are complete are they renamed over their names. Every output of the toolbox
// goes through StagedOutputs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "map_file.h"

namespace gridwright {

// A regular file open for reading.
class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Refuses a path that is not a regular file.
    FileResult Open(const std::string& path);
    std::uintmax_t Size() const { return size_; }
    // Reads size bytes into data, fewer only at the end of the file; got tells how many.
    FileResult Read(std::uint8_t* data, std::size_t size, std::size_t& got);

  private:
    int fd_ = -1;
    std::uintmax_t size_ = 0;
};

// Reads the whole file at path into bytes; refuses a path that is not a regular file and a file
// longer than maxBytes.
FileResult ReadInputFile(const std::string& path, std::size_t maxBytes,
                         std::vector<std::uint8_t>& bytes);

// Refuses a map path that names something other than a regular file; a missing path passes, for
// the map file code to report or create.
FileResult CheckMapPath(const std::string& path);

// The files of one output, written to temporary files until Commit renames them all over their
// names. Temporary files that were not committed are removed when this object ends.
class StagedOutputs {
  public:
    // Files that an output must never replace, such as the map it was made from.
    explicit StagedOutputs(std::vector<std::string> protectedFiles);
    ~StagedOutputs();
    StagedOutputs(const StagedOutputs&) = delete;
    StagedOutputs& operator=(const StagedOutputs&) = delete;

    // Writes bytes to a new temporary file beside path. Refuses a path that exists but is not a
    // regular file, and one that is a protected file (through links too).
    FileResult Stage(const std::string& path, std::span<const std::uint8_t> bytes);
    FileResult Stage(const std::string& path, std::string_view text);
    // Renames every staged file over its name, in the order they were staged.
    FileResult Commit();

  private:
    struct Staged {
        std::string temporary, path;
    };
    std::vector<std::string> protected_;
    std::vector<Staged> staged_;
};

}  // namespace gridwright
