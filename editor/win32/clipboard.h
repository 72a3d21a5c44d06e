// The Windows clipboard in the editor's two forms: the cells with their colours under a registered
// format named after kCellsClipboardType (UTF-8 bytes), and plain text as CF_UNICODETEXT, which
// every Windows program reads. Both end in a zero, as text on this clipboard does: the memory's
// size may be rounded up past the data, so a reader stops at the zero.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "window_services.h"

namespace gridwright::win32 {

// The plain text as the clipboard holds it: UTF-16 with CR LF line ends, as Windows programs
// write and expect them; the core's "\n" becomes "\r\n".
std::wstring ClipboardText(std::string_view utf8);
// The clipboard's plain text for the core: UTF-8, each "\r\n" back to "\n".
std::string TextFromClipboard(std::wstring_view text);

// The registered format of the cells form; the same number in every program of the session.
UINT CellsClipboardFormat();

// Replaces what the clipboard holds with both forms at once, owned by `owner`. False when the
// clipboard cannot be opened (another program holds it; then it holds what it held) or the
// memory cannot be had (then it holds nothing).
bool PutOnClipboard(HWND owner, std::string_view text, std::string_view cells);
// Reads whichever forms the clipboard offers. False when it cannot be opened.
bool TakeFromClipboard(HWND owner, ClipboardContent& content);

}  // namespace gridwright::win32
