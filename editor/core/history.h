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

  private:
    struct CellChange {
        std::uint16_t cell;
        BoardCell before;
        BoardCell after;
    };
    struct PlaceChange {
        DocumentPlace before;
        DocumentPlace after;
    };
    struct Step {
        std::vector<CellChange> cells;
        std::optional<PlaceChange> place;
        std::optional<FileStep> file;
        std::size_t bytes = 0;
    };

    // The position of the current document, counted from the first step ever recorded, so that
    // it stays the same when old steps are dropped.
    std::uint64_t Position() const { return dropped_ + next_; }
    static std::size_t StepBytes(const Step& step);

    std::size_t limit_;
    std::deque<Step> steps_;
    std::size_t next_ = 0;       // steps_[next_] is the next to redo; before it, those to undo
    std::uint64_t dropped_ = 0;  // steps dropped from the front
    std::size_t bytes_ = 0;
    std::vector<std::uint64_t> matchesFile_{0};  // positions whose document the map file holds
};

}  // namespace gridwright
