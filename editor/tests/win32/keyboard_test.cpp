// The keyboard's messages as the editor's named keys and typed characters.
#include "keyboard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "pointer_input.h"

namespace gridwright::win32 {
namespace {

TEST(Keyboard, NamedKeysAreTheEditorsAndNoOthers) {
    EXPECT_EQ(NamedKeyFor(VK_ESCAPE), NamedKey::Escape);
    EXPECT_EQ(NamedKeyFor(VK_DELETE), NamedKey::Delete);
    EXPECT_EQ(NamedKeyFor(VK_BACK), NamedKey::Backspace);
    EXPECT_EQ(NamedKeyFor(VK_RETURN), NamedKey::Enter);
    EXPECT_EQ(NamedKeyFor(VK_LEFT), NamedKey::Left);
    EXPECT_EQ(NamedKeyFor(VK_RIGHT), NamedKey::Right);
    EXPECT_EQ(NamedKeyFor(VK_UP), NamedKey::Up);
    EXPECT_EQ(NamedKeyFor(VK_DOWN), NamedKey::Down);
    EXPECT_EQ(NamedKeyFor(VK_TAB), NamedKey::Tab);
    EXPECT_EQ(NamedKeyFor(VK_PRIOR), NamedKey::PageUp);
    EXPECT_EQ(NamedKeyFor(VK_NEXT), NamedKey::PageDown);
    // Letters arrive as typed characters; the keypad's Delete without Num Lock is VK_DELETE.
    for (const std::uintptr_t other :
         {std::uintptr_t{'B'}, std::uintptr_t{VK_HOME}, std::uintptr_t{VK_INSERT},
          std::uintptr_t{VK_DECIMAL}, std::uintptr_t{VK_SHIFT}, std::uintptr_t{VK_F1}})
        EXPECT_EQ(NamedKeyFor(other), NamedKey::None) << other;
}

TEST(Keyboard, TypedCharactersJoinSurrogatePairsAndDropControls) {
    TypedCharacters typed;
    EXPECT_EQ(typed.Take(L'a', 0), U'a');
    EXPECT_EQ(typed.Take(L'M', kShiftKey), U'M');
    EXPECT_EQ(typed.Take(L' ', 0), U' ');
    EXPECT_EQ(typed.Take(L'\u263A', 0), U'\u263A');
    // U+1F600 as two WM_CHAR messages.
    EXPECT_EQ(typed.Take(static_cast<wchar_t>(0xD83D), 0), std::nullopt);
    EXPECT_EQ(typed.Take(static_cast<wchar_t>(0xDE00), 0), U'\U0001F600');
    // A lone half is nothing, and a lone high one does not swallow the next character.
    EXPECT_EQ(typed.Take(static_cast<wchar_t>(0xDE00), 0), std::nullopt);
    EXPECT_EQ(typed.Take(static_cast<wchar_t>(0xD83D), 0), std::nullopt);
    EXPECT_EQ(typed.Take(L'x', 0), U'x');
    // Enter, Backspace, Tab, Escape, Delete and Ctrl+A are keys.
    for (const wchar_t control : {L'\r', L'\b', L'\t', L'\x1B', L'\x7F', L'\x01'})
        EXPECT_EQ(typed.Take(control, 0), std::nullopt) << int{control};
    // A character with Ctrl alone belongs to a shortcut; with Ctrl and Alt it is AltGr's.
    EXPECT_EQ(typed.Take(L'\\', kCtrlKey), std::nullopt);
    EXPECT_EQ(typed.Take(L'@', kCtrlKey | kAltKey), U'@');
    EXPECT_EQ(typed.Take(L'\u20AC', kCtrlKey | kAltKey | kShiftKey), U'\u20AC');
}

}  // namespace
}  // namespace gridwright::win32
