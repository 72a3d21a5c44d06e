#include "history.h"

#include <algorithm>

namespace gridwright {

void TakeBackToOldest(const RecoveredSteps& recovered, BoardGrid& board, DocumentPlace& place) {
    for (std::size_t i = recovered.position; i-- > 0;) {
        const HistoryStep& step = recovered.steps[i];
        for (const StepCell& change : step.cells) board.cells[change.cell] = change.before;
        if (step.place) place = step.place->before;
    }
}

History::History(std::size_t byteLimit) : limit_(byteLimit) {}

std::size_t History::StepBytes(const HistoryStep& step) {
    std::size_t bytes = sizeof(Step) + step.cells.capacity() * sizeof(StepCell);
    if (step.place)
        bytes += step.place->before.fileName.capacity() + step.place->after.fileName.capacity();
    if (step.file)
        bytes += step.file->path.capacity() +
                 (step.file->forward.size() + step.file->backward.size()) * sizeof(LevelEdit);
    return bytes;
}

void History::DropRedo() {
    // A new step after an Undo: what could have been redone is gone, and so is any knowledge
    // of the file holding the positions beyond this one.
    while (steps_.size() > next_) {
        bytes_ -= steps_.back().bytes;
        steps_.pop_back();
    }
    const std::uint64_t from = Position();
    std::erase_if(matchesFile_, [from](std::uint64_t p) { return p > from; });
}

void History::Push(HistoryStep change) {
    Step step{std::move(change), 0, serials_++};
    step.bytes = StepBytes(step.change);
    bytes_ += step.bytes;
    steps_.push_back(std::move(step));
}

void History::KeepWithinLimit() {
    while (bytes_ > limit_ && next_ > 1) {
        bytes_ -= steps_.front().bytes;
        steps_.pop_front();
        --next_;
        ++dropped_;
    }
    while (bytes_ > limit_ && steps_.size() > std::max<std::size_t>(next_, 1)) {
        bytes_ -= steps_.back().bytes;
        steps_.pop_back();
    }
    std::erase_if(matchesFile_, [this](std::uint64_t p) { return p < dropped_; });
}

bool History::Record(const BoardGrid& beforeBoard, const DocumentPlace& beforePlace,
                     const BoardGrid& board, const DocumentPlace& place, bool matchesFile,
                     std::optional<FileStep> file) {
    HistoryStep step;
    std::size_t count = 0;
    for (std::size_t i = 0; i < board.cells.size(); ++i)
        count += beforeBoard.cells[i] != board.cells[i];
    step.cells.reserve(count);
    for (std::size_t i = 0; i < board.cells.size(); ++i) {
        if (beforeBoard.cells[i] != board.cells[i])
            step.cells.push_back(
                {static_cast<std::uint16_t>(i), beforeBoard.cells[i], board.cells[i]});
    }
    if (beforePlace != place) step.place = PlaceChange{beforePlace, place};
    step.file = std::move(file);
    if (step.cells.empty() && !step.place && !step.file) return false;

    DropRedo();
    Push(std::move(step));
    ++next_;
    if (matchesFile) matchesFile_.push_back(Position());
    KeepWithinLimit();
    return true;
}

void History::RecordRecovered(const BoardGrid& beforeBoard, const DocumentPlace& beforePlace,
                              const BoardGrid& board, const DocumentPlace& place,
                              RecoveredSteps recovered) {
    BoardGrid oldest = board;
    DocumentPlace oldestPlace = place;
    TakeBackToOldest(recovered, oldest, oldestPlace);
    Record(beforeBoard, beforePlace, oldest, oldestPlace, false);
    if (recovered.steps.empty()) return;
    DropRedo();
    for (HistoryStep& step : recovered.steps) Push(std::move(step));
    next_ += recovered.position;
    KeepWithinLimit();
}

bool History::Undo(BoardGrid& board, DocumentPlace& place, std::vector<std::uint16_t>& changed) {
    if (!CanUndo()) return false;
    const HistoryStep& step = steps_[--next_].change;
    for (const StepCell& change : step.cells) {
        board.cells[change.cell] = change.before;
        changed.push_back(change.cell);
    }
    if (step.place) place = step.place->before;
    return true;
}

bool History::Redo(BoardGrid& board, DocumentPlace& place, std::vector<std::uint16_t>& changed) {
    if (!CanRedo()) return false;
    const HistoryStep& step = steps_[next_++].change;
    for (const StepCell& change : step.cells) {
        board.cells[change.cell] = change.after;
        changed.push_back(change.cell);
    }
    if (step.place) place = step.place->after;
    return true;
}

const FileStep* History::UndoFile() const {
    return CanUndo() && steps_[next_ - 1].change.file ? &*steps_[next_ - 1].change.file : nullptr;
}

const FileStep* History::RedoFile() const {
    return CanRedo() && steps_[next_].change.file ? &*steps_[next_].change.file : nullptr;
}

void History::MarkSaved() {
    matchesFile_.assign(1, Position());
}

void History::MarkMatchesFile() {
    if (!MatchesFile()) matchesFile_.push_back(Position());
}

bool History::MatchesFile() const {
    return std::find(matchesFile_.begin(), matchesFile_.end(), Position()) != matchesFile_.end();
}

}  // namespace gridwright
