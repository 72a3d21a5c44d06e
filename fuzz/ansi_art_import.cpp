// gridmap's import of ANSI-art pictures: .bin, .xb and .ans, each with its SAUCE record. The
// first byte of the input chooses the format and the import's options, the rest is the file:
//   bits 0-1  0 .bin, 1 .xb, 2 and 3 .ans
//   bit 2     --background drop
//   bit 3     --from COLUMN,ROW with COLUMN bits 4-5 and ROW bits 6-7
#include <string>

#include "ansi_art_format.h"
#include "import_support.h"

using namespace gridwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t choice = data[0];
    const std::span<const std::uint8_t> file(data + 1, size - 1);
    AnsiArtImport how;
    how.dropBackground = (choice & 4) != 0;
    if (choice & 8) how.from = std::pair{(choice >> 4) & 3, (choice >> 6) & 3};
    const int format = choice & 3;
    const SauceFields fields{"Level", "Me", "Us", "20261209"};
    fuzz::CheckImport(
        [&] {
            if (format == 0) return DecodeBin(file, how);
            if (format == 1) return DecodeXBin(file, how);
            return DecodeAnsi(file, how);
        },
        [&](const BoardGrid& board) {
            // The export in the same format, read back with no options.
            if (format == 0) return DecodeBin(EncodeBin(board, fields), {});
            if (format == 1) return DecodeXBin(EncodeXBin(board, fields), {});
            std::string problem;
            const auto ansi = EncodeAnsi(board, fields, problem);
            // A glyph an ANSI stream cannot carry: the export refuses it, and says why.
            if (!ansi) {
                FUZZ_CHECK(!problem.empty());
                return BoardOrError{board, {}};
            }
            return DecodeAnsi(*ansi, {});
        });
    return 0;
}
