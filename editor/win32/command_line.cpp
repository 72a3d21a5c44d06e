#include "command_line.h"

#include <windows.h>

#include "text.h"

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

int ShowProgramInfo(const std::string& text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) {
        std::string lines;  // Windows text files end their lines with CR LF
        for (char c : text) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
        DWORD written = 0;
        const bool ok =
            WriteFile(out, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) &&
            written == lines.size();
        return ok ? 0 : 1;
    }
    MessageBoxW(nullptr, Utf8ToWide(text).c_str(), L"gridwright", MB_OK | MB_ICONINFORMATION);
    return 0;
}

}  // namespace gridwright::win32
