// frmMain's drawing tools: the one gesture loop that runs every tool (press, drag, release,
// cancel), the keys the core answers, and the selection's clipboard commands. The units that
// decide which cells a tool touches live in drawing/; the history step and the recovery journal
// entry of every gesture come from frm_main_history.cpp (BeginGesture, EndGesture, RecordStep).
#include <cctype>

#include "cell_text/cell_text.h"
#include "drawing/fill_region.h"
#include "drawing/line_cells.h"
#include "drawing/selection.h"
#include "frm_main.h"
#include "pointer_input.h"

namespace gridwright {

// ---- Pointer ----

void FrmMain::NotePointer(int column, int row) {
    if (BoardGrid::Contains(column, row))
        pointerCell_ = BoardPoint{column, row};
    else
        pointerCell_.reset();
    UpdatePointerShape();
}

void FrmMain::PointerLeft() {
    pointerCell_.reset();
    UpdatePointerShape();
}

void FrmMain::ToolPress(std::int16_t Button, std::int16_t Shift, BoardPoint cell) {
    if (ignoreUntilRelease_ || drag_.kind != Drag::None) return;
    if (caret_) EndTyping();  // a press anywhere ends the typing
    if (!BoardGrid::Contains(cell.X, cell.Y) || !IsButtonCombination(Button)) {
        DrawBoard();
        return;
    }
    const bool ctrl = (Shift & kCtrlKey) != 0;
    switch (tool_) {
        case Tool::Line:
            BeginGesture();
            drag_ = {Drag::Line, cell, cell, Button, ctrl};
            ShowLinePreview();
            break;
        case Tool::Fill:
            FillAt(cell, Button, ctrl);
            break;
        case Tool::Select:
            if (selection_ && RectContains(*selection_, cell)) {
                BeginGesture();
                drag_ = {Drag::Move, cell, cell, Button, ctrl, *selection_};
            } else {
                drag_ = {Drag::Rectangle, cell, cell, Button, ctrl};
                SetSelection(RectBetween(cell, cell));
            }
            break;
        case Tool::Pick:
            // A setting, not a step: the brush takes the cell as the glyph table and colour row
            // would give it.
            MouseObj[Button] = Board(cell.X, cell.Y);
            DrawMouseObj();
            break;
        case Tool::Text:
            caret_ = TextCaret::At(cell);
            BeginGesture();
            break;
        case Tool::Pen:
            break;
    }
    DrawBoard();
}

void FrmMain::ToolDragTo(BoardPoint cell) {
    switch (drag_.kind) {
        case Drag::None:
            return;
        case Drag::Line:
            if (ClampToBoard(cell) == drag_.to) return;
            drag_.to = ClampToBoard(cell);
            ShowLinePreview();
            break;
        case Drag::Rectangle:
            drag_.to = ClampToBoard(cell);
            SetSelection(RectBetween(drag_.from, drag_.to));
            break;
        case Drag::Move: {
            // Whole cells at a time; the pointer may leave the board, the cells with it.
            if (cell == drag_.to && preview_) return;
            drag_.to = cell;
            preview_ = Board;
            SetSelection(MoveCells(*preview_, drag_.source, cell.X - drag_.from.X,
                                   cell.Y - drag_.from.Y, drag_.ctrl));
            break;
        }
    }
    DrawBoard();
}

void FrmMain::ShowLinePreview() {
    preview_ = Board;
    const BoardCell brush = MouseObj[drag_.button];
    for (const BoardPoint cell : LineCells(drag_.from, drag_.to))
        (*preview_)(cell.X, cell.Y) = brush;
}

void FrmMain::FinishDrag() {
    const ToolDrag drag = drag_;
    drag_ = {};
    std::optional<BoardGrid> result;
    result.swap(preview_);
    if (drag.kind == Drag::Line) {
        // Painted only now, so that Ctrl's random colours go one to a cell, from A to B.
        BoardCell& brush = MouseObj[drag.button];
        for (const BoardPoint cell : LineCells(drag.from, drag.to)) {
            if (drag.ctrl) brush.Color = RandomColor();
            SetSquare(cell.X, cell.Y, brush.Char, brush.Color);
        }
    } else if (drag.kind == Drag::Move && result) {
        ShowBoard(*result);
    }
    DrawBoard();
}

bool FrmMain::CancelGesture() {
    if (drag_.kind != Drag::None) {
        // Nothing reached Board yet: the preview goes and the selection is what the press found.
        if (drag_.kind == Drag::Move) SetSelection(drag_.source);
        if (drag_.kind == Drag::Rectangle) SetSelection(std::nullopt);
        drag_ = {};
        preview_.reset();
        gestureOpen_ = false;
    } else if (tool_ == Tool::Pen && gestureOpen_) {
        ShowBoard(gestureBoard_);  // the stroke so far is taken back
        gestureOpen_ = false;
    } else {
        return false;
    }
    ignoreUntilRelease_ = true;
    DrawBoard();
    return true;
}

void FrmMain::EndToolGesture() {
    if (drag_.kind != Drag::None) {
        FinishDrag();
        ignoreUntilRelease_ = true;  // the buttons still held start nothing new
    }
    if (caret_) EndTyping();
    EndGesture();
}

void FrmMain::FillAt(BoardPoint cell, std::int16_t Button, bool ctrl) {
    BoardCell& brush = MouseObj[Button];
    // What the region already holds changes nothing; with Ctrl every cell gets a colour of its own.
    if (!ctrl && Board(cell.X, cell.Y) == brush) return;
    BeginGesture();
    const std::vector<BoardPoint> region = FillRegion(Board, cell);
    for (const BoardPoint at : region) {
        if (ctrl) brush.Color = RandomColor();
        Board(at.X, at.Y) = brush;
    }
    PaintBoardCells(region);
    DrawBoard();
    EndGesture();
}

void FrmMain::ShowBoard(const BoardGrid& board) {
    std::vector<BoardPoint> changed;
    changed.reserve(kBoardCells);
    for (std::size_t i = 0; i < kBoardCells; ++i)
        if (board.cells[i] != Board.cells[i]) {
            Board.cells[i] = board.cells[i];
            changed.push_back({static_cast<int>(i / kBoardRows), static_cast<int>(i % kBoardRows)});
        }
    PaintBoardCells(changed);
}

// ---- Tools ----

void FrmMain::ChooseTool(Tool tool) {
    if (tool == tool_) return;
    services_.SetMenuChecked(ToolCommand(tool_), false);
    tool_ = tool;
    services_.SetMenuChecked(ToolCommand(tool_), true);
    if (tool_ != Tool::Select && selection_) {
        SetSelection(std::nullopt);
        DrawBoard();
    }
    UpdatePointerShape();
}

void FrmMain::SetSelection(std::optional<CellRect> selection) {
    selection_ = selection;
    // Cut, Copy and Delete have something to act on exactly while there is a selection.
    const int state = selection_ ? 1 : 0;
    if (state != selectionMenuState_) {
        selectionMenuState_ = state;
        for (const MenuCommand command : {MenuCommand::Cut, MenuCommand::Copy, MenuCommand::Delete})
            services_.SetMenuEnabled(command, selection_.has_value());
    }
    UpdatePointerShape();
}

void FrmMain::UpdatePointerShape() {
    PointerShape shape = PointerShape::Arrow;
    if (pointerCell_) {
        switch (tool_) {
            case Tool::Pen:
                shape = PointerShape::Arrow;
                break;
            case Tool::Line:
                shape = PointerShape::Crosshair;
                break;
            case Tool::Fill:
                shape = PointerShape::Fill;
                break;
            case Tool::Select:
                shape = drag_.kind == Drag::Move ||
                                (selection_ && RectContains(*selection_, *pointerCell_))
                            ? PointerShape::Move
                            : PointerShape::Crosshair;
                break;
            case Tool::Pick:
                shape = PointerShape::Pick;
                break;
            case Tool::Text:
                shape = PointerShape::Text;
                break;
        }
    }
    if (shape == pointerShape_) return;
    pointerShape_ = shape;
    services_.SetPointerShape(shape);
}

// ---- Keys and typing ----

bool FrmMain::KeyDown(NamedKey key, std::int16_t) {
    if (overview_) return OverviewKey(key);
    switch (key) {
        case NamedKey::Escape:
            if (CancelGesture()) return true;
            if (caret_) {
                EndTyping();
                DrawBoard();
                return true;
            }
            if (selection_) {
                SetSelection(std::nullopt);
                DrawBoard();
                return true;
            }
            return false;
        case NamedKey::Backspace:
        case NamedKey::Enter:
        case NamedKey::Left:
        case NamedKey::Right:
        case NamedKey::Up:
        case NamedKey::Down:
            if (!caret_) return false;
            if (key == NamedKey::Backspace) {
                if (caret_->Move(-1, 0)) SetSquare(caret_->at.X, caret_->at.Y, 0, 0);
            } else if (key == NamedKey::Enter) {
                caret_->NewLine();
            } else {
                caret_->Move(key == NamedKey::Left    ? -1
                             : key == NamedKey::Right ? 1
                                                      : 0,
                             key == NamedKey::Up     ? -1
                             : key == NamedKey::Down ? 1
                                                     : 0);
            }
            DrawBoard();
            return true;
        case NamedKey::Tab:
        case NamedKey::PageUp:
        case NamedKey::PageDown:
        case NamedKey::Delete:
        case NamedKey::None:
            break;
    }
    // The menu's own keys (Delete), which do nothing while their entry is greyed, as shortcuts.
    if (key == NamedKey::None || (key == NamedKey::Delete && !selection_)) return false;
    for (const MenuItem& top : MenuBar())
        for (const MenuItem& item : top.items)
            if (item.namedKey == key) {
                Invoke(item.command);
                return true;
            }
    return false;
}

bool FrmMain::TypeCharacter(char32_t character) {
    if (character < 0x20 || character == 0x7F) return false;  // control characters are no text
    if (overview_) return false;                              // no tool is chosen meanwhile
    if (caret_) return TypeText(character);
    if (character >= 0x80 || !std::isalpha(static_cast<int>(character))) return false;
    const char upper = static_cast<char>(std::toupper(static_cast<int>(character)));
    for (const MenuItem& top : MenuBar())
        for (const MenuItem& item : top.items)
            if (item.plainKey == upper) {
                Invoke(item.command);
                return true;
            }
    return false;
}

bool FrmMain::TypeText(char32_t character) {
    const std::optional<std::uint8_t> glyph = TextGlyph(character);
    if (!glyph) return false;
    SetSquare(caret_->at.X, caret_->at.Y, *glyph, MouseObj[kLeftButton].Color);
    caret_->Move(1, 0);
    DrawBoard();
    return true;
}

void FrmMain::EndTyping() {
    caret_.reset();
    EndGesture();
}

// ---- Selection and clipboard ----

void FrmMain::mnuEditCopy_Click() {
    if (!selection_) return;
    const CellBlock block = CopyCells(Board, *selection_);
    services_.WriteClipboard(EncodePlainText(block), EncodeCells(block));
}

void FrmMain::mnuEditDelete_Click() {
    if (!selection_) return;
    const BoardGrid before = Board;
    BoardGrid after = Board;
    BlankCells(after, *selection_);
    ShowBoard(after);
    DrawBoard();
    RecordStep(before, Place(), false);
}

void FrmMain::mnuEditCut_Click() {
    mnuEditCopy_Click();
    mnuEditDelete_Click();
}

void FrmMain::mnuEditSelectAll_Click() {
    ChooseTool(Tool::Select);
    SetSelection(kWholeBoard);
    DrawBoard();
}

void FrmMain::mnuEditPaste_Click() {
    ClipboardContent content;
    if (services_.ReadClipboard(content)) PasteClipboard(content);
}

void FrmMain::PasteClipboard(const ClipboardContent& content) {
    if (overview_) CloseOverview();  // the paste lands on the board
    EndToolGesture();                // the content may arrive in the middle of a gesture
    std::optional<CellBlock> block;
    std::string refusal = "There is nothing to paste: the clipboard holds neither cells nor text.";
    if (content.cells) {
        CellsOrError cells = DecodeCells(*content.cells);
        block = std::move(cells.block);
        if (!block) refusal = "Could not paste the clipboard's cells: " + cells.error + ".";
    }
    if (!block && content.text) {
        CellsOrError text = DecodePlainText(*content.text, MouseObj[kLeftButton].Color);
        block = std::move(text.block);
        if (!block) refusal = "Could not paste the clipboard's text: " + text.error + ".";
    }
    if (!block) {
        services_.ReportFailure(refusal);
        return;
    }

    const BoardGrid before = Board;
    BoardGrid after = Board;
    const std::optional<CellRect> covered =
        PutCells(after, *block, pointerCell_.value_or(BoardPoint{0, 0}));
    ShowBoard(after);
    // Selected, so that the pasted cells can be dragged on.
    ChooseTool(Tool::Select);
    SetSelection(covered);
    DrawBoard();
    RecordStep(before, Place(), false);
}

// ---- The surface over the board ----

std::array<std::uint8_t, kBoardCells> FrmMain::Marks() const {
    std::array<std::uint8_t, kBoardCells> marks{};
    const auto mark = [&](int X, int Y, std::uint8_t bits) {
        marks[static_cast<std::size_t>(Y + kBoardRows * X)] |= bits;
    };
    if (selection_) {
        const CellRect& s = *selection_;
        for (int X = s.column; X < s.column + s.columns; ++X) {
            mark(X, s.row, kMarkTop);
            mark(X, s.row + s.rows - 1, kMarkBottom);
        }
        for (int Y = s.row; Y < s.row + s.rows; ++Y) {
            mark(s.column, Y, kMarkLeft);
            mark(s.column + s.columns - 1, Y, kMarkRight);
        }
    }
    if (caret_) mark(caret_->at.X, caret_->at.Y, kMarkCaret);
    return marks;
}

void FrmMain::RefreshOverlay() {
    if (!preview_ && !selection_ && !caret_ && overlaidCount_ == 0) return;
    const std::array<std::uint8_t, kBoardCells> marks = Marks();
    const SurfaceView surface = modGraphics.Surface();
    const BoardGrid& shown = preview_ ? *preview_ : Board;
    for (std::size_t i = 0; i < kBoardCells; ++i) {
        const int X = static_cast<int>(i / kBoardRows), Y = static_cast<int>(i % kBoardRows);
        const BoardCell cell = shown.cells[i];
        if (marks[i] == 0 && cell == Board.cells[i]) {
            if (overlaid_[i]) PaintBoardCell(X, Y);
            continue;
        }
        if (overlaid_[i] && shown_[i].cell == cell && shown_[i].marks == marks[i]) continue;
        // A cell that shows Board's own look needs only the marks over it.
        if (overlaid_[i] || cell != Board.cells[i]) DrawBoardCell(surface, X, Y, cell);
        DrawCellMarks(surface, X, Y, marks[i]);
        modGraphics.Damage(CellPixels({X, Y, 1, 1}));
        if (!overlaid_[i]) {
            overlaid_[i] = true;
            ++overlaidCount_;
        }
        shown_[i] = {cell, marks[i]};
    }
}

}  // namespace gridwright
