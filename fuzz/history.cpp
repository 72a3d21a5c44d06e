// The edit history, driven by a random run of Record, Undo, Redo, MarkSaved and MarkMatchesFile
// as the editor calls them, against a model that keeps every document of the run whole.
// Properties: Undo and Redo give the documents the model has at those positions, with every cell
// that changed reported; the history reaches back exactly as far as its memory limit left it;
// and it says the map file holds the document exactly when the model says so. A recovery journal
// brought up to date after every operation, as the editor keeps it, reads back at every point as
// the document with the history's steps and position.
#include "history.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "fuzz_support.h"
#include "map_file.h"
#include "recovery_journal.h"

using namespace gridwright;

namespace {

struct Document {
    BoardGrid board;
    DocumentPlace place;
    bool operator==(const Document&) const = default;
};

// The model: every document of the run, by position; the current one; the oldest the history
// still reaches; and the positions whose document the map file holds.
struct Model {
    std::vector<Document> documents{Document{}};
    std::size_t current = 0;
    std::size_t oldest = 0;
    std::set<std::size_t> inFile{0};
};

void CheckChanged(const Document& from, const Document& to, std::vector<std::uint16_t> changed) {
    std::sort(changed.begin(), changed.end());
    for (std::size_t i = 0; i < from.board.cells.size(); ++i) {
        if (from.board.cells[i] != to.board.cells[i])
            FUZZ_CHECK(std::binary_search(changed.begin(), changed.end(), i));
    }
}

DocumentPlace NewPlace(FuzzedDataProvider& input, const DocumentPlace& place) {
    DocumentPlace next = place;
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0:
            next.level = OptionalNumber::Whole(input.ConsumeIntegral<std::int16_t>());
            break;
        case 1: {
            // The editor takes no level that is not a number (none would equal itself).
            const double level = input.ConsumeFloatingPoint<double>();
            next.level = OptionalNumber::Double(std::isnan(level) ? 0.5 : level);
            break;
        }
        default:
            next.fileName = input.ConsumeRandomLengthString(40);
            next.named = input.ConsumeBool();
            break;
    }
    return next;
}

// The journal's bytes as the editor's journal file holds them after each write.
struct Journal {
    void Write(const BoardGrid& board, const DocumentPlace& place, const History& history) {
        bool whole = false;
        const std::vector<std::uint8_t> record = writer.Next(board, place, history, whole);
        if (whole) bytes.clear();
        bytes.insert(bytes.end(), record.begin(), record.end());
        JournalContents read;
        std::string why;
        FUZZ_CHECK(ReadJournal(bytes, read, why));
        FUZZ_CHECK(read.board == board && read.place == place && !read.damagedWithin);
        FUZZ_CHECK(read.history.steps.size() == history.StepCount());
        FUZZ_CHECK(read.history.position == history.UndoCount());
    }
    JournalWriter writer;
    std::vector<std::uint8_t> bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    // A small memory limit, so that old steps are dropped within a short run.
    const std::size_t limit = input.ConsumeIntegralInRange<std::size_t>(0, 64 * 1024);
    History history(limit);
    Model model;
    Document shown;
    Journal journal;
    bool journalled = true;
    // A few hundred operations reach every state; longer runs only take longer.
    for (int operation = 0; operation < 300 && input.remaining_bytes() > 0; ++operation) {
        std::vector<std::uint16_t> changed;
        switch (input.ConsumeIntegralInRange(0, 5)) {
            case 0:
            case 1: {  // an edit: some cells, perhaps the place too
                Document next = shown;
                const int cells = input.ConsumeIntegralInRange(0, 40);
                for (int i = 0; i < cells; ++i) {
                    const auto at = input.ConsumeIntegralInRange<std::size_t>(0, kBoardCells - 1);
                    next.board.cells[at] = {input.ConsumeIntegral<std::uint8_t>(),
                                            input.ConsumeIntegralInRange<std::uint8_t>(0, 15)};
                }
                if (input.ConsumeBool()) next.place = NewPlace(input, next.place);
                // A journal holds only places of the map file, the only ones the editor makes.
                journalled = journalled &&
                             (!next.place.level.HasValue() ||
                              LevelOffset(next.place.level.Value()).has_value()) &&
                             next.place.fileName.find('\0') == std::string::npos;
                const bool matchesFile = input.ConsumeBool();
                const bool recorded =
                    history.Record(shown.board, shown.place, next.board, next.place, matchesFile);
                FUZZ_CHECK(recorded == !(next == shown));
                if (!recorded) break;
                model.documents.resize(model.current + 1);
                std::erase_if(model.inFile, [&](std::size_t p) { return p > model.current; });
                model.documents.push_back(next);
                ++model.current;
                if (matchesFile) model.inFile.insert(model.current);
                // Old steps may go, never the newest; once gone they stay gone.
                FUZZ_CHECK(history.UndoCount() >= 1 && history.UndoCount() <= model.current);
                const std::size_t oldest = model.current - history.UndoCount();
                FUZZ_CHECK(oldest >= model.oldest);
                model.oldest = oldest;
                std::erase_if(model.inFile, [&](std::size_t p) { return p < model.oldest; });
                shown = next;
                break;
            }
            case 2: {
                const bool undone = history.Undo(shown.board, shown.place, changed);
                FUZZ_CHECK(undone == (model.current > model.oldest));
                if (!undone) break;
                CheckChanged(model.documents[model.current], model.documents[model.current - 1],
                             changed);
                --model.current;
                break;
            }
            case 3: {
                const bool redone = history.Redo(shown.board, shown.place, changed);
                FUZZ_CHECK(redone == (model.current + 1 < model.documents.size()));
                if (!redone) break;
                CheckChanged(model.documents[model.current], model.documents[model.current + 1],
                             changed);
                ++model.current;
                break;
            }
            case 4:
                history.MarkSaved();
                model.inFile = {model.current};
                break;
            default:
                history.MarkMatchesFile();
                model.inFile.insert(model.current);
                break;
        }
        FUZZ_CHECK(shown == model.documents[model.current]);
        FUZZ_CHECK(history.UndoCount() == model.current - model.oldest);
        FUZZ_CHECK(history.StepCount() == model.documents.size() - 1 - model.oldest);
        FUZZ_CHECK(history.CanUndo() == (model.current > model.oldest));
        FUZZ_CHECK(history.CanRedo() == (model.current + 1 < model.documents.size()));
        FUZZ_CHECK(history.MatchesFile() == model.inFile.contains(model.current));
        FUZZ_CHECK(history.Bytes() <= limit || history.StepCount() == 1);
        if (journalled) journal.Write(shown.board, shown.place, history);
    }
    return 0;
}
