// A paste as the editor takes it from the clipboard: the cell form, plain text, or both, put down
// at the pointer in the left button's colour. The input is split:
//   byte 0    bit 0 cells on the clipboard, bit 1 text, bits 4-7 the left button's colour
//   byte 1    the pointer's column (modulo 32), byte 2 its row (modulo 24)
//   bytes 3-4 the cell form's length (little-endian, cut to what is left), then the cell form;
//             the rest is the text
#include <algorithm>
#include <string>

#include "frm_main.h"
#include "fuzz_support.h"
#include "headless_services.h"
#include "menu.h"

using namespace gridwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const char* rest = reinterpret_cast<const char*>(data + 5);
    const std::size_t restSize = size - 5;
    const std::size_t cellsSize = std::min<std::size_t>(data[3] | (data[4] << 8), restSize);
    ClipboardContent content;
    if (data[0] & 1) content.cells = std::string(rest, cellsSize);
    if (data[0] & 2) content.text = std::string(rest + cellsSize, restSize - cellsSize);

    // An editor with no map file and no recovery folder: nothing is read or written.
    HeadlessServices services;
    FrmMain form{services};
    form.Form_Load();
    form.MouseObj[kLeftButton].Color = static_cast<std::uint8_t>(data[0] >> 4);
    const int column = data[1] % kBoardColumns, row = data[2] % kBoardRows;
    form.picScreen_MouseMove(0, 0, 10.0f * column + 5, 18.0f * row + 9);

    const BoardGrid before = form.Board;
    const std::size_t failures = services.failures.size();
    form.PasteClipboard(content);
    for (const BoardCell& cell : form.Board.cells) FUZZ_CHECK(cell.Color <= 15);
    if (services.failures.size() != failures) {
        // A refused paste says why and changes nothing.
        FUZZ_CHECK(!services.failures.back().empty());
        FUZZ_CHECK(form.Board == before);
        return 0;
    }
    // A paste is one step: Undo gives the board back.
    form.Invoke(MenuCommand::Undo);
    FUZZ_CHECK(form.Board == before);
    return 0;
}
