// The recovery journal's reader, over journals that another editor (or a damaged disk) left, of
// both forms: the first, the document alone, and the second, a snapshot of the document and its
// history followed by the records of later steps.
// Properties: what is read is a document that the board can show and the map file can hold as
// it stands, with steps that lead to it; a journal of the first form is exactly what its encoder
// writes for that document (one document, one journal); a journal written anew of what was read
// reads back the same. Each input is tried as it is and with its checksums made good.
#include "fuzz_support.h"
#include "map_file.h"
#include "recovery_journal.h"

using namespace gridwright;

namespace {

bool ValidPlace(const DocumentPlace& place) {
    return (!place.level.HasValue() || LevelOffset(place.level.Value()).has_value()) &&
           place.fileName.find('\0') == std::string::npos;
}

// The document's history as the editor would hold it after recovering it.
History Recovered(const JournalContents& contents) {
    BoardGrid oldest = contents.board;
    DocumentPlace oldestPlace = contents.place;
    TakeBackToOldest(contents.history, oldest, oldestPlace);
    History history;
    history.RecordRecovered(oldest, oldestPlace, contents.board, contents.place, contents.history);
    return history;
}

void CheckJournal(std::span<const std::uint8_t> bytes) {
    JournalContents contents;
    contents.board(1, 1) = {1, 2};
    contents.place = {OptionalNumber::Whole(3), "before", true};
    const BoardGrid boardBefore = contents.board;
    const DocumentPlace placeBefore = contents.place;
    std::string why;
    if (!ReadJournal(bytes, contents, why)) {
        FUZZ_CHECK(!why.empty());
        FUZZ_CHECK(contents.board == boardBefore && contents.place == placeBefore);
        return;
    }
    // Saved as it is shown, where it came from.
    FUZZ_CHECK(BoardFromLevelBlock(LevelBlockFromBoard(contents.board)) == contents.board);
    FUZZ_CHECK(ValidPlace(contents.place));
    if (bytes[7] == '1') {
        FUZZ_CHECK(contents.history.steps.empty());
        const std::vector<std::uint8_t> again = EncodeJournal(contents.board, contents.place);
        FUZZ_CHECK(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
        return;
    }
    FUZZ_CHECK(contents.history.position <= contents.history.steps.size());

    // Every document the steps reach is one the map file holds, and Redo comes back to the one
    // that was read.
    History history = Recovered(contents);
    BoardGrid board = contents.board;
    DocumentPlace place = contents.place;
    std::vector<std::uint16_t> changed;
    while (history.Undo(board, place, changed)) {
        FUZZ_CHECK(BoardFromLevelBlock(LevelBlockFromBoard(board)) == board);
        FUZZ_CHECK(ValidPlace(place));
    }
    while (history.Redo(board, place, changed)) FUZZ_CHECK(ValidPlace(place));
    while (history.UndoCount() > contents.history.position) history.Undo(board, place, changed);
    FUZZ_CHECK(board == contents.board && place == contents.place);

    JournalWriter writer;
    bool whole = false;
    const std::vector<std::uint8_t> again = writer.Next(board, place, history, whole);
    JournalContents reread;
    FUZZ_CHECK(whole && ReadJournal(again, reread, why));
    FUZZ_CHECK(reread.board == contents.board && reread.place == contents.place);
    FUZZ_CHECK(reread.history.position == contents.history.position);
    FUZZ_CHECK(reread.history.steps.size() == contents.history.steps.size());
}

std::uint32_t Checksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 16777619u;
    return hash;
}

void PutChecksum(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t hash) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(hash >> (8 * i));
}

// The input with its checksums made good: a journal that a faulty writer left whole. Without it,
// nearly every mutation would stop at a checksum. The first form has one at its end; the second
// one at the end of each record (length, kind, body, checksum).
std::vector<std::uint8_t> Resealed(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> sealed(bytes.begin(), bytes.end());
    if (sealed.size() >= 8 && sealed[7] == '2') {
        for (std::size_t at = 8; sealed.size() - at >= 9;) {
            const std::size_t length = sealed[at] | sealed[at + 1] << 8 | sealed[at + 2] << 16 |
                                       std::size_t{sealed[at + 3]} << 24;
            if (length > sealed.size() - at - 9) break;
            const std::size_t end = at + 5 + length;
            PutChecksum(sealed, end, Checksum(std::span(sealed).subspan(at, end - at)));
            at = end + 4;
        }
    } else if (sealed.size() >= 4) {
        PutChecksum(sealed, sealed.size() - 4,
                    Checksum(std::span(sealed).first(sealed.size() - 4)));
    }
    return sealed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckJournal({data, size});
    CheckJournal(Resealed({data, size}));
    return 0;
}
