// frmMain's undo history: gestures as steps, Undo and Redo.
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
                         bool matchesFile) {
    if (!history_.Record(beforeBoard, beforePlace, Board, Place(), matchesFile)) {
        // Loaded again unchanged: the board is what the file holds all the same.
        if (matchesFile) history_.MarkMatchesFile();
    }
    AfterHistoryChange();
}

void FrmMain::mnuEditUndo_Click() {
    DocumentPlace place = Place();
    changedCells_.clear();
    if (history_.Undo(Board, place, changedCells_)) ShowHistoryStep(place);
}

void FrmMain::mnuEditRedo_Click() {
    DocumentPlace place = Place();
    changedCells_.clear();
    if (history_.Redo(Board, place, changedCells_)) ShowHistoryStep(place);
}

void FrmMain::ShowHistoryStep(const DocumentPlace& place) {
    for (const std::uint16_t cell : changedCells_) {
        const int X = cell / kBoardRows;
        const int Y = cell % kBoardRows;
        DrawBoardCell(modGraphics.Surface(), X, Y, Board(X, Y));
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
    const int state = (history_.CanUndo() ? 1 : 0) | (history_.CanRedo() ? 2 : 0);
    if (state == editMenuState_) return;
    editMenuState_ = state;
    services_.SetMenuEnabled(MenuCommand::Undo, history_.CanUndo());
    services_.SetMenuEnabled(MenuCommand::Redo, history_.CanRedo());
}

}  // namespace gridwright
