// The SAUCE record that closes the files of the ANSI-art editors: the last 128 bytes of a file,
// after the picture, an end-of-file byte (26) and an optional comment block. It gives a picture
// its title, author, group and date, its kind, and for BIN files, which have no header, the
// width. Numbers are little-endian.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gridwright {

struct SauceRecord {
    // Code page 437 bytes, at most 35, 20 and 20 of them.
    std::string title, author, group;
    // "CCYYMMDD".
    std::string date;
    std::uint32_t fileSize = 0;
    std::uint8_t dataType = 0, fileType = 0;
    std::uint16_t tinfo1 = 0, tinfo2 = 0, tinfo3 = 0, tinfo4 = 0;
    std::uint8_t comments = 0, flags = 0;
    // Zero-padded to 22 bytes.
    std::string fontName;
};

inline constexpr std::size_t kSauceBytes = 128;
inline constexpr std::uint8_t kSauceDataCharacter = 1, kSauceDataBinaryText = 5, kSauceDataXBin = 6;
inline constexpr std::size_t kSauceTitleBytes = 35, kSauceAuthorBytes = 20, kSauceGroupBytes = 20;

// Appends the end-of-file byte and the record (with no comment block) to a picture; the record's
// fileSize is set to the picture's size.
void AppendSauce(std::vector<std::uint8_t>& file, SauceRecord record);

// A file split into its picture and its record. The picture stops before the comment block and
// the end-of-file byte; without a record it is the whole file.
struct SaucedFile {
    std::span<const std::uint8_t> picture;
    std::optional<SauceRecord> record;
};
SaucedFile SplitSauce(std::span<const std::uint8_t> file);

// The date of today, local time, as SAUCE writes it.
std::string SauceDateToday();

// UTF-8 text as code page 437 bytes for a field of at most limit bytes, or nothing and the
// reason: a character outside the code page or a control character, or too many of them.
std::optional<std::string> SauceText(const std::string& utf8, std::size_t limit,
                                     std::string& problem);

}  // namespace gridwright
