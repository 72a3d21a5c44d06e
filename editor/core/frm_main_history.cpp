// frmMain's undo history (gestures as steps, Undo and Redo) and its recovery journal.
#include <string>

#include "frm_main.h"
#include "renderer.h"

namespace gridwright {

DocumentPlace FrmMain::Place() const {
    return {CurrentLevel, MapFileName, named_};
}

void FrmMain::BeginGesture() {
    if (gestureOpen_) return;
    gestureBoard_ = Board;
    gestureOpen_ = true;
}

void FrmMain::EndGesture() {
    if (!gestureOpen_) return;
    gestureOpen_ = false;
    RecordStep(gestureBoard_, Place(), false);
}

void FrmMain::RecordStep(const BoardGrid& beforeBoard, const DocumentPlace& beforePlace,
                         bool matchesFile, std::optional<FileStep> file) {
    if (history_.Record(beforeBoard, beforePlace, Board, Place(), matchesFile, std::move(file))) {
        AfterHistoryChange();
    } else if (matchesFile) {
        // Loaded again unchanged: the board is what the file holds all the same.
        history_.MarkMatchesFile();
        AfterHistoryChange();
    }
}

void FrmMain::mnuEditUndo_Click() {
    // A step that rewrote the map file takes the file back first; the step stays when it cannot.
    if (const FileStep* file = history_.UndoFile()) {
        if (FileResult undone = ApplyFileStep(file->path, file->backward, file->bytesAfter);
            !undone) {
            ReportLevelFailure("undo the level operation", undone.reason);
            return;
        }
    }
    DocumentPlace place = Place();
    changedCells_.clear();
    if (history_.Undo(Board, place, changedCells_)) ShowHistoryStep(place);
}

void FrmMain::mnuEditRedo_Click() {
    if (const FileStep* file = history_.RedoFile()) {
        if (FileResult redone = ApplyFileStep(file->path, file->forward, file->bytesBefore);
            !redone) {
            ReportLevelFailure("redo the level operation", redone.reason);
            return;
        }
    }
    DocumentPlace place = Place();
    changedCells_.clear();
    if (history_.Redo(Board, place, changedCells_)) ShowHistoryStep(place);
}

void FrmMain::ShowHistoryStep(const DocumentPlace& place) {
    for (const std::uint16_t cell : changedCells_) {
        const int X = cell / kBoardRows;
        const int Y = cell % kBoardRows;
        PaintBoardCell(X, Y);
    }
    if (place != Place()) {
        CurrentLevel = place.level;
        MapFileName = place.fileName;
        named_ = place.named;
        ShowCaption();
    }
    DrawBoard();
    AfterHistoryChange();
}

void FrmMain::ShowCaption() {
    services_.SetCaption(named_ ? std::string(kCaptionPrefix) + MapFileName
                                : std::string(kDesignCaption));
}

void FrmMain::AfterHistoryChange() {
    KeepForRecovery();
    const int state = (history_.CanUndo() ? 1 : 0) | (history_.CanRedo() ? 2 : 0);
    if (state == editMenuState_) return;
    editMenuState_ = state;
    services_.SetMenuEnabled(MenuCommand::Undo, history_.CanUndo());
    services_.SetMenuEnabled(MenuCommand::Redo, history_.CanRedo());
}

void FrmMain::KeepForRecovery() {
    // Written once per completed step, never during a drag: a release or a command ends the
    // step first.
    if (!journal_.Enabled()) return;
    if (history_.MatchesFile()) {
        journal_.Remove();
        return;
    }
    const FileResult written = journal_.Write(Board, Place(), history_);
    if (written) {
        journalFailureShown_ = false;
    } else if (!journalFailureShown_) {
        journalFailureShown_ = true;
        services_.ReportFailure("Could not keep the edits for recovery in \"" + journal_.Folder() +
                                "\": " + written.reason + ".");
    }
}

void FrmMain::ReportSetAside(const std::vector<RecoveryJournal::SetAside>& setAside) {
    for (const RecoveryJournal::SetAside& aside : setAside) {
        std::string message =
            "The recovery file \"" + aside.path + "\" cannot be used: " + aside.reason + ". ";
        message += aside.keptAs.empty() ? "It was left as it is."
                                        : "It is kept as \"" + aside.keptAs + "\".";
        services_.ReportFailure(message);
    }
}

void FrmMain::mnuFileRecover_Click() {
    JournalContents recovered;
    std::vector<RecoveryJournal::SetAside> setAside;
    const bool found = journal_.TakeMostRecent(recovered, setAside);
    ReportSetAside(setAside);
    if (!found) {
        if (setAside.empty()) services_.ReportFailure("There is nothing to recover.");
        return;
    }
    const BoardGrid before = Board;
    const DocumentPlace beforePlace = Place();
    const BoardGrid& board = recovered.board;
    for (int Y = 0; Y < kBoardRows; ++Y)
        for (int X = 0; X < kBoardColumns; ++X)
            SetSquare(X, Y, board(X, Y).Char, board(X, Y).Color);
    CurrentLevel = recovered.place.level;
    MapFileName = recovered.place.fileName;
    named_ = recovered.place.named;
    ShowCaption();
    DrawBoard();
    // The steps made before the journal was left come along, so Undo walks back through them.
    history_.RecordRecovered(before, beforePlace, Board, Place(), std::move(recovered.history));
    AfterHistoryChange();
    // The recovered edits now live in this editor's journal, or were already in the map file.
    setAside.clear();
    journal_.FinishRecovery(history_.MatchesFile() || !journalFailureShown_, setAside);
    ReportSetAside(setAside);
}

}  // namespace gridwright
