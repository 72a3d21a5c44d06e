// gridmap's import of levels as text (.txt: the glyphs in UTF-8, then the colours in hex).
#include "import_support.h"
#include "text_format.h"

using namespace gridwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CheckImport(
        [&] {
            return DecodeText({reinterpret_cast<const char*>(data), size});
        },
        [](const BoardGrid& board) { return DecodeText(EncodeText(board)); });
    return 0;
}
