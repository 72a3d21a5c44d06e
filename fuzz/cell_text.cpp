// The clipboard's two forms of cells: the cell form gridwright writes (glyph rows, an empty line,
// colour rows) and plain text from any program. The same bytes go through both readers.
#include "cell_text/cell_text.h"

#include <string_view>

#include "fuzz_support.h"

using namespace gridwright;

namespace {

// A block a paste can put down: 1 to 32 cells wide, 1 to 24 tall, every cell in the board's
// colours.
bool Pastable(const CellBlock& block) {
    if (block.width < 1 || block.width > kBoardColumns || block.height < 1 ||
        block.height > kBoardRows)
        return false;
    if (block.cells.size() != static_cast<std::size_t>(block.width * block.height)) return false;
    for (const BoardCell& cell : block.cells)
        if (cell.Color > 15) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const CellsOrError cells = DecodeCells(text);
    if (!cells.block) {
        FUZZ_CHECK(!cells.error.empty());
    } else {
        const CellBlock& block = *cells.block;
        FUZZ_CHECK(Pastable(block));
        // What it accepts it writes back as a text that reads as the same block, at its size too.
        const std::string again = EncodeCells(block);
        const CellsOrError reread = DecodeCells(again);
        FUZZ_CHECK(reread.block && *reread.block == block);
        const CellsOrError sized = DecodeCells(again, BoardPoint{block.width, block.height});
        FUZZ_CHECK(sized.block && *sized.block == block);
    }

    // Plain text in one colour, chosen by the input so that every colour is tried.
    const auto color = static_cast<std::uint8_t>(size % 16);
    const CellsOrError plain = DecodePlainText(text, color);
    if (!plain.block) {
        FUZZ_CHECK(!plain.error.empty());
    } else {
        FUZZ_CHECK(Pastable(*plain.block));
        for (const BoardCell& cell : plain.block->cells) FUZZ_CHECK(cell.Color == color);
    }
    return 0;
}
