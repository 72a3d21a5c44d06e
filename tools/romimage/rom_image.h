// The cartridge ROM image that the console's ROM image driver serves: a disk image (a FAT image,
// say) whose first sector carries, at byte 0x100, a header naming up to four ranges of sectors
// that the console may write. Those ranges live in the cartridge's 64 KiB of battery-backed SRAM,
// one after another behind a 4-byte signature.
//
// Header (integers 32-bit little-endian):
//   0x00  4      magic "FCSR"
//   0x04  12     label " Qwirtz FAT" and a zero byte
//   0x10  4 x 4  first sector of ranges 0 to 3
//   0x20  4 x 4  sector count of ranges 0 to 3; 0 leaves the range unused
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace romimage {

constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kHeaderOffset = 0x100;
constexpr std::size_t kHeaderSize = 0x30;
constexpr std::size_t kRanges = 4;
constexpr std::string_view kMagic = "FCSR";
constexpr std::string_view kLabel{" Qwirtz FAT\0", 12};

// The image goes to the start of cartridge ROM, 32 MiB.
constexpr std::size_t kRomSize = 0x2000000;
// The ranges share the SRAM behind its signature: 127 whole sectors.
constexpr std::size_t kSramSize = 0x10000;
constexpr std::size_t kSignatureSize = 4;
constexpr std::size_t kSramSectors = (kSramSize - kSignatureSize) / kSectorSize;

struct Range {
    std::uint32_t first = 0;
    std::uint32_t count = 0;  // 0: unused

    friend bool operator==(const Range&, const Range&) = default;
};
using Ranges = std::array<Range, kRanges>;

// "FIRST:COUNT" in decimal (or hexadecimal after 0x), COUNT at least 1; nothing otherwise.
std::optional<Range> ParseRange(std::string_view text);

// Empty when a disk image of `imageSize` bytes with these ranges makes a ROM image the console
// can serve; otherwise what is wrong, as a sentence for the user.
std::string CheckImage(std::size_t imageSize, std::span<const Range> ranges);

// The header for these ranges (at most four; the others unused).
std::array<std::uint8_t, kHeaderSize> MakeHeader(std::span<const Range> ranges);

// The header at byte 0x100 of an image, when its magic is there.
struct Header {
    std::string label;  // the 12 label bytes up to the first zero byte
    bool labelMatches;  // all 12 bytes are the label the console looks for
    Ranges ranges;
};
std::optional<Header> ReadHeader(std::span<const std::uint8_t> image);

}  // namespace romimage
