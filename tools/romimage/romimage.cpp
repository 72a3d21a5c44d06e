// romimage: makes and inspects cartridge ROM images for the console's ROM image driver.
//
//   romimage make DISK_IMAGE ROM_IMAGE [FIRST:COUNT]...
//   romimage show ROM_IMAGE
//   romimage --help | --version
//
// make copies DISK_IMAGE to ROM_IMAGE with the header written at byte 0x100 of its first sector,
// naming up to four ranges of sectors that the console may write. DISK_IMAGE is only read;
// ROM_IMAGE is written whole or not at all.
// show prints the header of a ROM image: its label and ranges, and where they lie in SRAM.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "rom_image.h"
#include "tool_files.h"
#include "version.h"

namespace {

using namespace romimage;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kSramAddress = 0x0A000000;  // where the console sees the SRAM

constexpr std::string_view kUsage =
    "usage: romimage make DISK_IMAGE ROM_IMAGE [FIRST:COUNT]...\n"
    "       romimage show ROM_IMAGE\n"
    "       romimage --help | --version\n"
    "  make writes ROM_IMAGE: a copy of DISK_IMAGE (a FAT image, say) whose first sector carries\n"
    "  the header at bytes 0x100 to 0x12F (the boot code area of a FAT boot sector). Each\n"
    "  FIRST:COUNT names sectors the console may write: at most four ranges inside the image,\n"
    "  not overlapping, 127 sectors in all (the cartridge's 64 KiB SRAM). Put ROM_IMAGE at the\n"
    "  start of the cartridge ROM, or at any multiple of 256 bytes.\n"
    "  show prints the header of ROM_IMAGE.\n";

// What a wrong command line gets: one line, pointing at the full text.
constexpr std::string_view kUsageHint =
    "usage: romimage make DISK_IMAGE ROM_IMAGE [FIRST:COUNT]... | show ROM_IMAGE "
    "(romimage --help tells more)\n";

int Fail(const std::string& message) {
    std::cerr << "romimage: " << message << "\n";
    return 1;
}

// The whole file, as long as it is no larger than the cartridge ROM; a larger one is refused
// after reading one byte more than the ROM holds.
std::optional<Bytes> ReadImage(const std::string& path, std::string& reason) {
    Bytes bytes;
    if (!tool_files::ReadInput(path, kRomSize, bytes, reason)) {
        reason = path + ": " + reason;
        return std::nullopt;
    }
    if (bytes.size() > kRomSize) {
        reason = path + ": larger than the 32 MiB of cartridge ROM";
        return std::nullopt;
    }
    return bytes;
}

int Make(const std::string& diskPath, const std::string& romPath,
         const std::vector<std::string>& rangeTexts) {
    std::vector<Range> ranges;
    for (const std::string& text : rangeTexts) {
        const std::optional<Range> range = ParseRange(text);
        if (!range) return Fail("'" + text + "' is no range: write FIRST:COUNT, COUNT at least 1");
        ranges.push_back(*range);
    }
    if (tool_files::SameFile(diskPath, romPath))
        return Fail("the ROM image must be a file of its own, not the disk image");

    std::string reason;
    std::optional<Bytes> image = ReadImage(diskPath, reason);
    if (!image) return Fail(reason);
    if (const std::string problem = CheckImage(image->size(), ranges); !problem.empty())
        return Fail(problem);

    const auto header = MakeHeader(ranges);
    std::copy(header.begin(), header.end(), image->begin() + kHeaderOffset);
    if (!tool_files::ReplaceFile(romPath, *image, reason)) return Fail(romPath + ": " + reason);
    return 0;
}

std::string Printable(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    return shown;
}

int Show(const std::string& romPath) {
    std::string reason;
    const std::optional<Bytes> image = ReadImage(romPath, reason);
    if (!image) return Fail(reason);
    const std::optional<Header> header = ReadHeader(*image);
    if (!header) return Fail(romPath + ": no ROM image header at byte 0x100");

    std::cout << "label:   \"" << Printable(header->label) << "\"\n";
    std::cout << "image:   " << image->size() / kSectorSize << " sectors (" << image->size()
              << " bytes)\n";
    std::size_t sramOffset = kSignatureSize;
    for (std::size_t i = 0; i < kRanges; ++i) {
        const Range& range = header->ranges[i];
        std::cout << "range " << i << ": ";
        if (range.count == 0) {
            std::cout << "unused\n";
            continue;
        }
        char sram[48];
        std::snprintf(sram, sizeof sram, "SRAM from 0x%08zX", kSramAddress + sramOffset);
        std::cout << "sectors " << range.first << " to "
                  << std::uint64_t{range.first} + range.count - 1 << " (" << range.count << "), "
                  << sram << "\n";
        sramOffset += std::size_t{range.count} * kSectorSize;
    }
    std::cout << "SRAM:    " << sramOffset << " of " << kSramSize << " bytes\n";

    if (!header->labelMatches) return Fail("the label is not the one the console looks for");
    if (const std::string problem = CheckImage(image->size(), header->ranges); !problem.empty())
        return Fail("the console cannot serve this image: " + problem);
    return 0;
}

}  // namespace

int main(int argc, char** argv) try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "make")
        return Make(args[1], args[2], std::vector<std::string>(args.begin() + 3, args.end()));
    if (args.size() == 2 && args[0] == "show") return Show(args[1]);
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "romimage " << gw::VersionText() << "\n";
        return 0;
    }
    std::cerr << kUsageHint;
    return 2;
} catch (const std::exception& error) {
    return Fail(error.what());
}
