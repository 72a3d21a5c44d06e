// gridmap's import of REXPaint pictures (.xp: gzip data around layers of cells).
#include "import_support.h"
#include "xp_format.h"

using namespace gridwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CheckImport(
        [&] {
            return DecodeXp({data, size});
        },
        [](const BoardGrid& board) { return DecodeXp(EncodeXp(board)); });
    return 0;
}
