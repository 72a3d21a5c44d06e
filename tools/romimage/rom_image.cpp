#include "rom_image.h"

#include <algorithm>
#include <charconv>

namespace romimage {
namespace {

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string Describe(const Range& range) {
    return std::to_string(range.first) + ":" + std::to_string(range.count);
}

void PutWord(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetWord(const std::uint8_t* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

}  // namespace

std::optional<Range> ParseRange(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto first = ParseNumber(text.substr(0, colon));
    const auto count = ParseNumber(text.substr(colon + 1));
    if (!first || !count || *count == 0) return std::nullopt;
    return Range{*first, *count};
}

std::string CheckImage(std::size_t imageSize, std::span<const Range> ranges) {
    if (imageSize == 0 || imageSize % kSectorSize != 0)
        return "the disk image is not a whole number of 512-byte sectors (" +
               std::to_string(imageSize) + " bytes)";
    if (imageSize > kRomSize)
        return "the disk image (" + std::to_string(imageSize) +
               " bytes) is larger than the 32 MiB of cartridge ROM";
    if (ranges.size() > kRanges) return "at most four writable ranges fit into the header";

    const std::uint64_t sectors = imageSize / kSectorSize;
    std::uint64_t inSram = 0;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const Range& range = ranges[i];
        if (range.count == 0) continue;
        if (std::uint64_t{range.first} + range.count > sectors)
            return "range " + Describe(range) + " lies outside the image, whose sectors are 0 to " +
                   std::to_string(sectors - 1);
        for (std::size_t j = 0; j < i; ++j) {
            const Range& other = ranges[j];
            if (other.count != 0 && range.first < other.first + other.count &&
                other.first < range.first + range.count)
                return "ranges " + Describe(other) + " and " + Describe(range) + " overlap";
        }
        inSram += range.count;
    }
    if (inSram > kSramSectors)
        return "the ranges hold " + std::to_string(inSram) +
               " sectors, but the 64 KiB of SRAM holds only " + std::to_string(kSramSectors) +
               " behind its 4-byte signature";
    return {};
}

std::array<std::uint8_t, kHeaderSize> MakeHeader(std::span<const Range> ranges) {
    std::array<std::uint8_t, kHeaderSize> header{};
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    std::copy(kLabel.begin(), kLabel.end(), header.begin() + kMagic.size());
    for (std::size_t i = 0; i < std::min(ranges.size(), kRanges); ++i) {
        PutWord(&header[0x10 + 4 * i], ranges[i].first);
        PutWord(&header[0x20 + 4 * i], ranges[i].count);
    }
    return header;
}

std::optional<Header> ReadHeader(std::span<const std::uint8_t> image) {
    if (image.size() < kHeaderOffset + kHeaderSize) return std::nullopt;
    const std::uint8_t* header = image.data() + kHeaderOffset;
    const std::string_view magic(reinterpret_cast<const char*>(header), kMagic.size());
    const std::string_view label(reinterpret_cast<const char*>(header + 4), kLabel.size());
    if (magic != kMagic) return std::nullopt;
    Header found{std::string(label.substr(0, label.find('\0'))), label == kLabel, {}};
    for (std::size_t i = 0; i < kRanges; ++i)
        found.ranges[i] = {GetWord(header + 0x10 + 4 * i), GetWord(header + 0x20 + 4 * i)};
    return found;
}

}  // namespace romimage
