// The editor's one window, frmMain: the board being edited, the brushes, the rectangle anchor,
// the current level and the map file name, with its start-up, mouse, menu and board-view methods.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board.h"
#include "drawing/text_caret.h"
#include "drawing/tool.h"
#include "history.h"
#include "map_file.h"
#include "menu.h"
#include "mod_graphics.h"
#include "numbers.h"
#include "pointer_input.h"
#include "recovery_journal.h"
#include "renderer.h"
#include "user_settings.h"
#include "window_services.h"

namespace gridwright {

class FrmMain {
  public:
    // The caption the window starts with, kept until a map file is named; then the prefix and the
    // name.
    static constexpr std::string_view kDesignCaption = "QUORIX Map Editor";
    static constexpr std::string_view kCaptionPrefix = "QUORIX Map Editor - ";

    explicit FrmMain(WindowServices& services);

    // Called once by the front end after the window exists, before it delivers any other event.
    void Form_Load();

    // Pointer events of the editing surface. Button: the pressed button for a press, the sum of
    // the held buttons for a move; Shift: the sum of the modifier keys held (pointer_input.h).
    // X, Y: pixels from the surface's top-left corner (outside it while a button is held). Every
    // tool takes the same events, moves without a button included (they set the status, the
    // pointer shape and where a Paste lands); the front end never asks which tool is current.
    void picScreen_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void picScreen_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    // A button let go; Button: the sum of the buttons still held; X, Y: where. Painting does
    // nothing on a release, but the last one ends the gesture, which becomes one step of the
    // history (a line is drawn to the release's cell).
    void picScreen_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);

    // Menu handlers; Invoke dispatches a MenuCommand from the menu description to them.
    void mnuWorldLoad_Click();
    void mnuFileSaveGame_Click();
    void mnuFileLevel_Click();
    void mnuWorldQuit_Click();
    void mnuOptionBright_Click();
    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    // Brings back the most recent document that an editor left in its recovery journal and no
    // running editor owns, as one step; the map file is untouched until the user saves.
    void mnuFileRecover_Click();
    // Zoom In, Zoom Out and Actual Size (the zoom the display asks for); the user's choice is
    // remembered in the settings file.
    void mnuOptionZoom_Click(MenuCommand command);
    // The Level menu (frm_main_levels.cpp). Overview shows the map's levels as thumbnails in
    // place of the board, a page at a time (Tab, Escape or Overview again go back); Insert,
    // Duplicate, Delete and Move To rewrite the map file whole, each one undoable step; Previous
    // and Next load the neighbouring level as Level Select does.
    void mnuLevelOverview_Click();
    void mnuLevelInsert_Click();
    void mnuLevelDuplicate_Click();
    void mnuLevelDelete_Click();
    void mnuLevelMove_Click();
    void mnuLevelStep_Click(int step);
    // Whether the overview shows in place of the board: tools and gestures are off meanwhile.
    bool OverviewShown() const { return overview_.has_value(); }
    // File > Browse (frm_main_files.cpp): the system's file dialog, starting in the current map's
    // folder; the file chosen is named as Open names the answer, and Cancel changes nothing.
    void mnuFileBrowse_Click();
    // File > Recent: entry `index` (0 the newest) names its file as Open does.
    void mnuFileRecent_Click(int index);
    // A file dropped on the window (the first, when several are): named and its level 0 loaded,
    // as the command line does at start, in one step that Undo takes back. A file that cannot
    // be loaded is told and leaves the document as it was.
    void DropFile(std::string_view path);
    // The map files named last, newest first, as the Recent submenu lists them.
    const std::vector<std::string>& RecentFiles() const { return settings_.recentFiles; }
    // Invoke ends any open gesture first, so a command never splits a stroke's step.
    void Invoke(MenuCommand command);

    // Keyboard. The front end binds only the Ctrl shortcuts of the menu description (shortcut,
    // shiftShortcut, otherShortcut) and hands every other key to the core, which decides what it
    // means for the current tool.
    //
    // KeyDown: each press (and auto-repeat) of a named key, with the modifier keys held (Shift as
    // in pointer events: kShiftKey, kCtrlKey, kAltKey). Escape cancels the gesture in progress
    // (nothing changes), else ends the typing, else clears the selection; the arrows, Backspace and
    // Enter move and edit the text caret; Delete is Edit's Delete. Tab opens and closes the level
    // overview (always taken, so the keyboard focus never moves); Page Up and Page Down turn the
    // overview's pages, else load the previous or next level. True when the key did something
    // here: the front end then gives it no other meaning (no scrolling, no focus change).
    bool KeyDown(NamedKey key, std::int16_t Shift);
    // TypeCharacter: each character the keyboard types, as Unicode after the keyboard layout,
    // Shift, AltGr, dead keys and input methods (GTK's key value as Unicode or the input method's
    // commit, Win32's WM_CHAR joined from surrogate pairs, the browser's one-character
    // KeyboardEvent.key). Not for keys pressed with Ctrl or Alt (shortcuts and access letters),
    // AltGr excepted; Enter, Backspace and Escape arrive through KeyDown. Control characters
    // (below U+0020, and U+007F) are ignored here, so WM_CHAR may be passed on as it comes.
    // While the text caret shows, a character is text; otherwise a tool's plain key (menu.h:
    // plainKey, either case) chooses that tool. True when the character did something.
    bool TypeCharacter(char32_t character);
    // The pointer left the editing surface with no button held (GTK leave-notify, WM_MOUSELEAVE,
    // the canvas's mouseleave): a Paste then puts the cells at the board's top-left cell.
    void PointerLeft();
    // The clipboard's content for a Paste, from a front end whose ReadClipboard could not answer at
    // once (window_services.h). Pastes it as Edit's Paste does.
    void PasteClipboard(const ClipboardContent& content);

    // The tool the Tool menu has checked; Pen at every start.
    Tool CurrentTool() const { return tool_; }
    // The selected board cells, if any: the selection's outline shows around them.
    std::optional<CellRect> Selection() const { return selection_; }
    // The board cell of the text caret while it shows.
    std::optional<BoardPoint> Caret() const {
        return caret_ ? std::optional<BoardPoint>(caret_->at) : std::nullopt;
    }

    // The display's scale changed (the window moved to another monitor): the zoom follows it.
    void DisplayScaleChanged();
    // Device pixels a side that show one surface pixel, 1 to 4 (zoom.h).
    int Zoom() const { return zoom_; }

    // Board view, painted by the renderer into modGraphics' buffer. DrawBorder paints the border,
    // the colour row and the glyph table, then shows the surface; DrawMouseObj paints the brush
    // legend and shows the surface; SetSquare stores one cell (X 0..31, Y 0..23; others are
    // ignored) and paints it without showing it; DrawBoard shows the whole surface.
    void DrawBorder();
    void DrawMouseObj();
    void SetSquare(int X, int Y, std::uint8_t mChar, std::uint8_t mColor);
    void DrawBoard();

    // Map file. LoadMap replaces every cell of Board with level CurrentLevel of MapFileName and
    // shows the board; SaveMap writes Board into that level's place. On failure both tell the
    // user why, leave Board as it was and return false.
    bool LoadMap();
    bool SaveMap();
    // Sets every cell from a level block, as a load does, and shows the board.
    void ShowLevelBlock(const LevelBlock& block);
    // The board encoded as a level block, as a save writes it.
    LevelBlock BoardAsLevelBlock() const;

    // The renderer module: font, palette, pixel buffer and brightness.
    ModGraphics modGraphics;

    // The window's state, in its order of declaration.
    BoardGrid Board;
    std::array<BoardCell, kAllButtons + 1> MouseObj{};  // brushes by Button value 1..7; 0 unused
    OptionalNumber AnchorX;                             // rectangle anchor; 99 means none
    OptionalNumber AnchorY;
    OptionalNumber CurrentLevel;
    std::string MapFileName;  // UTF-8 path, passed to the file system unchanged

    // The steps that Undo and Redo walk.
    const History& EditHistory() const { return history_; }

  private:
    static constexpr std::string_view kUnreachableLevel = "levels run from 0 to 1398101";

    // The byte offset of level CurrentLevel, or why it cannot be reached.
    FileResult CurrentLevelOffset(std::int64_t& offset) const;
    // A brush colour from the window system's random source: 1 to 15, never 0.
    std::uint8_t RandomColor();
    // Tells the user that a load or save of the level failed, naming the file and the reason.
    void ReportMapFailure(std::string_view action, std::string_view level, std::string_view reason);

    // The history (frm_main_history.cpp). A gesture opens with the first cell a button paints
    // and closes with the last release or the next command; its step is the cells it changed.
    void BeginGesture();
    void EndGesture();
    DocumentPlace Place() const;
    // Records the change from (beforeBoard, beforePlace) to the current document as one step.
    void RecordStep(const BoardGrid& beforeBoard, const DocumentPlace& beforePlace,
                    bool matchesFile, std::optional<FileStep> file = std::nullopt);
    // Applies a step's file edits to the map file, which must have `expected` bytes.
    FileResult ApplyFileStep(const std::string& path, const std::vector<LevelEdit>& edits,
                             std::int64_t expected);
    // Shows the document after an Undo or Redo: the changed cells, the caption and the surface.
    void ShowHistoryStep(const DocumentPlace& place);
    // Paints board cell (X, Y) as it holds now, for the next DrawBoard to show.
    void PaintBoardCell(int X, int Y);
    // The same for many cells at once (a fill, a paste, a move), each look drawn only once.
    void PaintBoardCells(const std::vector<BoardPoint>& cells);
    // The surface shows board cell (X, Y) as Board holds it again, without preview or marks.
    void ForgetOverlay(int X, int Y);
    void ShowCaption();
    // Keeps the Edit menu's entries choosable exactly while there is something to undo or redo,
    // and the recovery journal written exactly while the map file lacks the document.
    void AfterHistoryChange();
    void ReportSetAside(const std::vector<RecoveryJournal::SetAside>& setAside);
    void KeepForRecovery();

    // Drawing tools (frm_main_tools.cpp): one loop runs every tool. A press starts the tool's
    // gesture, moves drag it, the last release (or a command, or a tool change) finishes it as one
    // step, Escape cancels it; Fill and Pick act at the press, typing lasts from a press to the
    // next press, Escape or command.
    enum class Drag { None, Line, Rectangle, Move };
    struct ToolDrag {
        Drag kind = Drag::None;
        BoardPoint from, to;  // the press's cell and the latest (on the board, but for Move)
        std::int16_t button = 0;
        bool ctrl = false;  // Ctrl at the press: random colours (Line), a copy (Move)
        CellRect source{};  // Move: the selection as the press found it
    };
    void ShowCellStatus(int X, int Y);
    void NotePointer(int column, int row);
    void ToolPress(std::int16_t Button, std::int16_t Shift, BoardPoint cell);
    void ToolDragTo(BoardPoint cell);
    void FinishDrag();
    bool CancelGesture();
    // Ends whatever the tools have in progress as one step: before a command or a paste.
    void EndToolGesture();
    void EndTyping();
    bool TypeText(char32_t character);
    void FillAt(BoardPoint cell, std::int16_t Button, bool ctrl);
    // Sets every cell that differs from `board` and paints it, for the next DrawBoard to show.
    void ShowBoard(const BoardGrid& board);
    void ShowLinePreview();
    void ChooseTool(Tool tool);
    void SetSelection(std::optional<CellRect> selection);
    void UpdatePointerShape();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditDelete_Click();
    void mnuEditSelectAll_Click();
    // Shows what the surface shows over the board beyond Board itself: a preview's cells, the
    // selection's outline and the caret; cells that no longer have any get their own look back.
    void RefreshOverlay();
    // The marks over every board cell (renderer.h's CellMark), by index into Board.cells.
    std::array<std::uint8_t, kBoardCells> Marks() const;

    // Map file names (frm_main_files.cpp). NameMapFile does what Open does with an answer: the
    // name for the next Save and Level Select, as one step, loading nothing.
    void NameMapFile(std::string name);
    // Puts a named map file first in the Recent list, the settings file and the desktop's list.
    void RememberRecentFile(std::string_view name);
    void ShowRecentFiles();
    // Writes settings_ into the settings file; `what` names it in a failure ("the zoom").
    void WriteSettings(std::string_view what);

    // Zoom (frm_main_zoom.cpp): the remembered zoom, or the display's, before the window shows.
    void StartZoom();
    void ChangeZoom(int zoom);
    // Tells the window the zoom, with Zoom In and Zoom Out choosable while they can change it.
    void ShowZoom();

    // The Level menu (frm_main_levels.cpp).
    struct OverviewState {
        std::int64_t first = 0;   // the first level of the page shown
        std::int64_t levels = 0;  // the levels there are to show
    };
    // Reads the map file for an operation on the current level: false, told, when the file
    // cannot be read or the current level is no whole level of it.
    bool ReadForLevelEdit(std::string_view action, std::vector<std::uint8_t>& bytes,
                          std::int64_t& level);
    // Applies the edit to the bytes and rewrites the file: the step's file part, or none, told.
    std::optional<FileStep> RewriteMap(std::string_view action, const LevelEdit& edit,
                                       std::vector<std::uint8_t>& bytes);
    void ReportLevelFailure(std::string_view action, std::string_view reason);
    // Loads a level as Level Select does, as one step.
    void SelectLevel(const OptionalNumber& level);
    void ShowOverviewPage();
    void CloseOverview();
    bool OverviewKey(NamedKey key);
    void OverviewPress(float X, float Y);
    std::optional<OverviewState> overview_;

    WindowServices& services_;
    Tool tool_ = Tool::Pen;
    std::optional<CellRect> selection_;
    std::optional<TextCaret> caret_;
    ToolDrag drag_;
    bool ignoreUntilRelease_ = false;   // a cancelled or cut-short drag: buttons still held
    std::optional<BoardGrid> preview_;  // what the surface shows for the board during a drag
    std::optional<BoardPoint> pointerCell_;
    PointerShape pointerShape_ = PointerShape::Arrow;
    int selectionMenuState_ = -1;
    // Board cells whose surface shows something other than Board's cell, and what.
    struct ShownCell {
        BoardCell cell;
        std::uint8_t marks = 0;
    };
    std::array<bool, kBoardCells> overlaid_{};
    std::array<ShownCell, kBoardCells> shown_{};
    int overlaidCount_ = 0;
    History history_;
    BoardGrid gestureBoard_;  // the board as the open gesture found it
    bool gestureOpen_ = false;
    bool named_ = false;  // a map file was named: the caption shows MapFileName
    std::vector<std::uint16_t> changedCells_;
    int editMenuState_ = -1;  // what the Edit menu last showed: undo bit 1, redo bit 2
    RecoveryJournal journal_;
    bool journalFailureShown_ = false;  // told once, not after every stroke
    int zoom_ = 1;
    int displayZoom_ = 1;  // the zoom the display asks for
    std::string settingsFolder_;
    UserSettings settings_;
};

}  // namespace gridwright
