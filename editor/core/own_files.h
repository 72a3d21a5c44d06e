// The small files the editor keeps for itself in the user's folders (the recovery journals, the
// settings): their names in UTF-8, reading one, and a replacement that is whole or nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "map_file.h"

namespace gridwright {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// Reads a whole file of at most `limit` bytes into `bytes` (a larger one only up to a byte past
// the limit); false when it cannot be read. Plain descriptor reads: a file stream would bring a
// locale's whole machinery into every program that links the core, the web page's included.
bool ReadSmallFile(const std::filesystem::path& path, std::size_t limit,
                   std::vector<std::uint8_t>& bytes);

// Writes the bytes to `temporary`, has the system put them on the disk and renames the file over
// `target`, whose folder entry is then put on the disk too: the target holds the old bytes or the
// new ones, never a mixture. On failure the temporary file is removed and the reason given.
FileResult ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target,
                       std::span<const std::uint8_t> bytes);

// Writes the bytes at the end of a file that exists and has the system put them on the disk. On
// failure a part of them may have been written.
FileResult AppendToFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Renames a file that cannot be read to its name plus `suffix` (then "-2", "-3", ... when that
// name is taken), so that it is neither read again nor lost. The new name in UTF-8; empty when
// no rename succeeded, and the file then stays as it was.
std::string SetAsideFile(const std::filesystem::path& file, std::string_view suffix);

// Replaces a file that exists with the bytes as ReplaceFile does, through a temporary file beside
// it that is given the old file's permissions before the rename. Refuses, with the reason and
// nothing changed, a target that is missing or is not a regular file (a symbolic link, a folder,
// a device): a rename would put a plain file in its place.
FileResult ReplaceRegularFile(const std::filesystem::path& target,
                              std::span<const std::uint8_t> bytes);

}  // namespace gridwright
