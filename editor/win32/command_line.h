// The program's argument text: everything after the program's own name on the command line.
#pragma once

#include <string_view>

namespace gridwright::win32 {

// Skips the program name as the system's own parser does (a quoted name runs to the closing
// quotation mark, an unquoted one to the first blank or tab) and the blanks after it, and returns
// the rest exactly as given: quotation marks stay, nothing is split.
std::wstring_view ArgumentText(std::wstring_view commandLine);

}  // namespace gridwright::win32
