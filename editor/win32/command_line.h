// The program's argument text: everything after the program's own name on the command line.
#pragma once

#include <string>
#include <string_view>

namespace gridwright::win32 {

// Skips the program name as the system's own parser does (a quoted name runs to the closing
// quotation mark, an unquoted one to the first blank or tab) and the blanks after it, and returns
// the rest exactly as given: quotation marks stay, nothing is split.
std::wstring_view ArgumentText(std::wstring_view commandLine);

// Shows the help or version text of the command line. A GUI program has no console of its own:
// the text goes to standard output when the program was started with one (redirected to a file
// or a pipe), and into a message box otherwise. Returns the program's exit code.
int ShowProgramInfo(const std::string& text);

}  // namespace gridwright::win32
