// The recovery journal's decoder, over journals that another editor (or a damaged disk) left.
// Properties: what decodes encodes back to the very same bytes (one document, one journal), and
// what decodes is a document that the board can show and the map file can hold as it stands.
// Each input is tried as it is and with its checksum made good.
#include "fuzz_support.h"
#include "map_file.h"
#include "recovery_journal.h"

using namespace gridwright;

namespace {

void CheckJournal(std::span<const std::uint8_t> bytes) {
    BoardGrid board;
    board(1, 1) = {1, 2};
    DocumentPlace place{OptionalNumber::Whole(3), "before", true};
    const BoardGrid boardBefore = board;
    const DocumentPlace placeBefore = place;
    std::string why;
    if (!DecodeJournal(bytes, board, place, why)) {
        FUZZ_CHECK(!why.empty());
        FUZZ_CHECK(board == boardBefore && place == placeBefore);
        return;
    }
    const std::vector<std::uint8_t> again = EncodeJournal(board, place);
    FUZZ_CHECK(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
    // Saved as it is shown: the map file's level block gives back every cell.
    FUZZ_CHECK(BoardFromLevelBlock(LevelBlockFromBoard(board)) == board);
    // And saved where it came from: the level is a place in the map file.
    FUZZ_CHECK(!place.level.HasValue() || LevelOffset(place.level.Value()).has_value());
    FUZZ_CHECK(place.fileName.find('\0') == std::string::npos);
}

// The input with its last four bytes made the checksum (FNV-1a) of the rest: a journal that a
// faulty writer left whole. Without it, nearly every mutation would stop at the checksum.
std::vector<std::uint8_t> Resealed(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> sealed(bytes.begin(), bytes.end());
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i + 4 < sealed.size(); ++i) hash = (hash ^ sealed[i]) * 16777619u;
    for (int i = 0; i < 4; ++i)
        sealed[sealed.size() - 4 + i] = static_cast<std::uint8_t>(hash >> (8 * i));
    return sealed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckJournal({data, size});
    if (size >= 4) CheckJournal(Resealed({data, size}));
    return 0;
}
