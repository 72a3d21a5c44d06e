// The modal input box: a prompt, a one-line field holding the default answer, OK and Cancel.
#pragma once

#include <windows.h>

#include <string>

namespace gridwright::win32 {

// Shows the box over `owner` (disabled meanwhile, so no other event of the editor runs) and
// returns the field's text on OK, empty text on Cancel, Escape or closing the box. The default
// answer starts selected, so typing replaces it.
std::wstring InputBox(HWND owner, const std::wstring& title, const std::wstring& prompt,
                      const std::wstring& defaultAnswer);

}  // namespace gridwright::win32
