#include "window_menu.h"

#include "text.h"

namespace gridwright::win32 {

namespace {
// Identifiers below 100 are left to the system and the dialogs (IDOK, IDCANCEL ...).
constexpr UINT kFirstId = 100;
constexpr std::string_view kStatusItemName = "mnuStatus";
}  // namespace

std::wstring MenuText(const MenuItem& item) {
    std::wstring text = Utf8ToWide(item.caption);
    if (item.shortcut == '+')
        text += L"\tCtrl+Plus";
    else if (item.shortcut == '-')
        text += L"\tCtrl+Minus";
    else if (item.shortcut != 0) {
        text += L"\tCtrl+";
        text += static_cast<wchar_t>(item.shortcut);
    } else if (item.shiftShortcut != 0) {
        text += L"\tCtrl+Shift+";
        text += static_cast<wchar_t>(item.shiftShortcut);
    } else if (item.plainKey != 0) {
        text += L'\t';
        text += static_cast<wchar_t>(item.plainKey);
    } else if (item.namedKey == NamedKey::Delete) {
        text += L"\tDel";
    } else if (item.namedKey == NamedKey::Tab) {
        text += L"\tTab";
    } else if (item.namedKey == NamedKey::PageUp) {
        text += L"\tPgUp";
    } else if (item.namedKey == NamedKey::PageDown) {
        text += L"\tPgDn";
    }
    return text;
}

std::vector<ShortcutKey> ShortcutKeys(char key) {
    if (key >= 'A' && key <= 'Z') return {{static_cast<WORD>(key), false}};
    if (key >= '0' && key <= '9')
        return {{static_cast<WORD>(key), false},
                {static_cast<WORD>(VK_NUMPAD0 + key - '0'), false}};
    switch (key) {
        case '+':
            return {{VK_OEM_PLUS, true}, {VK_ADD, false}};
        case '=':
            return {{VK_OEM_PLUS, false}};
        case '-':
            return {{VK_OEM_MINUS, false}, {VK_SUBTRACT, false}};
        default:
            return {};
    }
}

WindowMenu::WindowMenu(std::span<const MenuItem> items) : bar_(CreateMenu()) {
    for (const MenuItem& top : items) {
        if (top.items.empty()) {
            const UINT id = Add(top.command);
            if (top.name == kStatusItemName) statusId_ = id;
            AppendMenuW(bar_, MF_STRING, id, MenuText(top).c_str());
            continue;
        }
        HMENU popup = CreatePopupMenu();
        AddEntries(popup, top.items);
        AppendMenuW(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), MenuText(top).c_str());
    }
    if (!accelEntries_.empty()) {
        accelerators_ =
            CreateAcceleratorTableW(accelEntries_.data(), static_cast<int>(accelEntries_.size()));
    }
}

void WindowMenu::AddEntries(HMENU popup, std::span<const MenuItem> items) {
    for (const MenuItem& item : items) {
        if (!item.items.empty()) {
            // A submenu (Recent), whose heading carries its command's identifier too, so that
            // the whole submenu can be greyed by command.
            HMENU submenu = CreatePopupMenu();
            AddEntries(submenu, item.items);
            AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu),
                        MenuText(item).c_str());
            MENUITEMINFOW heading{};
            heading.cbSize = sizeof heading;
            heading.fMask = MIIM_ID;
            heading.wID = Add(item.command, popup);
            SetMenuItemInfoW(popup, static_cast<UINT>(GetMenuItemCount(popup) - 1), TRUE, &heading);
            continue;
        }
        const UINT id = Add(item.command, popup);
        entries_.back().text = MenuText(item);
        AppendMenuW(popup, MF_STRING, id, MenuText(item).c_str());
        if (item.radioGroup != 0) {
            // A radio item shows a dot rather than a tick when checked.
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE;
            info.fType = MFT_STRING | MFT_RADIOCHECK;
            info.fState = item.checked ? MFS_CHECKED : MFS_UNCHECKED;
            SetMenuItemInfoW(popup, id, FALSE, &info);
        }
        for (const char key : {item.shortcut, item.otherShortcut}) {
            for (const ShortcutKey& shortcut : ShortcutKeys(key)) {
                const BYTE modifiers = FVIRTKEY | FCONTROL | (shortcut.shift ? FSHIFT : 0);
                accelEntries_.push_back({modifiers, shortcut.virtualKey, static_cast<WORD>(id)});
            }
        }
        if (item.shiftShortcut != 0) {
            accelEntries_.push_back({FVIRTKEY | FCONTROL | FSHIFT,
                                     static_cast<WORD>(item.shiftShortcut), static_cast<WORD>(id)});
        }
    }
}

WindowMenu::~WindowMenu() {
    if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
    // A window destroys the bar it was given; one that never got a window is ours to destroy.
    if (window_ == nullptr) DestroyMenu(bar_);
}

void WindowMenu::AttachTo(HWND window) {
    SetMenu(window, bar_);
    window_ = window;
}

void WindowMenu::SetCaption(UINT id, std::wstring_view caption) {
    const std::wstring text(caption);
    ModifyMenuW(bar_, id, MF_BYCOMMAND | MF_STRING, id, text.c_str());
    if (window_ != nullptr) DrawMenuBar(window_);
}

void WindowMenu::SetEnabled(MenuCommand command, bool enabled) {
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        if (commands_[i] == command) {
            EnableMenuItem(bar_, kFirstId + static_cast<UINT>(i),
                           MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        }
    }
}

void WindowMenu::SetChecked(MenuCommand command, bool checked) {
    // The core unchecks the old radio item before it checks the new one, so each is set alone.
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        if (commands_[i] == command) {
            CheckMenuItem(bar_, kFirstId + static_cast<UINT>(i),
                          MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}

UINT WindowMenu::Add(MenuCommand command, HMENU parent) {
    commands_.push_back(command);
    entries_.push_back({parent, {}, true});
    return kFirstId + static_cast<UINT>(commands_.size() - 1);
}

void WindowMenu::SetCaption(MenuCommand command, std::wstring_view caption) {
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        if (commands_[i] != command) continue;
        entries_[i].text = caption;
        if (entries_[i].visible && entries_[i].parent != nullptr) {
            const UINT id = kFirstId + static_cast<UINT>(i);
            ModifyMenuW(entries_[i].parent, id, MF_BYCOMMAND | MF_STRING, id,
                        entries_[i].text.c_str());
        }
    }
}

void WindowMenu::SetVisible(MenuCommand command, bool visible) {
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        Entry& entry = entries_[i];
        if (commands_[i] != command || entry.parent == nullptr || entry.visible == visible)
            continue;
        const UINT id = kFirstId + static_cast<UINT>(i);
        if (!visible) {
            RemoveMenu(entry.parent, id, MF_BYCOMMAND);
        } else {
            // Its place: after the shown entries of the same menu that were added before it.
            UINT position = 0;
            for (std::size_t k = 0; k < i; ++k)
                if (entries_[k].parent == entry.parent && entries_[k].visible) ++position;
            InsertMenuW(entry.parent, position, MF_BYPOSITION | MF_STRING, id, entry.text.c_str());
        }
        entry.visible = visible;
    }
}

MenuCommand WindowMenu::CommandFor(UINT id) const {
    if (id < kFirstId || id - kFirstId >= commands_.size()) return MenuCommand::None;
    return commands_[id - kFirstId];
}

}  // namespace gridwright::win32
