// The editor's undo history. The document is the board together with the level it belongs to and
// the map file it is saved into; each completed gesture that changed it (a stroke, a rectangle, a
// Level Select, an Open, a Recover) is one step. Steps keep only the cells they changed, so a
// stroke over a few cells costs a few bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "board.h"
#include "levels/level_operations.h"
#include "numbers.h"

namespace gridwright {

// Where the board belongs: its level, the map file's name, and whether a name was ever given
// (the caption then shows it, even when it is empty).
struct DocumentPlace {
    OptionalNumber level;
    std::string fileName;
    bool named = false;

    bool operator==(const DocumentPlace&) const = default;
};

// A rewrite of the map file's whole levels that a step made (a Level menu operation): the file,
// the edits that made it and those that take it back to its bytes before, exactly, and the file's
// length before and after, by which Undo and Redo find that nothing else changed it since.
struct FileStep {
    std::string path;
    std::vector<LevelEdit> forward, backward;
    std::int64_t bytesBefore = 0, bytesAfter = 0;
};

// One step: the cells it changed, with what they held before and after; the place, when it
// changed; and the map file's rewrite, when it made one.
struct StepCell {
    std::uint16_t cell;
    BoardCell before;
    BoardCell after;
    bool operator==(const StepCell&) const = default;
};
struct PlaceChange {
    DocumentPlace before;
    DocumentPlace after;
    bool operator==(const PlaceChange&) const = default;
};
struct HistoryStep {
    std::vector<StepCell> cells;
    std::optional<PlaceChange> place;
    std::optional<FileStep> file;
};

// Steps as a recovery journal brings them back: oldest first, with the position of the document
// among them (steps[position] is the one Redo would take).
struct RecoveredSteps {
    std::vector<HistoryStep> steps;
    std::size_t position = 0;
};

// The oldest document the recovered steps reach: the given one (the recovered document) with the
// steps before it taken back.
void TakeBackToOldest(const RecoveredSteps& recovered, BoardGrid& board, DocumentPlace& place);

// The memory the history may take: the oldest steps are dropped beyond it. Even steps that each
// change every cell of the board fit 10,000 times.
inline constexpr std::size_t kHistoryByteLimit = 64u << 20;

class History {
  public:
    explicit History(std::size_t byteLimit = kHistoryByteLimit);

    // Records the change from (beforeBoard, beforePlace) to (board, place) as one step after the
    // current one, dropping the steps that could have been redone. Nothing is recorded, and false
    // returned, when nothing changed. `matchesFile`: the map file holds the new document (a level
    // just loaded).
    // `file`: the map file's rewrite that belongs to the step; a step with one is always recorded.
    bool Record(const BoardGrid& beforeBoard, const DocumentPlace& beforePlace,
                const BoardGrid& board, const DocumentPlace& place, bool matchesFile,
                std::optional<FileStep> file = std::nullopt);
    // A Recover: the document goes from (beforeBoard, beforePlace) to the recovered one, whose
    // steps are put after the current one, so that Undo walks back through them and then takes
    // back the Recover itself, one step from the document before to the oldest recovered one
    // (none when the two are the same). The steps must lead to the recovered document (a
    // journal's reader checks that). Nothing that came before the recovered steps is known to
    // be in the map file.
    void RecordRecovered(const BoardGrid& beforeBoard, const DocumentPlace& beforePlace,
                         const BoardGrid& board, const DocumentPlace& place,
                         RecoveredSteps recovered);
    // The file rewrite of the step that Undo or Redo would take, if it has one: the caller
    // rewrites the file first, and takes the step only when that succeeded.
    const FileStep* UndoFile() const;
    const FileStep* RedoFile() const;

    bool CanUndo() const { return next_ > 0; }
    bool CanRedo() const { return next_ < steps_.size(); }
    // Takes the document one step back or forward. The board cells that changed are appended to
    // `changed` (as indices into BoardGrid::cells). False, with nothing changed, at either end.
    bool Undo(BoardGrid& board, DocumentPlace& place, std::vector<std::uint16_t>& changed);
    bool Redo(BoardGrid& board, DocumentPlace& place, std::vector<std::uint16_t>& changed);

    // The map file now holds the current document: a save wrote it. Other positions may no
    // longer match what the file holds.
    void MarkSaved();
    // The map file holds the current document too (a level loaded again unchanged).
    void MarkMatchesFile();
    // True when the current document is known to be in the map file: nothing would be lost.
    bool MatchesFile() const;

    std::size_t StepCount() const { return steps_.size(); }
    std::size_t UndoCount() const { return next_; }
    // The memory the steps take, as counted against the limit.
    std::size_t Bytes() const { return bytes_; }

    // Positions count documents from the first step ever recorded, so they stay the same when
    // old steps are dropped: the current document's, the oldest one the steps reach back to, and
    // the newest one Redo reaches.
    std::uint64_t Position() const { return dropped_ + next_; }
    std::uint64_t OldestPosition() const { return dropped_; }
    std::uint64_t NewestPosition() const { return dropped_ + steps_.size(); }
    // The step from the document at `position` (from OldestPosition to NewestPosition - 1) to
    // the next, and its serial: a number no other step of this history ever had, greater than
    // that of every step recorded before it.
    const HistoryStep& StepFrom(std::uint64_t position) const {
        return steps_[position - dropped_].change;
    }
    std::uint64_t SerialFrom(std::uint64_t position) const {
        return steps_[position - dropped_].serial;
    }

  private:
    struct Step {
        HistoryStep change;
        std::size_t bytes = 0;
        std::uint64_t serial = 0;
    };

    static std::size_t StepBytes(const HistoryStep& step);
    // Drops the steps that could have been redone, and what is known of the file beyond here.
    void DropRedo();
    void Push(HistoryStep step);
    // Drops the oldest steps, and then those furthest ahead, while the steps take more memory
    // than the limit; the step that led to the current document stays.
    void KeepWithinLimit();

    std::size_t limit_;
    std::deque<Step> steps_;
    std::size_t next_ = 0;       // steps_[next_] is the next to redo; before it, those to undo
    std::uint64_t dropped_ = 0;  // steps dropped from the front
    std::size_t bytes_ = 0;
    std::uint64_t serials_ = 0;                  // steps ever recorded
    std::vector<std::uint64_t> matchesFile_{0};  // positions whose document the map file holds
};

}  // namespace gridwright
