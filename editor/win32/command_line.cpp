#include "command_line.h"

namespace gridwright::win32 {

namespace {
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
}  // namespace

std::wstring_view ArgumentText(std::wstring_view commandLine) {
    size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    }
    while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    return commandLine.substr(i);
}

}  // namespace gridwright::win32
