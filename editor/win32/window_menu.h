// The window's menu bar and keyboard shortcuts, built from the core's menu description.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "menu.h"

namespace gridwright::win32 {

// The item's text as a Win32 menu shows it: the caption with its access letter, and the shortcut
// after a tab ("&Open\tCtrl+O", "Zoom &In\tCtrl+Plus", "&Browse...\tCtrl+Shift+O" for an entry
// whose only shortcut has Shift), or the plain key that chooses it
// ("&Pen\tB",
// "&Delete\tDel"), which is no accelerator: the editor reads those keys itself.
std::wstring MenuText(const MenuItem& item);

// A key that gives a menu shortcut's key (menu.h) with Ctrl: a virtual key, with Shift or not.
struct ShortcutKey {
    WORD virtualKey;
    bool shift;
};
// The keys of a shortcut's key, the one the menu shows first, then the keypad's. '+' is Shift and
// the key of '=' and '+' (VK_OEM_PLUS) on many keyboards, that key alone on others.
std::vector<ShortcutKey> ShortcutKeys(char key);

class WindowMenu {
  public:
    // Builds the bar (owned by the window it is set on) and the accelerator table (owned here).
    explicit WindowMenu(std::span<const MenuItem> items);
    ~WindowMenu();
    WindowMenu(const WindowMenu&) = delete;
    WindowMenu& operator=(const WindowMenu&) = delete;

    // Gives the bar to a window, which then owns it.
    void AttachTo(HWND window);
    HMENU Handle() const { return bar_; }
    HACCEL Accelerators() const { return accelerators_; }
    const std::vector<ACCEL>& AcceleratorEntries() const { return accelEntries_; }
    // The command of a WM_COMMAND identifier; MenuCommand::None for anything else.
    MenuCommand CommandFor(UINT id) const;
    // The identifier of the top-level status item, whose caption is the status line.
    UINT StatusId() const { return statusId_; }
    // Makes every entry of a command choosable or greyed; a greyed entry's shortcuts do nothing.
    void SetEnabled(MenuCommand command, bool enabled);
    // Shows every entry of a command checked or not; a radio item keeps its dot.
    void SetChecked(MenuCommand command, bool checked);
    // Replaces an item's caption and redraws the bar at once.
    void SetCaption(UINT id, std::wstring_view caption);
    // The same for every entry of a command (the Recent submenu's), hidden ones included.
    void SetCaption(MenuCommand command, std::wstring_view caption);
    // Shows or hides every entry of a command. A Win32 menu has no hidden entries: a hidden one is
    // taken out of its menu and put back at its place among the shown ones.
    void SetVisible(MenuCommand command, bool visible);

  private:
    // The entries of a drop-down menu or submenu, appended to `popup`.
    void AddEntries(HMENU popup, std::span<const MenuItem> items);
    UINT Add(MenuCommand command, HMENU parent = nullptr);

    // Where each entry stands, by identifier - kFirstId: its menu, its caption, and whether it is
    // shown there.
    struct Entry {
        HMENU parent = nullptr;
        std::wstring text;
        bool visible = true;
    };

    HMENU bar_ = nullptr;
    HWND window_ = nullptr;
    HACCEL accelerators_ = nullptr;
    std::vector<ACCEL> accelEntries_;
    std::vector<MenuCommand> commands_;  // indexed by identifier - kFirstId
    std::vector<Entry> entries_;         // the same
    UINT statusId_ = 0;
};

}  // namespace gridwright::win32
